#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lorvena::onvif {

// Reads one HTTP/1.x response as it arrives: header, then a body delimited by
// Content-Length, chunked transfer coding or the end of the connection.
// Interim 1xx responses are skipped. Every size is capped, so a hostile
// device costs at most the caps.
class HttpReplyReader {
public:
    enum class State {
        Incomplete, // more bytes needed
        Complete,
        Bad,        // not HTTP, or a broken length or chunk
        TooLarge,   // header or body beyond its cap
    };

    static constexpr std::size_t maxHeaderBytes = 16 * 1024;

    explicit HttpReplyReader(std::size_t maxBodyBytes);

    State feed(std::string_view bytes);
    // The peer closed: a body delimited by the close is complete now.
    State finish();

    State state() const { return state_; }
    int status() const { return status_; }
    const std::string& body() const { return body_; }

private:
    State parseHeader();
    State parseBody();
    State decodeChunks();

    std::size_t maxBodyBytes_;
    State state_ = State::Incomplete;
    std::string buffer_;  // unparsed bytes
    std::string body_;
    int status_ = 0;
    bool headerDone_ = false;
    bool chunked_ = false;
    bool hasLength_ = false;
    std::size_t contentLength_ = 0;
};

} // namespace lorvena::onvif
