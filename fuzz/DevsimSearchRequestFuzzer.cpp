// A datagram on the simulator's search port: the classifier, then for a
// modify request its reader and the checks the simulated device makes
// (password, new address, texts in the device's encoding).
#include "FuzzCheck.h"

#include "devsim/DevicePassword.h"
#include "devsim/Ipv4Text.h"
#include "devsim/ModifyRequest.h"
#include "devsim/RequestClassifier.h"

#include <cstddef>
#include <cstdint>

using namespace lorvena;
using namespace lorvena::devsim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ByteView datagram(data, size);
    const ReceivedRequest request = RequestClassifier::classify(datagram);
    (void)requestKindName(request.kind);
    if (searchGeneration(request.kind)) {
        (void)parseIpv4(request.addressText);
        return 0;
    }
    if (!modifyGeneration(request.kind)) {
        FUZZ_CHECK(request.addressText.empty());
        return 0;
    }
    const ModifyRequest modify = ModifyRequestCodec::read(request.kind, datagram);
    FUZZ_CHECK(modify.generation == *modifyGeneration(request.kind));
    FUZZ_CHECK(modify.currentAddress == request.addressText);
    (void)DevicePassword::matches(modify.password, "admin");
    (void)parseIpv4(modify.change.newAddress);
    for (const std::string* text : {&modify.change.mask, &modify.change.gateway, &modify.change.dns}) {
        (void)fromDeviceText(*text, TextEncoding::Utf8);
        (void)fromDeviceText(*text, TextEncoding::Windows1250);
    }
    if (modify.change.httpPort)
        FUZZ_CHECK(*modify.change.httpPort >= 1 && *modify.change.httpPort <= 65535);
    (void)ModifyRequestCodec::reply(0, modify.currentAddress, modify.macText);
    return 0;
}
