#include "devsim/CommandLine.h"

#include "devsim/Ipv4Text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace lorvena::devsim {

namespace {

template<typename Number>
bool parseNumber(const std::string& text, Number& value)
{
    auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    return status == std::errc() && end == text.data() + text.size();
}

bool parseSeconds(const std::string& text, std::chrono::milliseconds& value)
{
    char* end = nullptr;
    double seconds = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > 3600)
        return false;
    value = std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
    return true;
}

} // namespace

const char* CommandLine::usage()
{
    return "usage:\n"
           "  lorvena-devsim [--devices FILE]... [--onvif-devices FILE]...\n"
           "                 [--generate N --first-ip A.B.C.D]\n"
           "                 [--bind ADDRESS] [--port N] [--log FILE] [--upgrade-dir DIR]\n"
           "      simulate the devices; prints a line with \"ready\" once listening;\n"
           "      each firmware package a device receives is also written to DIR/<its address>\n"
           "  lorvena-devsim [--devices FILE]... [--onvif-devices FILE]...\n"
           "                 [--generate N --first-ip A.B.C.D] --print-addresses\n"
           "      print each device address once, one a line, and exit\n"
           "  lorvena-devsim --send-search old|basic|extended --from ADDRESS\n"
           "                 [--to ADDRESS] [--port N] [--wait SECONDS] [--expect N]\n"
           "      send one search from ADDRESS and print each datagram received:\n"
           "      <old|basic|extended|other> <source ip:port> <size> <ip in payload>\n"
           "  lorvena-devsim --send-modify old|basic|extended --from ADDRESS --current ADDRESS\n"
           "                 [--new-ip ADDRESS] [--mac TEXT] [--password TEXT]\n"
           "                 [--to ADDRESS] [--port N] [--wait SECONDS]\n"
           "      send one modify request (user admin) for the device at --current;\n"
           "      an extended one waits for the device's reply: \"status N\" or \"no reply\"\n"
           "Only ever run it inside a network namespace made for testing.\n";
}

ParsedCommandLine CommandLine::parse(const std::vector<std::string>& arguments)
{
    ParsedCommandLine result;
    DevsimCommand& command = result.command;
    bool haveFirstIp = false;
    bool haveFrom = false;
    auto fail = [&result](const std::string& message) {
        result.error = message;
        return result;
    };

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--help" || option == "-h") {
            command.mode = DevsimMode::Help;
            return result;
        }
        if (option == "--print-addresses") {
            command.mode = DevsimMode::PrintAddresses;
            continue;
        }
        if (i + 1 >= arguments.size())
            return fail(option + (option.starts_with("--") ? " needs a value" : ": unknown argument"));
        const std::string& value = arguments[++i];
        if (option == "--devices") {
            command.deviceFiles.push_back(value);
        } else if (option == "--onvif-devices") {
            command.onvifDeviceFiles.push_back(value);
        } else if (option == "--generate") {
            if (!parseNumber(value, command.generateCount) || command.generateCount == 0)
                return fail("--generate needs a positive count");
        } else if (option == "--first-ip") {
            std::optional<std::uint32_t> address = parseIpv4(value);
            if (!address)
                return fail("--first-ip needs an IPv4 address");
            command.firstIp = *address;
            haveFirstIp = true;
        } else if (option == "--bind") {
            if (!parseIpv4(value))
                return fail("--bind needs an IPv4 address");
            command.simulator.bindAddress = value;
        } else if (option == "--port") {
            if (!parseNumber(value, command.simulator.port))
                return fail("--port needs a number from 0 to 65535");
            command.probe.port = command.simulator.port;
        } else if (option == "--log") {
            command.simulator.logPath = value;
        } else if (option == "--upgrade-dir") {
            command.simulator.upgradeDirectory = value;
        } else if (option == "--send-search" || option == "--send-modify") {
            bool search = option == "--send-search";
            command.mode = search ? DevsimMode::SendSearch : DevsimMode::SendModify;
            Generation& generation = search ? command.probe.generation : command.modify.generation;
            if (value == "old")
                generation = Generation::Old;
            else if (value == "basic")
                generation = Generation::Basic;
            else if (value == "extended")
                generation = Generation::Extended;
            else
                return fail(option + " needs old, basic or extended");
        } else if (option == "--current" || option == "--new-ip") {
            if (!parseIpv4(value))
                return fail(option + " needs an IPv4 address");
            (option == "--current" ? command.modify.current : command.modify.newIp) = value;
        } else if (option == "--mac") {
            command.modify.macText = value;
        } else if (option == "--password") {
            command.modify.password = value;
        } else if (option == "--from" || option == "--to") {
            std::optional<std::uint32_t> address = parseIpv4(value);
            if (!address)
                return fail(option + " needs an IPv4 address");
            (option == "--from" ? command.probe.from : command.probe.to) = *address;
            haveFrom = haveFrom || option == "--from";
        } else if (option == "--wait") {
            if (!parseSeconds(value, command.probe.wait))
                return fail("--wait needs seconds from 0 to 3600");
        } else if (option == "--expect") {
            if (!parseNumber(value, command.probe.expect))
                return fail("--expect needs a count");
        } else {
            return fail("unknown option " + option);
        }
    }

    if (command.generateCount > 0 && !haveFirstIp)
        return fail("--generate needs --first-ip");
    if (command.mode == DevsimMode::SendSearch && !haveFrom)
        return fail("--send-search needs --from");
    if (command.mode == DevsimMode::SendModify && (!haveFrom || command.modify.current.empty()))
        return fail("--send-modify needs --from and --current");
    return result;
}

} // namespace lorvena::devsim
