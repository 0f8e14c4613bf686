#include "net/Base64.h"
#include "net/CHttpRequest.h"
#include "net/Fetch.h"
#include "platform/DebugTrace.h"
#include "upgrade/ProgressFigure.h"
#include "upgrade/UpgradeCancel.h"
#include "upgrade/UploadHost.h"
#include "upgrade/UploadRoutines.h"

#include <string>

namespace lorvena {

namespace {

constexpr int completeValue = 100;

std::string progressUrl(const UpgradeTarget& target, const std::string& user)
{
    return "http://" + target.ipText + ":" + target.httpPortText + "/vb.htm?setuser=" + user + "&upgradeprocess";
}

} // namespace

bool PollUpgradeProgress(UploadHost& host, const UpgradeTimings& timings)
{
    using Clock = std::chrono::steady_clock;
    const std::string user = host.userName();
    const std::string url = progressUrl(host.target(), user);
    const std::string credential = Base64Encode(user + ":" + host.password());
    CHttpRequest http(timings.http);
    UpgradeCancel& cancel = host.cancel();

    int shown = 0;
    Clock::time_point lastMove = Clock::now();
    for (;;) {
        if (!cancel.keepRunning())
            return false;
        std::string request, header, body;
        if (Fetch(http, url, credential, request, header, body) == 1 && header.find("200 OK") != std::string::npos) {
            const int figure = deviceProgressFigure(body);
            debugTrace("UPGRADE:" + std::to_string(figure) + "\r\n");
            const int value = mappedProgress(figure);
            host.showProgress(value);
            if (value != shown) {
                shown = value;
                lastMove = Clock::now();
            }
        }
        const bool slept = cancel.sleepFor(timings.pollInterval);
        if (shown == completeValue)
            return true;
        if (!slept)
            return false;
        // A device that died while writing its flash, or that reports a
        // figure past 101 for good, would otherwise keep us asking forever.
        if (Clock::now() - lastMove >= timings.pollLimit)
            return false;
    }
}

} // namespace lorvena
