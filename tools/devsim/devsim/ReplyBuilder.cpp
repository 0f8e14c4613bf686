#include "devsim/ReplyBuilder.h"

#include "discovery/SearchPackets.h"
#include "discovery/WireBytes.h"
#include "platform/LocalAddresses.h"

#include <algorithm>

namespace lorvena::devsim {

namespace {

// Field positions and full field sizes, from the device's side.
namespace OldLayout {
constexpr std::size_t size = 280;
constexpr TextField kind {13, 10};
constexpr std::size_t mac = 23;
constexpr TextField mask {30, 30};
constexpr TextField ip {60, 30};
constexpr TextField name {90, 64};
constexpr std::size_t httpPort = 156;
constexpr std::size_t rtspPort = 160;
constexpr std::size_t channels = 164;
} // namespace OldLayout

namespace BasicLayout {
constexpr std::size_t size = 348;
constexpr TextField kind {13, 10};
constexpr std::size_t mac = 23;
constexpr TextField ip {30, 16};
constexpr TextField mask {46, 16};
constexpr TextField gateway {62, 16};
constexpr TextField dns {78, 16};
constexpr TextField name {94, 64};
constexpr TextField firmware {158, 66};
constexpr std::size_t typeCode = 224;
constexpr std::size_t httpPort = 228;
constexpr std::size_t rtspPort = 232;
constexpr std::size_t dhcp = 248;
constexpr std::size_t channels = 249;
} // namespace BasicLayout

namespace ExtendedLayout {
constexpr std::size_t size = 544;
constexpr std::size_t dhcp = 20;
constexpr TextField ip {24, 16};
constexpr TextField mask {40, 16};
constexpr TextField gateway {56, 16};
constexpr TextField dns {72, 16};
constexpr TextField macText {104, 40};
constexpr TextField name {144, 64};
constexpr std::size_t httpPort = 240;
constexpr std::size_t rtspPort = 244;
constexpr std::size_t channels = 296;
constexpr std::size_t typeCode = 300;
constexpr TextField kind {304, 80};
constexpr TextField firmware {384, 128};
} // namespace ExtendedLayout

std::string stored(const std::string& utf8, TextEncoding encoding)
{
    return toDeviceText(utf8, encoding);
}

} // namespace

ReplyBuilder::ReplyBuilder(const SimulatedDevice& device)
    : device_(device),
      kind_(stored(device.kind, device.encoding)),
      name_(stored(device.name, device.encoding)),
      firmware_(stored(device.firmware, device.encoding)),
      ip_(dottedAddress(device.ip)),
      mask_(stored(device.mask, device.encoding)),
      gateway_(stored(device.gateway, device.encoding)),
      dns_(stored(device.dns, device.encoding)),
      macText_(stored(device.macText, device.encoding))
{
}

std::vector<std::uint8_t> ReplyBuilder::build(Generation generation) const
{
    switch (generation) {
    case Generation::Old:
        return oldMode();
    case Generation::Basic:
        return basic();
    case Generation::Extended:
        return extended();
    }
    return {};
}

std::vector<std::uint8_t> ReplyBuilder::oldMode() const
{
    using namespace OldLayout;
    std::vector<std::uint8_t> reply(size, 0);
    DiscoveryHeader::write(reply, DiscoveryHeader::oldMagic, DiscoveryHeader::searchReply);
    writeText(reply, kind, kind_);
    std::copy(device_.mac.begin(), device_.mac.end(), reply.begin() + mac);
    writeText(reply, OldLayout::mask, mask_);
    writeText(reply, OldLayout::ip, ip_);
    writeText(reply, OldLayout::name, name_);
    writeBigEndian32(reply, httpPort, device_.httpPort);
    writeBigEndian32(reply, rtspPort, device_.rtspPort);
    reply[channels] = device_.channels;
    return reply;
}

std::vector<std::uint8_t> ReplyBuilder::basic() const
{
    using namespace BasicLayout;
    std::vector<std::uint8_t> reply(size, 0);
    DiscoveryHeader::write(reply, DiscoveryHeader::newMagic, DiscoveryHeader::searchReply);
    writeText(reply, kind, kind_);
    std::copy(device_.mac.begin(), device_.mac.end(), reply.begin() + mac);
    writeText(reply, BasicLayout::ip, ip_);
    writeText(reply, BasicLayout::mask, mask_);
    writeText(reply, BasicLayout::gateway, gateway_);
    writeText(reply, BasicLayout::dns, dns_);
    writeText(reply, BasicLayout::name, name_);
    writeText(reply, BasicLayout::firmware, firmware_);
    writeLittleEndian32(reply, typeCode, static_cast<std::uint32_t>(device_.typeCode));
    writeBigEndian32(reply, httpPort, device_.httpPort);
    writeBigEndian32(reply, rtspPort, device_.rtspPort);
    reply[BasicLayout::dhcp] = device_.dhcp ? 1 : 0;
    reply[channels] = device_.channels;
    return reply;
}

std::vector<std::uint8_t> ReplyBuilder::extended() const
{
    using namespace ExtendedLayout;
    std::vector<std::uint8_t> reply(size, 0);
    DiscoveryHeader::write(reply, DiscoveryHeader::newMagic, DiscoveryHeader::extendedSearchReply);
    reply[ExtendedLayout::dhcp] = device_.dhcp ? 1 : 0;
    writeText(reply, ExtendedLayout::ip, ip_);
    writeText(reply, ExtendedLayout::mask, mask_);
    writeText(reply, ExtendedLayout::gateway, gateway_);
    writeText(reply, ExtendedLayout::dns, dns_);
    writeText(reply, ExtendedLayout::macText, macText_);
    writeText(reply, ExtendedLayout::name, name_);
    writeBigEndian32(reply, httpPort, device_.httpPort);
    writeBigEndian32(reply, rtspPort, device_.rtspPort);
    reply[channels] = device_.channels;
    writeLittleEndian32(reply, typeCode, static_cast<std::uint32_t>(device_.typeCode));
    writeText(reply, ExtendedLayout::kind, kind_);
    writeText(reply, ExtendedLayout::firmware, firmware_);
    return reply;
}

} // namespace lorvena::devsim
