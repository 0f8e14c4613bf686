#include "control/DeviceListSort.h"

#include "platform/TextNumbers.h"

#include <cstring>
#include <string>

namespace lorvena {

namespace {

using Position = long long;

std::string_view substring(std::string_view text, Position from, Position count)
{
    if (from < 0)
        from = 0;
    if (count < 0)
        count = 0;
    auto size = static_cast<Position>(text.size());
    if (from > size)
        return {};
    return text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(std::min(count, size - from)));
}

Position findDot(std::string_view text, Position from)
{
    if (from < 0 || from > static_cast<Position>(text.size()))
        return -1;
    std::size_t found = text.find('.', static_cast<std::size_t>(from));
    return found == std::string_view::npos ? -1 : static_cast<Position>(found);
}

std::uint32_t lowByte(std::string_view part)
{
    return static_cast<std::uint32_t>(leadingInteger(part)) & 0xFFu;
}

int compareText(std::string_view a, std::string_view b)
{
    // strcoll needs terminated texts; the cells are short.
    return std::strcoll(std::string(a).c_str(), std::string(b).c_str());
}

} // namespace

std::uint32_t dottedValue(std::string_view text)
{
    auto length = static_cast<Position>(text.size());
    Position p1 = findDot(text, 0);
    std::string_view o1 = substring(text, 0, p1);
    Position start = p1 + 1;
    Position p2 = findDot(text, start);
    std::string_view o2 = substring(text, start, p2 - start);
    start = p2 + 1;
    Position p3 = findDot(text, start);
    std::string_view o3 = substring(text, start, p3 - start);
    std::string_view o4 = substring(text, p3 + 1, length - p3 - 1);
    return (lowByte(o1) << 24) | (lowByte(o2) << 16) | (lowByte(o3) << 8) | lowByte(o4);
}

bool DeviceListSort::clickHeader(int column)
{
    if (column == 0)
        return false;
    ascending_ = column != column_ ? true : !ascending_;
    column_ = column;
    return true;
}

bool DeviceListSort::before(std::string_view a, std::string_view b) const
{
    if (column_ == 3 || column_ == 4) {
        std::uint32_t keyA = dottedValue(a);
        std::uint32_t keyB = dottedValue(b);
        return ascending_ ? keyA < keyB : keyA > keyB;
    }
    int order = compareText(a, b);
    return ascending_ ? order < 0 : order > 0;
}

DeviceListSort::Key DeviceListSort::keyOf(std::string_view text) const
{
    Key key;
    if (column_ == 3 || column_ == 4) {
        key.dotted = dottedValue(text);
        return key;
    }
    // As compareText: the text up to its first NUL.
    const std::string terminated(text);
    const std::size_t length = std::strxfrm(nullptr, terminated.c_str(), 0);
    key.collated.resize(length + 1);
    std::strxfrm(key.collated.data(), terminated.c_str(), length + 1);
    key.collated.resize(length);
    return key;
}

bool DeviceListSort::before(const Key& a, const Key& b) const
{
    if (column_ == 3 || column_ == 4)
        return ascending_ ? a.dotted < b.dotted : a.dotted > b.dotted;
    int order = a.collated.compare(b.collated);
    return ascending_ ? order < 0 : order > 0;
}

} // namespace lorvena
