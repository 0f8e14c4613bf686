// A device service's HTTP reply as the ONVIF transport reads it: fed as it
// arrives, in pieces, then the close. How TCP happens to cut the stream
// must not change what is read, so each input is read twice, whole and in
// pieces, and both readings must agree.
//
// Input: one byte picks the body cap, one the piece size (0: one piece),
// the rest is the stream.
#include "FuzzCheck.h"

#include "sdk/onvif/HttpReplyReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace lorvena::onvif;

namespace {

HttpReplyReader read(std::string_view stream, std::size_t maxBody, std::size_t piece)
{
    HttpReplyReader reader(maxBody);
    if (piece == 0)
        piece = stream.size() + 1;
    for (std::size_t at = 0; at < stream.size() && reader.state() == HttpReplyReader::State::Incomplete; at += piece)
        reader.feed(stream.substr(at, std::min(piece, stream.size() - at)));
    reader.finish();
    return reader;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    constexpr std::size_t bodyCaps[] = {16, 300, 4096, 256 * 1024};
    const std::size_t maxBody = bodyCaps[data[0] % 4];
    const std::size_t piece = data[1];
    const std::string_view stream(reinterpret_cast<const char*>(data + 2), size - 2);

    const HttpReplyReader whole = read(stream, maxBody, 0);
    const HttpReplyReader pieces = read(stream, maxBody, piece);
    FUZZ_CHECK(whole.state() != HttpReplyReader::State::Incomplete);
    FUZZ_CHECK(whole.state() == pieces.state());
    if (whole.state() == HttpReplyReader::State::Complete) {
        FUZZ_CHECK(whole.status() == pieces.status());
        FUZZ_CHECK(whole.body() == pieces.body());
        FUZZ_CHECK(whole.body().size() <= maxBody);
    }
    return 0;
}
