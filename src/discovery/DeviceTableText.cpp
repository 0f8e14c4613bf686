#include "discovery/DeviceTableText.h"

#include "platform/TerminalText.h"

namespace lorvena {

namespace {

// A spreadsheet runs a cell that starts with one of these as a formula, and
// anyone on the network can name a device "=HYPERLINK(...)". A leading
// apostrophe makes the program show the text as it is.
bool readAsFormula(std::string_view text)
{
    return !text.empty() && std::string_view("=+-@").find(text.front()) != std::string_view::npos;
}

std::string csvField(std::string_view cell)
{
    std::string text = printableText(cell);
    if (readAsFormula(text))
        text.insert(0, 1, '\'');
    if (text.find_first_of(",\"") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

} // namespace

std::string formatCsv(const DeviceTable& table)
{
    auto columns = columnsOf(table.layout());
    std::string out;
    auto line = [&](auto cellText) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c > 0)
                out += ',';
            out += csvField(cellText(c));
        }
        out += "\r\n";
    };
    line([&](std::size_t c) { return columns[c].title; });
    for (std::size_t r = 0; r < table.rowCount(); ++r)
        line([&](std::size_t c) { return std::string_view(table.text(r, static_cast<int>(c))); });
    return out;
}

std::string tabSeparatedRow(const DeviceTable& table, std::size_t row)
{
    std::string out;
    for (std::size_t c = 0; c < table.columnCount(); ++c) {
        if (c > 0)
            out += '\t';
        // Tabs and line ends inside a cell become visible marks, so the
        // pasted row keeps its columns.
        out += printableText(table.text(row, static_cast<int>(c)));
    }
    return out;
}

} // namespace lorvena
