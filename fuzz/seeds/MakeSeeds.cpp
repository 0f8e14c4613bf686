// Writes the seed corpora of the fuzz targets: real inputs as the tool and
// the simulator build them, plus a few device-written variants copied from
// the readers' tests. The committed files under fuzz/corpus/ came from this
// program; run it again after a wire format changes:
//   lorvena-fuzz-seeds fuzz/corpus
#include "config/ModifyRequests.h"
#include "devsim/HttpResponder.h"
#include "devsim/ModifyRequest.h"
#include "devsim/ReplyBuilder.h"
#include "devsim/UpgradeReceiver.h"
#include "devsim/VideoServerWire.h"
#include "discovery/SearchPackets.h"
#include "net/Base64.h"
#include "net/HttpRequestText.h"
#include "onvif/DeviceService.h"
#include "onvif/ProbeAnswer.h"
#include "sdk/onvif/DeviceRecordFields.h"
#include "sdk/onvif/DeviceRequests.h"
#include "sdk/onvif/UsernameToken.h"
#include "sdk/onvif/WsDiscoveryMessages.h"
#include "upgrade/UploadWire.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

using namespace lorvena;
namespace sim = lorvena::devsim;
namespace simonvif = lorvena::devsim::onvif;

namespace {

std::filesystem::path root;

void seed(const std::string& target, const std::string& name, std::string_view bytes)
{
    const std::filesystem::path folder = root / target;
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

template<typename Bytes>
std::string text(const Bytes& bytes)
{
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string bytePrefix(int a, int b)
{
    return std::string {static_cast<char>(a), static_cast<char>(b)};
}

sim::SimulatedDevice camera()
{
    sim::SimulatedDevice device;
    device.kind = "IPCAMERA";
    device.name = "Kamera wejście";
    device.firmware = "V5.2.1+2.1.0.7";
    device.ip = 0x0A000007;
    device.gateway = "10.0.0.1";
    device.dns = "10.0.0.1";
    device.mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    device.macText = "00:1A:2B:3C:4D:5E";
    device.channels = 1;
    device.typeCode = 300;
    device.password = "admin";
    return device;
}

sim::SimulatedDevice recorder()
{
    sim::SimulatedDevice device = camera();
    device.kind = "NVR";
    device.name = std::string(63, 'N'); // a full field: no terminating NUL
    device.encoding = sim::TextEncoding::Windows1250;
    device.ip = 0xC0A80140;
    device.dhcp = true;
    device.channels = 16;
    device.httpPort = 8080;
    return device;
}

void searchReplies()
{
    int index = 0;
    for (const sim::SimulatedDevice& device : {camera(), recorder()}) {
        const sim::ReplyBuilder builder(device);
        for (sim::Generation generation : {sim::Generation::Old, sim::Generation::Basic, sim::Generation::Extended}) {
            const std::string reply = text(builder.build(generation));
            const char kind = static_cast<char>(generation);
            seed("SearchReplyFuzzer", std::string(sim::generationName(generation)) + "-" + std::to_string(index),
                std::string(1, kind) + reply);
            if (index == 0)
                seed("SearchReplyFuzzer", std::string(sim::generationName(generation)) + "-short",
                    std::string(1, kind) + reply.substr(0, sim::defaultShortLength));
        }
        ++index;
    }
}

void onvifRecords()
{
    onvif::DiscoveredDevice device;
    device.address = 0x0A000009;
    device.port = 8000;
    device.typeCode = 901;
    device.name = "Wejście główne";
    device.mac = "024F4E000001";
    device.mask = "255.255.255.0";
    device.gateway = "10.0.0.1";
    device.dns = "10.0.0.1";
    OnvifDeviceRecord record = onvif::MakeDeviceRecord(device);
    seed("OnvifRecordFuzzer", "camera", std::string_view(reinterpret_cast<const char*>(&record), sizeof record));
    device = {};
    device.address = 0xC0A80140;
    device.dhcp = true;
    record = onvif::MakeDeviceRecord(device);
    seed("OnvifRecordFuzzer", "bare", std::string_view(reinterpret_cast<const char*>(&record), sizeof record));
}

void modifyReplies()
{
    seed("ExtendedModifyReplyFuzzer", "accepted", text(sim::ModifyRequestCodec::reply(0, "10.0.0.7", "00:1A:2B:3C:4D:5E")));
    seed("ExtendedModifyReplyFuzzer", "wrong-password",
        text(sim::ModifyRequestCodec::reply(16, "10.0.0.7", "00:1A:2B:3C:4D:5E")));
    seed("ExtendedModifyReplyFuzzer", "refused", text(sim::ModifyRequestCodec::reply(1, "10.0.0.7", "")));
}

std::string requestHead(const std::string& url, const std::string& authorization)
{
    return BuildRequestText(ParseUrl(url), nullptr, nullptr, 0, authorization).value_or("");
}

const std::string probeUrl = "http://10.0.0.7:80/vb.htm?paratest=authority";
const std::string progressUrl = "http://10.0.0.7:80/vb.htm?setuser=admin&upgradeprocess";

void httpResponses()
{
    const sim::SimulatedDevice device = camera();
    const std::string good = Base64Encode("admin:admin");
    const std::string accepted = sim::HttpResponder::answer(requestHead(probeUrl, good), device).bytes;
    const std::string refused = sim::HttpResponder::answer(requestHead(probeUrl, Base64Encode("admin:x")), device).bytes;
    const std::string progress = sim::HttpResponder::answer(requestHead(progressUrl, good), device, 42).bytes;
    const std::string done = sim::HttpResponder::answer(requestHead(progressUrl, good), device, 100).bytes;
    seed("HttpResponseFuzzer", "probe-accepted", bytePrefix(255, 255) + accepted);
    seed("HttpResponseFuzzer", "probe-refused", bytePrefix(255, 255) + refused);
    seed("HttpResponseFuzzer", "progress", bytePrefix(255, 255) + progress);
    seed("HttpResponseFuzzer", "progress-small-caps", bytePrefix(40, 8) + progress);
    seed("HttpResponseFuzzer", "bare-lf", bytePrefix(255, 255) + std::string("HTTP/1.0 200 OK\nServer: x\n\nprocess=7\n"));

    for (const auto& [name, response] : {std::pair {"42", progress}, std::pair {"100", done}}) {
        const std::size_t end = response.find("\r\n\r\n");
        seed("ProgressFigureFuzzer", name, response.substr(end == std::string::npos ? 0 : end + 4));
    }
    seed("ProgressFigureFuzzer", "fraction", "process=57.9<br>\n");

    seed("UrlFuzzer", "probe", probeUrl);
    seed("UrlFuzzer", "progress", progressUrl);
    seed("UrlFuzzer", "onvif", "HTTP://10.0.0.9:8000/onvif/device_service");
    seed("UrlFuzzer", "no-scheme", "10.0.0.7/vb.htm?getserialnum=");
}

void upgradeTexts()
{
    seed("UpgradeFinalReplyFuzzer", "accepted", sim::UpgradeReceiver::bytesOf({sim::FinalReplyKind::Code, 0}));
    seed("UpgradeFinalReplyFuzzer", "refused", sim::UpgradeReceiver::bytesOf({sim::FinalReplyKind::Code, -3}));
    seed("UpgradeFinalReplyFuzzer", "no-at", sim::UpgradeReceiver::bytesOf({sim::FinalReplyKind::NoAt, 0}));

    seed("PackageNameFuzzer", "windows", std::string("C:\\fw\\V5.2_2.1.0_IPC.bin") + '\0' + "V5.2.1+2.1.0.7");
    seed("PackageNameFuzzer", "posix", std::string("/home/jan/fw.v2/2.1_V5_NVR.pack") + '\0' + "V5.2.1");
    seed("PackageNameFuzzer", "plain", std::string("firmware.bin") + '\0' + "V1.0");

    seed("DottedAddressFuzzer", "addresses", std::string("192.168.1.10") + '\0' + "192.168.1.9");
    seed("DottedAddressFuzzer", "firmware", std::string("V5.2.1+2.1.0.7") + '\0' + "300.1.-2.9999999999");
    seed("DottedAddressFuzzer", "short", std::string("10.0") + '\0' + "10..1.");
}

void accountIni()
{
    seed("AccountIniFuzzer", "new-mode", "[SEARCHTYPE]\r\nTYPE=1\r\n");
    seed("AccountIniFuzzer", "old-mode", "[Other]\r\nTYPE=1\r\n\r\n[ searchtype ]\r\n; kept\r\nType = 0\r\n");
    seed("AccountIniFuzzer", "no-key", "[SEARCHTYPE]\nMODE=1\n[SEARCHTYPE]\nTYPE=+1x\n");
}

// Device-written answers, as in the readers' tests.
constexpr const char* cameraMatches = R"(<?xml version="1.0" encoding="UTF-8"?>
<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:dn="http://www.onvif.org/ver10/network/wsdl" xmlns:tds="http://www.onvif.org/ver10/device/wsdl">
<SOAP-ENV:Header><wsa:MessageID>uuid:1</wsa:MessageID><wsa:RelatesTo>urn:uuid:abc</wsa:RelatesTo>
<wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</wsa:Action></SOAP-ENV:Header>
<SOAP-ENV:Body><d:ProbeMatches><d:ProbeMatch>
<wsa:EndpointReference><wsa:Address>urn:uuid:2419d68a-2dd2-21b2-a205-ec2fa5d1a1f0</wsa:Address></wsa:EndpointReference>
<d:Types>dn:NetworkVideoTransmitter tds:Device</d:Types>
<d:Scopes>onvif://www.onvif.org/type/video_encoder onvif://www.onvif.org/hardware/IPC-2M onvif://www.onvif.org/name/Wej%C5%9Bcie%20g%C5%82%C3%B3wne onvif://www.onvif.org/location/country/poland</d:Scopes>
<d:XAddrs>http://[fe80::1]/onvif/device_service http://192.168.1.64/onvif/device_service</d:XAddrs>
<d:MetadataVersion>10</d:MetadataVersion></d:ProbeMatch></d:ProbeMatches></SOAP-ENV:Body></SOAP-ENV:Envelope>)";

constexpr const char* recorderMatches = R"(<Envelope xmlns="http://www.w3.org/2003/05/soap-envelope">
<Body><ProbeMatches xmlns="http://schemas.xmlsoap.org/ws/2005/04/discovery">
<ProbeMatch><EndpointReference xmlns="http://schemas.xmlsoap.org/ws/2004/08/addressing"><Address>urn:uuid:aaaa</Address></EndpointReference>
<Types xmlns:x="http://www.onvif.org/ver10/device/wsdl">x:Device</Types>
<Scopes>onvif://www.onvif.org/hardware/NVR-16</Scopes>
<XAddrs>http://10.0.0.9:8000/onvif/device_service</XAddrs></ProbeMatch>
<ProbeMatch><EndpointReference xmlns="http://schemas.xmlsoap.org/ws/2004/08/addressing"><Address>urn:uuid:bbbb</Address></EndpointReference>
<Types xmlns:y="http://www.onvif.org/ver10/network/wsdl">y:NetworkVideoStorage</Types>
<XAddrs>http://10.0.0.10/onvif/device_service</XAddrs></ProbeMatch>
</ProbeMatches></Body></Envelope>)";

constexpr const char* localClockOnly = R"(<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope"><s:Body>
<GetSystemDateAndTimeResponse xmlns="http://www.onvif.org/ver10/device/wsdl"><SystemDateAndTime>
<LocalDateTime xmlns="http://www.onvif.org/ver10/schema"><Date><Year>2031</Year><Month>12</Month><Day>31</Day></Date>
<Time><Hour>23</Hour><Minute>59</Minute><Second>59</Second></Time></LocalDateTime>
</SystemDateAndTime></GetSystemDateAndTimeResponse></s:Body></s:Envelope>)";

constexpr const char* soap11Fault = R"(<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/" xmlns:wsse="http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd"><SOAP-ENV:Body><SOAP-ENV:Fault>
<faultcode>wsse:FailedAuthentication</faultcode><faultstring>Authentication failed</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>)";

// 2026-01-01T00:00:00Z: the device clock of DevsimOnvifRequestFuzzer.
const std::chrono::system_clock::time_point seedClock {std::chrono::seconds {1767225600}};

onvif::UsernameToken seedToken()
{
    const std::string nonce = "0123456789abcdef";
    onvif::UsernameToken token;
    token.userName = "admin";
    token.nonceBase64 = Base64Encode(nonce);
    token.created = onvif::FormatUtc(seedClock);
    token.digest = onvif::PasswordDigest(nonce, token.created, "admin");
    return token;
}

std::string httpReply(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/soap+xml; charset=utf-8\r\nContent-Length: "
        + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

void onvifExchanges()
{
    simonvif::OnvifDeviceConfig config;
    config.address = "10.0.0.7";
    config.gateway = "10.0.0.1";
    config.dns = "10.0.0.1";
    config.name = "Wejście główne";
    simonvif::OnvifDeviceState state = simonvif::InitialState(config);

    for (onvif::ProbeType type : {onvif::ProbeType::VideoTransmitter, onvif::ProbeType::Device}) {
        const std::string probe = onvif::BuildProbe(type, "urn:uuid:5f0c2a8e-1c1e-4d2a-9a51-6f1c0e3b7d11");
        const char* name = type == onvif::ProbeType::Device ? "device" : "video-transmitter";
        seed("DevsimProbeFuzzer", name, probe);
        const auto request = simonvif::ParseProbe(probe);
        if (request)
            seed("ProbeMatchesFuzzer", std::string("devsim-") + name, simonvif::BuildProbeMatches(*request, config, state, 1));
    }
    seed("ProbeMatchesFuzzer", "camera", cameraMatches);
    seed("ProbeMatchesFuzzer", "recorder", recorderMatches);

    const onvif::UsernameToken token = seedToken();
    const struct {
        const char* name;
        onvif::DeviceAction action;
        std::string body;
    } requests[] = {
        {"clock", onvif::DeviceAction::GetSystemDateAndTime, onvif::RequestBody(onvif::DeviceAction::GetSystemDateAndTime)},
        {"information", onvif::DeviceAction::GetDeviceInformation, onvif::RequestBody(onvif::DeviceAction::GetDeviceInformation)},
        {"interfaces", onvif::DeviceAction::GetNetworkInterfaces, onvif::RequestBody(onvif::DeviceAction::GetNetworkInterfaces)},
        {"dns", onvif::DeviceAction::GetDNS, onvif::RequestBody(onvif::DeviceAction::GetDNS)},
        {"gateway", onvif::DeviceAction::GetNetworkDefaultGateway, onvif::RequestBody(onvif::DeviceAction::GetNetworkDefaultGateway)},
        {"set-interfaces", onvif::DeviceAction::SetNetworkInterfaces, onvif::SetNetworkInterfacesBody({"eth0", false, "10.0.0.8", 16})},
        {"set-gateway", onvif::DeviceAction::SetNetworkDefaultGateway, onvif::SetNetworkDefaultGatewayBody("10.0.0.254")},
        {"set-protocols", onvif::DeviceAction::SetNetworkProtocols, onvif::SetNetworkProtocolsBody(8080)},
        {"reboot", onvif::DeviceAction::SystemReboot, onvif::RequestBody(onvif::DeviceAction::SystemReboot)},
    };
    for (const auto& request : requests) {
        const std::string envelope = onvif::Envelope(request.body, &token);
        seed("DevsimOnvifRequestFuzzer", request.name, envelope);
        simonvif::OnvifDeviceState scratch = state;
        const simonvif::ServiceReply reply = simonvif::AnswerRequest(envelope, config, scratch, seedClock);
        seed("SoapReplyFuzzer", request.name, reply.body);
    }
    const simonvif::ServiceReply refused =
        simonvif::AnswerRequest(onvif::Envelope(onvif::RequestBody(onvif::DeviceAction::GetDNS), nullptr), config, state, seedClock);
    seed("SoapReplyFuzzer", "not-authorized", refused.body);
    seed("SoapReplyFuzzer", "local-clock-only", localClockOnly);
    seed("SoapReplyFuzzer", "soap11-fault", soap11Fault);

    simonvif::OnvifDeviceState scratch = state;
    const std::string interfaces = simonvif::AnswerRequest(
        onvif::Envelope(onvif::RequestBody(onvif::DeviceAction::GetNetworkInterfaces), &token), config, scratch, seedClock).body;
    std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (std::size_t at = 0; at < interfaces.size(); at += 500) {
        const std::string piece = interfaces.substr(at, 500);
        char size[16];
        std::snprintf(size, sizeof size, "%zx", piece.size());
        chunked += std::string(size) + ";ext=1\r\n" + piece + "\r\n";
    }
    chunked += "0\r\n\r\n";
    seed("OnvifHttpReplyFuzzer", "content-length", bytePrefix(3, 0) + httpReply(interfaces));
    seed("OnvifHttpReplyFuzzer", "chunked-pieces", bytePrefix(3, 7) + chunked);
    seed("OnvifHttpReplyFuzzer", "interim-then-close", bytePrefix(2, 13)
        + "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.0 400 Bad Request\nServer: x\n\n" + refused.body);
}

void devsimRequests()
{
    ModifyValues values;
    values.currentIpText = "10.0.0.7";
    values.newIp = 0x0A000008;
    values.mask = 0xFFFFFF00;
    values.gateway = 0x0A000001;
    values.dns = 0x0A000001;
    values.macText = "00:1A:2B:3C:4D:5E";
    values.httpPort = 80;
    values.rtspPort = 554;
    values.userName = "admin";
    values.password = "admin";
    seed("DevsimSearchRequestFuzzer", "old-search", text(buildOldModeSearchRequest(0x0A000001)));
    seed("DevsimSearchRequestFuzzer", "basic-search", text(buildBasicSearchRequest(0x0A000001)));
    seed("DevsimSearchRequestFuzzer", "extended-search", text(buildExtendedSearchRequest()));
    seed("DevsimSearchRequestFuzzer", "old-modify", text(buildOldModifyRequest(values)));
    seed("DevsimSearchRequestFuzzer", "basic-modify", text(buildBasicModifyRequest(values)));
    seed("DevsimSearchRequestFuzzer", "extended-modify", text(buildExtendedModifyRequest(values)));

    const std::string good = Base64Encode("admin:admin");
    seed("DevsimHttpRequestFuzzer", "probe", bytePrefix(0, 0) + requestHead(probeUrl, good));
    seed("DevsimHttpRequestFuzzer", "probe-pieces", bytePrefix(4, 5) + requestHead(probeUrl, Base64Encode("admin:x")));
    seed("DevsimHttpRequestFuzzer", "progress", bytePrefix(0, 0) + requestHead(progressUrl, good));
    const std::string package = "PACKAGE-BYTES";
    seed("DevsimHttpRequestFuzzer", "upload", bytePrefix(0, 0) + upgradeCommand(package.size()) + package);
    const auto size = upgradeSizeField(package.size());
    seed("DevsimHttpRequestFuzzer", "upload-sized", bytePrefix(8, 6) + upgradeCommand(package.size()) + text(size) + package);

    using sim::VideoFrame;
    using sim::VideoFrameType;
    const std::string login = VideoFrame::make(VideoFrameType::Login, sim::shortText("admin") + sim::shortText("admin"));
    const std::string info = VideoFrame::make(VideoFrameType::Info, "");
    const std::string update = VideoFrame::make(VideoFrameType::Update, sim::littleEndian(package.size(), 8));
    seed("DevsimVideoServerFuzzer", "login-info", bytePrefix(0, 0) + login + info);
    seed("DevsimVideoServerFuzzer", "update", bytePrefix(0, 3) + login + update + package + info);
    // What a video server answers the client: the same frames the other way.
    const std::string loginReply = VideoFrame::make(VideoFrameType::LoginReply, std::string(1, '\0'));
    const std::string infoReply = VideoFrame::make(VideoFrameType::InfoReply,
        sim::shortText("Serwer wideo") + sim::shortText("V2.3.1") + std::string(1, '\x04'));
    std::string progressFrames;
    for (int percent = 0; percent <= 100; percent += 50)
        progressFrames += VideoFrame::make(VideoFrameType::Progress, std::string(1, static_cast<char>(percent)));
    seed("VideoServerReplyFuzzer", "update-ok", loginReply + infoReply + progressFrames
        + VideoFrame::make(VideoFrameType::Result, sim::littleEndian(0, 4)));
    seed("VideoServerReplyFuzzer", "update-failed", loginReply + infoReply
        + VideoFrame::make(VideoFrameType::Result, sim::littleEndian(7, 4)));
    seed("VideoServerReplyFuzzer", "login-refused", VideoFrame::make(VideoFrameType::LoginReply, std::string(1, '\x01')));
    seed("DevsimVideoServerFuzzer", "refused", bytePrefix(1, 0) + VideoFrame::make(VideoFrameType::Login,
        sim::shortText("admin") + sim::shortText("wrong")));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: lorvena-fuzz-seeds CORPUS_DIR\n";
        return 2;
    }
    root = argv[1];
    searchReplies();
    onvifRecords();
    modifyReplies();
    httpResponses();
    upgradeTexts();
    accountIni();
    onvifExchanges();
    devsimRequests();
    return 0;
}
