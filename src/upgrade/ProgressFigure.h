#pragma once

#include <string_view>

namespace lorvena {

// The device's own figure in an answer to the progress query: the number
// after the first "process=", up to "<br>", a line feed or the end, read as
// a decimal and truncated toward zero; 0 when there is none.
int deviceProgressFigure(std::string_view body);

// The device's figure on the second half of the bar: x / 2 + 50.
inline int mappedProgress(int figure) { return figure / 2 + 50; }

} // namespace lorvena
