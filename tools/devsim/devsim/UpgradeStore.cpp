#include "devsim/UpgradeStore.h"

#include <algorithm>

namespace lorvena::devsim {

namespace {

// Where a device that never finishes stops counting.
constexpr int stuckFigure = 60;

} // namespace

UpgradeStore::UpgradeStore(std::size_t deviceCount) : entries_(deviceCount) {}

void UpgradeStore::beginUpload(std::size_t device, std::uint32_t announcedLength)
{
    std::lock_guard lock(mutex_);
    Entry& entry = entries_.at(device);
    UpgradeRecord& record = entry.upload;
    record = UpgradeRecord {record.uploads + 1, {}, announcedLength, std::nullopt, 0, {}, false};
    entry.completedAt.reset();
    ++totals_.uploads;
}

void UpgradeStore::appendUpload(std::size_t device, std::string_view bytes, std::uint64_t packageBytes)
{
    std::lock_guard lock(mutex_);
    UpgradeRecord& record = entries_.at(device).upload;
    record.stream.append(bytes);
    record.packageBytes = packageBytes;
}

void UpgradeStore::setSizeField(std::size_t device, std::uint32_t value)
{
    std::lock_guard lock(mutex_);
    entries_.at(device).upload.sizeField = value;
}

void UpgradeStore::endUpload(std::size_t device, const std::string& outcome, bool complete, Clock::time_point when)
{
    std::lock_guard lock(mutex_);
    Entry& entry = entries_.at(device);
    entry.upload.outcome = outcome;
    entry.upload.complete = complete;
    if (complete)
        entry.completedAt = when;
    ++totals_.uploadsEnded;
}

int UpgradeStore::progressFigure(std::size_t device, const UpgradeBehaviour& behaviour, Clock::time_point now) const
{
    std::optional<Clock::time_point> completedAt;
    {
        std::lock_guard lock(mutex_);
        completedAt = entries_.at(device).completedAt;
    }
    if (!completedAt)
        return 0;
    int figure = 100;
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - *completedAt);
    if (behaviour.progress.count() > 0 && elapsed < behaviour.progress)
        figure = static_cast<int>(elapsed.count() * 100 / behaviour.progress.count());
    if (behaviour.hostile == UpgradeHostility::Never100)
        figure = std::min(figure, stuckFigure);
    return std::max(figure, 0);
}

void UpgradeStore::recordLogin(std::size_t device, bool accepted)
{
    std::lock_guard lock(mutex_);
    VideoServerRecord& record = entries_.at(device).videoServer;
    ++(accepted ? record.logins : record.refusedLogins);
    ++totals_.logins;
}

void UpgradeStore::beginUpdate(std::size_t device, std::uint64_t size)
{
    std::lock_guard lock(mutex_);
    VideoServerRecord& record = entries_.at(device).videoServer;
    ++record.updates;
    record.announcedSize = size;
    record.package.clear();
    record.outcome.clear();
}

void UpgradeStore::appendUpdate(std::size_t device, std::string_view bytes)
{
    std::lock_guard lock(mutex_);
    entries_.at(device).videoServer.package.append(bytes);
}

void UpgradeStore::endUpdate(std::size_t device, bool ok)
{
    std::lock_guard lock(mutex_);
    entries_.at(device).videoServer.outcome = ok ? "ok" : "error";
    ++totals_.updatesEnded;
}

UpgradeStore::Totals UpgradeStore::totals() const
{
    std::lock_guard lock(mutex_);
    return totals_;
}

UpgradeRecord UpgradeStore::upload(std::size_t device) const
{
    std::lock_guard lock(mutex_);
    return entries_.at(device).upload;
}

VideoServerRecord UpgradeStore::videoServer(std::size_t device) const
{
    std::lock_guard lock(mutex_);
    return entries_.at(device).videoServer;
}

} // namespace lorvena::devsim
