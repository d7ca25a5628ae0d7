#include "common/quoted_text.hpp"

namespace kestrune {

std::string quotedText(std::string_view text, std::size_t shown) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string quoted = "\"";
    for (char c : text.substr(0, shown)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && byte != '\\') {
            quoted += c;
        } else if (byte == '\\') {
            quoted += "\\\\";
        } else {
            quoted += "\\x";
            quoted += kHex[byte >> 4];
            quoted += kHex[byte & 15];
        }
    }
    if (text.size() > shown) quoted += "...";
    return quoted + "\"";
}

}  // namespace kestrune
