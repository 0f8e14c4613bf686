#pragma once

#include "upgrade/EchoProbe.h"
#include "upgrade/UpgradeCancel.h"
#include "upgrade/UploadHost.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lorvena::testing_support {

// The upgrade panel as the worker sees it: fixed inputs, recorded outputs.
// Everything runs on the test's own thread.
class FakeUploadHost final : public UploadHost {
public:
    std::string uploadPath() override { return path; }
    UpgradeTarget target() override { return where; }
    std::string userName() override { return user; }
    std::string password() override { return secret; }
    void markRunning() override { ++markRunningCalls; }
    void showProgress(int value) override
    {
        shown.push_back(value);
        if (onProgress)
            onProgress(value);
    }
    UpgradeCancel& cancel() override { return *cancelToken; }

    std::string path;
    UpgradeTarget where {"127.0.0.1", "80", "0"};
    std::string user = "admin";
    std::string secret = "secret";
    std::function<void(int)> onProgress;

    std::vector<int> shown;
    int markRunningCalls = 0;
    // Behind a pointer so that a table of cases can start each one afresh
    // with `host = {}`.
    std::unique_ptr<UpgradeCancel> cancelToken = std::make_unique<UpgradeCancel>();
};

// A device whose echo answers are scripted: the first look's, then one per
// later look, the last repeated once the script runs out.
class ScriptedEchoProbe final : public EchoProbe {
public:
    ScriptedEchoProbe(EchoAnswer first, std::vector<EchoAnswer> next) : first_(first), next_(std::move(next)) {}

    EchoAnswer firstLook(const std::string& target, std::chrono::milliseconds timeout) override
    {
        ++firstLooks;
        targets.push_back(target);
        timeouts.push_back(timeout);
        return first_;
    }
    EchoAnswer nextLook(const std::string& target, std::chrono::milliseconds timeout) override
    {
        targets.push_back(target);
        timeouts.push_back(timeout);
        const std::size_t index = nextLooks++;
        if (next_.empty())
            return EchoAnswer::Silent;
        return index < next_.size() ? next_[index] : next_.back();
    }

    int firstLooks = 0;
    std::size_t nextLooks = 0;
    std::vector<std::string> targets;
    std::vector<std::chrono::milliseconds> timeouts;

private:
    EchoAnswer first_;
    std::vector<EchoAnswer> next_;
};

} // namespace lorvena::testing_support
