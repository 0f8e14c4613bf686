#pragma once

#include "discovery/DeviceRecord.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace lorvena {

// When a newly found device counts as one already listed. All comparisons are
// exact comparisons of complete texts, as shown.
enum class DuplicateRule {
    SameIp,             // old-mode replies
    SameMacOrIp,        // basic replies and ONVIF records
    SameMacAndIpInOneRow, // extended replies
};

// The device list's content: rows in arrival order, appended one at a time
// and cleared all at once. Sorting rewrites the numbers to 1..n; a device
// seen again after a change has its row updated in place.
class DeviceTable {
public:
    explicit DeviceTable(TableLayout layout) : layout_(layout) {}
    // The duplicate index points at the rows: a table may move, whose rows
    // stay where they are, but a copy would point at another table's rows.
    DeviceTable(const DeviceTable&) = delete;
    DeviceTable& operator=(const DeviceTable&) = delete;
    DeviceTable(DeviceTable&&) = default;
    DeviceTable& operator=(DeviceTable&&) = default;

    TableLayout layout() const { return layout_; }
    std::size_t rowCount() const { return rows_.size(); }
    std::size_t columnCount() const { return columnsOf(layout_).size(); }
    const DeviceRecord& row(std::size_t index) const { return rows_.at(index); }
    // An identity that stays with a row when sorting moves it.
    std::uint64_t rowId(std::size_t index) const { return ids_.at(index); }
    // The display position of the row with `id`, if it is still listed.
    std::optional<std::size_t> indexOf(std::uint64_t id) const;
    // The text of one cell of the active layout.
    const std::string& text(std::size_t row, int column) const;

    void clear()
    {
        rows_.clear();
        ids_.clear();
        checks_.clear();
        rowsAtIps_.clear();
        macs_.clear();
        hidden_.clear();
    }
    // Adds the record at the end and returns its index. The caller has set
    // its number to rowCount() + 1.
    std::size_t append(DeviceRecord record);
    // Replaces the row's cells (its number stays) and what the duplicate
    // rules compare: its former address or MAC no longer counts as listed
    // unless another row shows it.
    void update(std::size_t index, DeviceRecord record);
    // The mark of a row whose device was looked for after a change, with
    // what the mark explains (a tooltip).
    struct Check {
        RowCheck state = RowCheck::None;
        std::string note;
    };
    const Check& check(std::size_t index) const { return checks_.at(index); }
    void setCheck(std::size_t index, Check check) { checks_.at(index) = std::move(check); }

    bool isDuplicate(DuplicateRule rule, std::string_view mac, std::string_view ip) const;

    // A reply the duplicate rules kept off the list. When it came from
    // another device (another MAC) at an address a row shows, that device
    // is remembered: several factory-default cameras at one address list as
    // one row, and a request named by that address would reach them all.
    void noteHidden(const DeviceRecord& record);
    // Whether noteHidden would remember a reply with these texts: most
    // replies kept off the list are a listed device's repeats, which need
    // no record made.
    bool remembersHidden(std::string_view mac, std::string_view ip) const;
    // The devices remembered so at `ip`, in the order they answered.
    std::vector<DeviceRecord> hiddenAt(std::string_view ip) const;
    // Every device remembered so, wherever it is.
    const std::vector<DeviceRecord>& hidden() const { return hidden_; }
    // More than one row shows `ip`, or a device was kept off the list there:
    // only then can devices at `ip` be in conflict (a cheap test for each
    // reply of a burst).
    bool addressShared(std::string_view ip) const;

    // Reorders the rows by the texts of one column and renumbers them 1..n.
    // `less` compares two cell texts.
    template<typename Less>
    void sortByColumn(int column, Less less);
    // The same with each cell's key made once, by `keyOf(text)`, instead of
    // at every comparison: ten thousand rows take over a hundred thousand
    // comparisons. `less` compares two keys. Rows with equal keys keep
    // their order.
    template<typename KeyOf, typename Less>
    void sortByColumnKeys(int column, KeyOf keyOf, Less less);

private:
    void reorder(const std::vector<std::size_t>& order);

    // `record` is a row of rows_.
    void index(const DeviceRecord& record);
    void unindex(const DeviceRecord& record);
    const std::vector<const DeviceRecord*>* rowsAt(std::string_view ip) const;

    TableLayout layout_;
    // A deque: a burst of thousands of rows is appended without moving the
    // rows already listed each time the storage grows.
    std::deque<DeviceRecord> rows_;
    std::vector<std::uint64_t> ids_;
    std::vector<Check> checks_;
    std::uint64_t nextId_ = 1;
    // What the duplicate rules compare, so that each reply of a burst of
    // thousands is checked against the few rows at its address rather than
    // against every row: the rows showing each IP text (usually one; they
    // stay in place as rows are appended, and sorting indexes them anew),
    // and how many rows show each MAC text. Looked up by a reply's texts as
    // they are, without a copy of each.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view> {}(text); }
    };
    std::unordered_map<std::string, std::vector<const DeviceRecord*>, TextHash, std::equal_to<>> rowsAtIps_;
    std::unordered_map<std::string, std::size_t, TextHash, std::equal_to<>> macs_;
    std::vector<DeviceRecord> hidden_;
};

template<typename Less>
void DeviceTable::sortByColumn(int column, Less less)
{
    DeviceField field = columnsOf(layout_)[static_cast<std::size_t>(column)].field;
    std::vector<std::size_t> order(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
        [&](std::size_t a, std::size_t b) { return less(rows_[a].field(field), rows_[b].field(field)); });
    reorder(order);
}

template<typename KeyOf, typename Less>
void DeviceTable::sortByColumnKeys(int column, KeyOf keyOf, Less less)
{
    DeviceField field = columnsOf(layout_)[static_cast<std::size_t>(column)].field;
    using Key = std::invoke_result_t<KeyOf&, const std::string&>;
    std::vector<std::pair<Key, std::size_t>> keyed;
    keyed.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i)
        keyed.emplace_back(keyOf(rows_[i].field(field)), i);
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) { return less(a.first, b.first); });
    std::vector<std::size_t> order;
    order.reserve(keyed.size());
    for (const auto& entry : keyed)
        order.push_back(entry.second);
    reorder(order);
}

} // namespace lorvena
