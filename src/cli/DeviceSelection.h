#pragma once

#include "cli/CliArguments.h"
#include "discovery/DeviceTable.h"

#include <string>
#include <vector>

namespace lorvena {

// Which row of the list a command acts on, chosen by address (--device) or
// by MAC (--mac). Several devices can answer from one address (factory
// defaults all at 192.168.1.108): an address that lists more than one row
// never picks one silently.
struct RowChoice {
    enum class Verdict {
        Chosen,
        NotListed, // exit 3, as for a device that did not answer
        Refused,   // a usage error: `problem` says why and what to do
    };
    Verdict verdict = Verdict::NotListed;
    int row = -1;
    std::string problem;
};

enum class SelectionPurpose { Change, Upgrade };

RowChoice chooseRow(const DeviceTable& table, const DeviceChoice& choice, SelectionPurpose purpose, int searchMode);

// A batch's entries in order; the first that cannot be chosen decides.
struct RowChoices {
    RowChoice::Verdict verdict = RowChoice::Verdict::Chosen;
    std::vector<int> rows;
    std::string problem;
};
RowChoices chooseRows(const DeviceTable& table, const std::vector<DeviceChoice>& choices, int searchMode);

// "00:1a:2b:3c:4d:5e" from 12 hex digits.
std::string macWithColons(const std::string& digits);

} // namespace lorvena
