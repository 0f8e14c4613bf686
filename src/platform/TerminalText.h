#pragma once

#include <string>
#include <string_view>

namespace lorvena {

// Device texts are whatever a device put in its reply. Written raw to a
// terminal, an escape sequence in a camera's name could set the window title,
// the colours or worse; written to a file, it surprises whatever reads it.

// `text` (UTF-8) with every C0 and C1 control character and DEL replaced by
// U+FFFD, so it prints as one visible mark per control.
std::string printableText(std::string_view text);

// JSON text from a serializer that escapes only what JSON requires: DEL, the
// C1 controls and U+2028/U+2029 inside strings are escaped as \uXXXX too, so
// the output is plain to a terminal and to JavaScript, and still decodes to
// exactly the same strings.
std::string escapeJsonControls(std::string_view json);

} // namespace lorvena
