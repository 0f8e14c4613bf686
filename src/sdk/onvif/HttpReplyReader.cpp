#include "sdk/onvif/HttpReplyReader.h"

#include "platform/TextCase.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace lorvena::onvif {

namespace {

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// The end of the header block (after its empty line), accepting bare LF line
// ends too; npos while it has not arrived.
std::size_t headerEnd(std::string_view buffer)
{
    std::size_t crlf = buffer.find("\r\n\r\n");
    std::size_t lf = buffer.find("\n\n");
    if (crlf == std::string_view::npos && lf == std::string_view::npos)
        return std::string_view::npos;
    if (lf == std::string_view::npos || (crlf != std::string_view::npos && crlf < lf))
        return crlf + 4;
    return lf + 2;
}

} // namespace

HttpReplyReader::HttpReplyReader(std::size_t maxBodyBytes) : maxBodyBytes_(maxBodyBytes) {}

HttpReplyReader::State HttpReplyReader::feed(std::string_view bytes)
{
    if (state_ != State::Incomplete)
        return state_;
    // Chunk framing may add to the body's size; allow a little for it.
    if (buffer_.size() + bytes.size() > maxHeaderBytes + maxBodyBytes_ + 4096)
        return state_ = State::TooLarge;
    buffer_.append(bytes);
    while (!headerDone_) {
        State header = parseHeader();
        if (header != State::Complete)
            return state_ = header;
    }
    return state_ = parseBody();
}

HttpReplyReader::State HttpReplyReader::finish()
{
    if (state_ != State::Incomplete)
        return state_;
    if (headerDone_ && !chunked_ && !hasLength_) {
        body_ = std::move(buffer_);
        buffer_.clear();
        return state_ = body_.size() > maxBodyBytes_ ? State::TooLarge : State::Complete;
    }
    // Cut short: a header without its end, a body shorter than announced.
    return state_ = State::Bad;
}

HttpReplyReader::State HttpReplyReader::parseHeader()
{
    std::size_t end = headerEnd(buffer_);
    if (end == std::string::npos)
        return buffer_.size() > maxHeaderBytes ? State::TooLarge : State::Incomplete;
    if (end > maxHeaderBytes)
        return State::TooLarge;
    std::string_view header(buffer_.data(), end);
    std::size_t lineEnd = header.find('\n');
    std::string_view statusLine = trim(header.substr(0, lineEnd));
    if (statusLine.substr(0, 5) != "HTTP/")
        return State::Bad;
    std::size_t space = statusLine.find(' ');
    if (space == std::string_view::npos)
        return State::Bad;
    std::string_view code = statusLine.substr(space + 1, 3);
    int status = 0;
    auto [codeEnd, error] = std::from_chars(code.data(), code.data() + code.size(), status);
    if (error != std::errc() || codeEnd != code.data() + code.size() || status < 100 || status > 999)
        return State::Bad;

    chunked_ = false;
    hasLength_ = false;
    std::size_t position = lineEnd + 1;
    while (position < header.size()) {
        std::size_t next = header.find('\n', position);
        std::string_view line = trim(header.substr(position, next - position));
        position = next == std::string_view::npos ? header.size() : next + 1;
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        std::string name = lowerCased(trim(line.substr(0, colon)));
        std::string_view value = trim(line.substr(colon + 1));
        if (name == "transfer-encoding" && lowerCased(value).find("chunked") != std::string::npos) {
            chunked_ = true;
        } else if (name == "content-length") {
            std::size_t length = 0;
            auto [lengthEnd, lengthError] = std::from_chars(value.data(), value.data() + value.size(), length);
            if (lengthError != std::errc() || lengthEnd != value.data() + value.size())
                return State::Bad;
            if (length > maxBodyBytes_)
                return State::TooLarge;
            hasLength_ = true;
            contentLength_ = length;
        }
    }
    buffer_.erase(0, end);
    if (status >= 100 && status < 200)
        return State::Complete; // an interim answer: the real one follows
    status_ = status;
    headerDone_ = true;
    return State::Complete;
}

HttpReplyReader::State HttpReplyReader::parseBody()
{
    if (chunked_)
        return decodeChunks();
    if (hasLength_) {
        if (buffer_.size() < contentLength_)
            return State::Incomplete;
        body_ = buffer_.substr(0, contentLength_);
        buffer_.clear();
        return State::Complete;
    }
    return buffer_.size() > maxBodyBytes_ ? State::TooLarge : State::Incomplete;
}

HttpReplyReader::State HttpReplyReader::decodeChunks()
{
    // Decodes from the start each time: bodies are small and capped, and it
    // keeps the reader free of half-chunk state.
    std::string decoded;
    std::size_t position = 0;
    for (;;) {
        // No size line is that long. The limit holds whether or not the line
        // has ended yet, so how the stream happened to arrive cannot decide.
        constexpr std::size_t maxSizeLine = 64;
        std::size_t lineEnd = buffer_.find('\n', position);
        if ((lineEnd == std::string::npos ? buffer_.size() : lineEnd) - position > maxSizeLine)
            return State::Bad;
        if (lineEnd == std::string::npos)
            return State::Incomplete;
        std::string_view sizeLine = trim(std::string_view(buffer_).substr(position, lineEnd - position));
        sizeLine = sizeLine.substr(0, sizeLine.find(';'));
        std::size_t size = 0;
        auto [sizeEnd, error] = std::from_chars(sizeLine.data(), sizeLine.data() + sizeLine.size(), size, 16);
        if (sizeLine.empty() || error != std::errc() || sizeEnd != sizeLine.data() + sizeLine.size())
            return State::Bad;
        if (size > maxBodyBytes_ || decoded.size() + size > maxBodyBytes_)
            return State::TooLarge;
        position = lineEnd + 1;
        if (size == 0) {
            // The trailer section ends with an empty line; we need none of it.
            body_ = std::move(decoded);
            return State::Complete;
        }
        if (buffer_.size() - position < size + 1)
            return State::Incomplete;
        decoded.append(buffer_, position, size);
        position += size;
        if (buffer_[position] == '\r')
            ++position;
        if (position >= buffer_.size())
            return State::Incomplete;
        if (buffer_[position] != '\n')
            return State::Bad;
        ++position;
    }
}

} // namespace lorvena::onvif
