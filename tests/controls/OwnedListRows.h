#pragma once

// The rows a list shows, kept by their owner as the window's controller
// keeps its table: the list reads a cell when it draws it.

#include "controls/CSortListCtrl.h"

#include <string>
#include <vector>

namespace lorvena::testing_support {

class OwnedListRows {
public:
    explicit OwnedListRows(CSortListCtrl& list) : list_(list)
    {
        list_.setCellReader(
            [this](std::size_t row, int column) -> const std::string& { return texts.at(row).at(column); });
    }

    // A new row at the bottom, shown at once or queued.
    void add(std::vector<std::string> row)
    {
        texts.push_back(std::move(row));
        list_.addRow();
    }
    void queue(std::vector<std::string> row)
    {
        texts.push_back(std::move(row));
        list_.queueRow();
    }
    void clear()
    {
        texts.clear();
        list_.clearRows();
    }

    std::vector<std::vector<std::string>> texts;

private:
    CSortListCtrl& list_;
};

} // namespace lorvena::testing_support
