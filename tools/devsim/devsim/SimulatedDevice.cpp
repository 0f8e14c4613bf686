#include "devsim/SimulatedDevice.h"

#include "platform/TextCodec.h"

namespace lorvena::devsim {

const char* generationName(Generation generation)
{
    switch (generation) {
    case Generation::Old:
        return "old";
    case Generation::Basic:
        return "basic";
    case Generation::Extended:
        return "extended";
    }
    return "?";
}

std::string toDeviceText(std::string_view utf8, TextEncoding encoding)
{
    return encoding == TextEncoding::Windows1250 ? utf8ToDeviceText(utf8) : std::string(utf8);
}

std::string credentialText(std::string_view utf8)
{
    return utf8ToDeviceText(utf8);
}

std::string fromDeviceText(std::string_view bytes, TextEncoding encoding)
{
    return encoding == TextEncoding::Windows1250 ? deviceTextToUtf8(bytes) : std::string(bytes);
}

} // namespace lorvena::devsim
