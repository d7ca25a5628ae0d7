#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrune {

// The one reading of a text as a number, shared by validation and by every
// conversion, so both accept exactly the same texts: blanks (spaces, tabs)
// around, an optional sign, digits with an optional fraction or a fraction
// alone, an optional exponent (E or e, optional sign, digits). The decimal
// separator is always a period, whatever the locale. Empty text, "nan",
// "inf", hexadecimal, other characters and values beyond the 64-bit range
// are not numbers.
std::optional<double> parseNumber(std::string_view text);

inline bool isNumeric(std::string_view text) { return parseNumber(text).has_value(); }

// Writes value with at most `significantDigits` significant digits, rounded,
// without trailing zeros or a trailing point; plain for magnitudes from 1e-5
// up to 10^significantDigits, else in the form 1.5E+20. Returns the end of
// the text written; `out` needs room for 32 characters.
char* formatNumber(char* out, double value, int significantDigits);

// A 64-bit value as the .asc shows it: 15 significant digits.
std::string formatDouble(double value);
// The 32-bit cell size as the .asc shows it: 7 significant digits.
std::string formatCellSize(float value);

// A size for people: "2.9 GB", "740 kB", "12 bytes" (units of 1024), the
// number rounded up to one decimal, without a trailing ".0"; never the
// locale's decimal comma.
std::string formatByteSize(std::uint64_t bytes);

// A count in a status text: its digits after one blank, " 12".
std::string statusNumber(long long value);

}  // namespace kestrune
