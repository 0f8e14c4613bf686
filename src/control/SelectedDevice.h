#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lorvena {

// The texts of the last clicked row that the change and upgrade paths read.
struct SelectedDevice {
    // The row's address; 0 until a row is clicked, which the Upgrade command
    // reads as "no device chosen".
    std::uint32_t address = 0;
    std::string ipText = "172.18.194.26";
    std::string httpPortText = "80";
    std::string macText;
    std::string kindText = "IPCAMERA";
    std::string typeText = "300";
    std::string firmwareText;
};

// One device of a batch change, picked by Ctrl+click.
struct BatchEntry {
    std::string ip;
    std::string mask;
    std::string gateway;
    std::string dns;
    std::string mac;
    std::string kind;
    std::int32_t typeCode = 0;
    std::int32_t httpPort = 0;
    std::int32_t rtspPort = 0;
    std::int32_t dhcp = 0;
    // Which table row it came from, so the list can keep showing it marked.
    std::uint64_t rowId = 0;
};

// "a.b.c.d" to a 32-bit address: each dot-separated part read as a decimal
// integer (leading digits) and cut to its low 8 bits; missing parts are 0.
std::uint32_t dottedToAddress(std::string_view text);

} // namespace lorvena
