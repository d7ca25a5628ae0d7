#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// A piece of a file as a message shows it: in double quotes, at most
// `shown` bytes of it followed by "..." when it is longer, and every byte
// that is not printable ASCII (a control character, a byte of another
// encoding) as \xNN, so a bad line never garbles the message.
std::string quotedText(std::string_view text, std::size_t shown = 40);

}  // namespace kestrune
