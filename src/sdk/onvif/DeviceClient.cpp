#include "sdk/onvif/DeviceClient.h"

#include "sdk/onvif/DeviceReplies.h"
#include "sdk/onvif/SoapXml.h"

namespace lorvena::onvif {

CallOutcome ClassifyAnswer(int httpStatus, std::string_view body)
{
    pugi::xml_document document;
    XmlVerdict verdict = ParseDeviceXml(body, document);
    pugi::xml_node soapBody = verdict == XmlVerdict::Parsed ? SoapBody(document) : pugi::xml_node();
    bool fault = soapBody && Child(soapBody, "Fault");
    if (fault) {
        // Parsing twice is cheap next to the network round trip and keeps
        // the fault rules in one place.
        return ClassifyFault(body) == FaultKind::NotAuthorized ? CallOutcome::Refused : CallOutcome::Fault;
    }
    if (httpStatus == 401 || httpStatus == 403)
        return CallOutcome::Refused;
    if (httpStatus < 200 || httpStatus > 299)
        return CallOutcome::Fault;
    return soapBody ? CallOutcome::Ok : CallOutcome::BadReply;
}

DeviceClient::DeviceClient(SoapEndpoint endpoint, RequestTimings timings, const std::atomic<bool>* cancel)
    : endpoint_(std::move(endpoint))
    , timings_(timings)
    , cancel_(cancel)
{
}

CallResult DeviceClient::call(DeviceAction action, std::string_view body)
{
    std::string element = body.empty() ? RequestBody(action) : std::string(body);
    std::optional<UsernameToken> token;
    if (credentials_)
        token = MakeUsernameToken(credentials_->userName, credentials_->password, credentials_->clockOffset);
    std::string envelope = Envelope(element, token ? &*token : nullptr);
    TransportResult transport = PostSoap(endpoint_, ActionUri(action), envelope, timings_, cancel_);

    CallResult result;
    switch (transport.outcome) {
    case TransportOutcome::Answered: break;
    case TransportOutcome::NotConnected: result.outcome = CallOutcome::Unreachable; return result;
    case TransportOutcome::NoAnswer: result.outcome = CallOutcome::NoAnswer; return result;
    case TransportOutcome::Cancelled: result.outcome = CallOutcome::Cancelled; return result;
    case TransportOutcome::BadHttp:
    case TransportOutcome::TooLarge: result.outcome = CallOutcome::BadReply; return result;
    }
    result.outcome = ClassifyAnswer(transport.status, transport.body);
    if (result.outcome == CallOutcome::Ok)
        result.body = std::move(transport.body);
    return result;
}

std::optional<std::chrono::seconds> DeviceClient::clockOffset(CallOutcome& outcome)
{
    std::optional<Credentials> saved = std::move(credentials_);
    credentials_.reset();
    auto before = std::chrono::system_clock::now();
    CallResult result = call(DeviceAction::GetSystemDateAndTime);
    auto after = std::chrono::system_clock::now();
    credentials_ = std::move(saved);
    outcome = result.outcome;
    if (result.outcome != CallOutcome::Ok)
        return std::nullopt;
    auto device = ParseSystemDateAndTime(result.body);
    if (!device) {
        outcome = CallOutcome::BadReply;
        return std::nullopt;
    }
    auto ours = before + (after - before) / 2;
    return std::chrono::round<std::chrono::seconds>(*device - ours);
}

} // namespace lorvena::onvif
