#include "cli/ProgressOutput.h"

#include <algorithm>
#include <string>

namespace lorvena {

namespace {
constexpr int barWidth = 40;
}

void ProgressOutput::show(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (terminal_) {
        int filled = percent * barWidth / 100;
        out_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
             << std::string(static_cast<std::size_t>(barWidth - filled), ' ') << "] " << percent << "%" << std::flush;
        drawing_ = true;
        return;
    }
    int tenth = percent / 10;
    if (tenth == lastTenth_)
        return;
    lastTenth_ = tenth;
    out_ << "upgrade " << tenth * 10 << "%\n" << std::flush;
}

void ProgressOutput::finish()
{
    if (drawing_)
        out_ << '\n' << std::flush;
    drawing_ = false;
    lastTenth_ = -1;
}

} // namespace lorvena
