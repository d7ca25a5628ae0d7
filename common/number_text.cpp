#include "common/number_text.hpp"

#include <fast_float/fast_float.h>

#include <charconv>
#include <cmath>
#include <cstring>

namespace kestrune {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Lays out decimal digits d1 d2 ... dn with the decimal exponent of d1 as
// printf's %G would for a precision of `significantDigits`.
char* layOutDigits(char* out, bool negative, const char* digits, int count, int exponent, int significantDigits) {
    if (negative) *out++ = '-';
    if (exponent < -5 || exponent >= significantDigits) {
        *out++ = digits[0];
        if (count > 1) {
            *out++ = '.';
            std::memcpy(out, digits + 1, count - 1);
            out += count - 1;
        }
        *out++ = 'E';
        *out++ = exponent < 0 ? '-' : '+';
        int magnitude = std::abs(exponent);
        if (magnitude < 10) *out++ = '0';
        return std::to_chars(out, out + 4, magnitude).ptr;
    }
    if (exponent < 0) {
        *out++ = '0';
        *out++ = '.';
        for (int i = -1; i > exponent; --i) *out++ = '0';
        std::memcpy(out, digits, count);
        return out + count;
    }
    int integerDigits = exponent + 1;
    for (int i = 0; i < integerDigits; ++i) *out++ = i < count ? digits[i] : '0';
    if (count > integerDigits) {
        *out++ = '.';
        std::memcpy(out, digits + integerDigits, count - integerDigits);
        out += count - integerDigits;
    }
    return out;
}

// Splits scientific text "d.ddde+XX" into its digits (trailing zeros dropped)
// and its exponent.
int splitScientific(const char* begin, const char* end, char* digits, int* exponent) {
    int count = 0;
    const char* p = begin;
    for (; p != end && *p != 'e'; ++p) {
        if (*p != '.') digits[count++] = *p;
    }
    // The exponent: 'e', its sign, two or three digits.
    int magnitude = 0;
    for (const char* e = p + 2; e < end; ++e) magnitude = magnitude * 10 + (*e - '0');
    *exponent = p[1] == '-' ? -magnitude : magnitude;
    while (count > 1 && digits[count - 1] == '0') --count;
    return count;
}

// Values with at most three decimals below a billion, the bulk of every
// elevation file, written with integer arithmetic. When thousandths / 1000
// reads back as the value, that decimal (at most 12 digits) is also the
// value rounded to 15 digits. Returns nullptr for every other value.
char* formatThousandths(char* out, double value) {
    if (!(std::fabs(value) < 1e9)) return nullptr;
    const double scaled = std::nearbyint(value * 1000);
    if (scaled / 1000 != value) return nullptr;
    auto thousandths = static_cast<long long>(scaled);
    if (thousandths < 0) {
        *out++ = '-';
        thousandths = -thousandths;
    }
    out = std::to_chars(out, out + 16, thousandths / 1000).ptr;
    int fraction = static_cast<int>(thousandths % 1000);
    if (fraction) {
        const char digits[3] = {static_cast<char>('0' + fraction / 100), static_cast<char>('0' + fraction / 10 % 10),
                                static_cast<char>('0' + fraction % 10)};
        int count = digits[2] != '0' ? 3 : digits[1] != '0' ? 2 : 1;
        *out++ = '.';
        std::memcpy(out, digits, count);
        out += count;
    }
    return out;
}

}  // namespace

std::optional<double> parseNumber(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end && isBlank(*p)) ++p;
    while (end != p && isBlank(end[-1])) --end;
    if (p == end) return std::nullopt;
    // fast_float takes no leading plus, and reads "nan" and "inf": only a
    // digit or a point may follow the sign here.
    const char* numberStart = p;
    if (*p == '+')
        numberStart = ++p;
    else if (*p == '-')
        ++p;
    if (p == end || !(isDigit(*p) || *p == '.')) return std::nullopt;
    double value = 0;
    auto result = fast_float::from_chars(numberStart, end, value, fast_float::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

namespace {

// Rounds the shortest digits that read back as the value to
// `significantDigits` (at most 15), in place. No rounding boundary (the
// digits kept followed by a 5) can lie strictly between the value and those
// digits: it would be a text as short or shorter, closer to the value, that
// reads back too. So rounding the digits rounds the value, unless they end
// exactly on such a boundary, where only the exact value tells the way: then
// this returns false. Values from 1e308 up are left to the exact rounding,
// which keeps them readable.
bool roundShortestDigits(char* digits, int& count, int& exponent, int significantDigits) {
    if (significantDigits > 15 || exponent >= 308) return false;
    const char next = digits[significantDigits];
    if (next == '5' && count == significantDigits + 1) return false;
    count = significantDigits;
    if (next >= '5') {
        int last = count - 1;
        while (last >= 0 && digits[last] == '9') --last;
        if (last < 0) {
            digits[0] = '1';
            count = 1;
            ++exponent;
        } else {
            digits[last] = static_cast<char>(digits[last] + 1);
            count = last + 1;
        }
    }
    while (count > 1 && digits[count - 1] == '0') --count;
    return true;
}

// The value's digits rounded to `significantDigits` from its exact binary
// value; near the largest double, where rounding up would write a number no
// reader takes back, the shortest digits instead. Returns the digit count.
int roundExactly(double value, char* digits, int* exponent, int significantDigits) {
    char roundedText[40];
    auto rounded = std::to_chars(roundedText, roundedText + sizeof roundedText, std::fabs(value),
                                 std::chars_format::scientific, significantDigits - 1);
    if (!parseNumber(std::string_view(roundedText, static_cast<std::size_t>(rounded.ptr - roundedText))))
        rounded = std::to_chars(roundedText, roundedText + sizeof roundedText, std::fabs(value),
                                std::chars_format::scientific);
    return splitScientific(roundedText, rounded.ptr, digits, exponent);
}

}  // namespace

char* formatNumber(char* out, double value, int significantDigits) {
    if (value == 0) {
        *out = '0';  // also for -0, which is no negative value
        return out + 1;
    }
    if (significantDigits >= 12)
        if (char* end = formatThousandths(out, value)) return end;
    char scientific[40];
    char digits[40];
    int exponent = 0;
    // The shortest text that reads back as the value; when it has no more
    // digits than asked for, it is also the correctly rounded one.
    auto shortest =
        std::to_chars(scientific, scientific + sizeof scientific, std::fabs(value), std::chars_format::scientific);
    int count = splitScientific(scientific, shortest.ptr, digits, &exponent);
    if (count > significantDigits && !roundShortestDigits(digits, count, exponent, significantDigits))
        count = roundExactly(value, digits, &exponent, significantDigits);
    return layOutDigits(out, value < 0, digits, count, exponent, significantDigits);
}

std::string formatDouble(double value) {
    char buffer[40];
    return std::string(buffer, formatNumber(buffer, value, 15));
}

std::string formatCellSize(float value) {
    char buffer[40];
    return std::string(buffer, formatNumber(buffer, static_cast<double>(value), 7));
}

std::string formatByteSize(std::uint64_t bytes) {
    const char* const units[] = {"bytes", "kB", "MB", "GB", "TB"};
    int unit = 0;
    double size = static_cast<double>(bytes);
    while (size >= 1024 && unit < 4) {
        size /= 1024;
        ++unit;
    }
    if (unit == 0) return std::to_string(bytes) + " bytes";
    const double tenths = std::ceil(size * 10 - 1e-9);  // rounded up, as a need is
    char text[32];
    char* end = std::to_chars(text, text + sizeof text, static_cast<long long>(tenths) / 10).ptr;
    if (static_cast<long long>(tenths) % 10 != 0) {
        *end++ = '.';
        *end++ = static_cast<char>('0' + static_cast<long long>(tenths) % 10);
    }
    return std::string(text, end) + " " + units[unit];
}

std::string statusNumber(long long value) {
    std::string text(1, ' ');
    return text.append(std::to_string(value));
}

}  // namespace kestrune
