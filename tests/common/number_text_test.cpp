#include "common/number_text.hpp"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace kestrune {
namespace {

TEST(ParseNumber, AcceptsTheNumberForms) {
    const std::pair<const char*, double> cases[] = {
        {"5", 5},        {"-5", -5},    {"+5", 5},          {"5.", 5},     {".5", 0.5},
        {"12.50", 12.5}, {" 7 ", 7},    {"\t-2.5\t", -2.5}, {"1e3", 1000}, {"1E-2", 0.01},
        {"2.5e+2", 250}, {"-.5E1", -5}, {"0", 0},           {"-0", 0},     {"000123", 123},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE('"' + std::string(text) + '"');
        auto value = parseNumber(text);
        ASSERT_TRUE(value.has_value());
        EXPECT_DOUBLE_EQ(*value, expected);
    }
}

TEST(ParseNumber, RejectsEverythingElse) {
    const char* cases[] = {"",    "   ",   "\t", "nan", "NaN",   "inf", "-inf", "infinity", "0x10",  "&H10",
                           "1,5", "1 000", "5a", "a5",  ".",     "-",   "+-5",  "--5",      "1e",    "1e+",
                           "e5",  "(5)",   "5-", "1d5", "1e999", "$5",  "5 5",  "+",        "1.2.3", "\n5"};
    for (const char* text : cases) EXPECT_FALSE(parseNumber(text).has_value()) << '"' << text << '"';
}

// Switches LC_NUMERIC for one test and back; `active` is false when the
// locale is not installed.
class NumericLocale {
public:
    explicit NumericLocale(const char* name) : previous_(std::setlocale(LC_NUMERIC, nullptr)) {
        active = std::setlocale(LC_NUMERIC, name) != nullptr;
    }
    ~NumericLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
    bool active = false;

private:
    std::string previous_;
};

TEST(NumberText, IgnoresADecimalCommaLocale) {
    NumericLocale german("de_DE.UTF-8");
    if (!german.active) GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed (Debian: locales-all)";
    ASSERT_EQ(std::localeconv()->decimal_point, std::string(","));
    EXPECT_EQ(parseNumber("12.5"), 12.5);
    EXPECT_FALSE(parseNumber("12,5").has_value());
    EXPECT_EQ(formatDouble(12.5), "12.5");
    EXPECT_EQ(formatCellSize(0.7f), "0.7");
}

TEST(FormatNumber, FifteenSignificantDigitsWithoutTrailingZeros) {
    const std::pair<double, const char*> cases[] = {
        {95, "95"},
        {-9999, "-9999"},
        {12.5, "12.5"},
        {0.5, "0.5"},
        {-0.25, "-0.25"},
        {0, "0"},
        {-0.0, "0"},
        {1000, "1000"},
        {123456789012345678.0, "1.23456789012346E+17"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {123456.7890123456, "123456.789012346"},
        {999999999999999.0, "999999999999999"},
        {1e15, "1E+15"},
        {0.0001, "0.0001"},
        {0.00001, "0.00001"},
        {0.000001, "1E-06"},
        {1.5e-7, "1.5E-07"},
        {-2.5e200, "-2.5E+200"},
        {5102000.005, "5102000.005"},
        {9.9999999999999999e14, "1E+15"},
    };
    for (const auto& [value, expected] : cases) EXPECT_EQ(formatDouble(value), expected) << value;
}

TEST(FormatNumber, CellSizeHasSevenSignificantDigits) {
    EXPECT_EQ(formatCellSize(0.7f), "0.7");
    EXPECT_EQ(formatCellSize(10.0f), "10");
    EXPECT_EQ(formatCellSize(0.000288451469f), "0.0002884515");
    EXPECT_EQ(formatCellSize(1.0f / 3), "0.3333333");
    EXPECT_EQ(formatCellSize(12345678.0f), "1.234568E+07");
}

TEST(FormatNumber, ReadsBackThroughTheParser) {
    // Shortest text up to 15 digits is exact for values of up to 15 digits.
    const double values[] = {420.82, -1234.5678, 512345.67, 0.001, 3.14159265358979};
    for (double value : values) EXPECT_EQ(parseNumber(formatDouble(value)), value);
}

// Every value written reads back, the largest ones too (rounded to 15
// digits they would pass the largest double).
TEST(FormatNumber, TheExtremesReadBack) {
    for (double value : {DBL_MAX, -DBL_MAX, std::nextafter(DBL_MAX, 0.0), DBL_MIN, -DBL_MIN, 4.9e-324, 1.0 / 3}) {
        SCOPED_TRACE(formatDouble(value));
        ASSERT_TRUE(parseNumber(formatDouble(value)).has_value());
        EXPECT_NEAR(*parseNumber(formatDouble(value)) / value, 1, 1e-14);
    }
    EXPECT_EQ(formatDouble(DBL_MAX), "1.7976931348623157E+308");
    EXPECT_EQ(formatCellSize(FLT_MAX), "3.402823E+38");
}

// printf's %G rounds the exact binary value; ours must give the same text
// (its exponent has two digits at least, like ours), except that %G writes
// magnitudes below 1e-4 with an exponent where we write them plain. Values are drawn where
// rounding is hard: float cells written with all their digits (as GDAL's
// XYZ export does), decimals right at a rounding boundary, and random bits.
std::string printfG(double value, int significantDigits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*G", significantDigits, value);
    return text;
}

TEST(FormatNumber, RoundsAsPrintfDoes) {
    std::mt19937_64 random(23);
    std::vector<double> values;
    for (int i = 0; i < 200000; ++i) {
        std::uint32_t floatBits = static_cast<std::uint32_t>(random());
        float cell;
        std::memcpy(&cell, &floatBits, sizeof cell);
        if (std::isfinite(cell) && cell != 0) values.push_back(cell);
        std::uint64_t bits = random();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        if (std::isfinite(any) && any != 0) values.push_back(any);
        // d.dddddddddddddd5 x 10^k: the boundary between two 15-digit texts,
        // and the same at 7 digits.
        for (int digits : {15, 7}) {
            std::string boundary = std::to_string(1 + random() % 9) + ".";
            for (int d = 1; d < digits; ++d) boundary += static_cast<char>('0' + random() % 10);
            boundary += "5e" + std::to_string(static_cast<int>(random() % 40) - 20);
            values.push_back(std::strtod(boundary.c_str(), nullptr));
        }
    }
    std::size_t differing = 0;
    for (double value : values) {
        for (int digits : {15, 7}) {
            char text[40];
            std::string ours(text, formatNumber(text, value, digits));
            std::string expected = printfG(value, digits);
            if (expected.find("E-05") != std::string::npos) continue;
            if (ours != expected && ++differing <= 5)
                ADD_FAILURE() << printfG(value, 17) << " at " << digits << " digits: " << ours << " against "
                              << expected;
        }
    }
    EXPECT_EQ(differing, 0u) << "of " << 2 * values.size();
}

TEST(StatusNumber, IsTheDigitsAfterOneBlank) {
    EXPECT_EQ(statusNumber(3), " 3");
    EXPECT_EQ(statusNumber(40000), " 40000");
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

TEST(FormatByteSize, RoundsUpToOneDecimalInUnitsOf1024) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 bytes"},
        {1023, "1023 bytes"},
        {1024, "1 kB"},
        {1536, "1.5 kB"},
        {1025, "1.1 kB"},
        {20000, "19.6 kB"},
        {(1ull << 31) - 1, "2 GB"},
        {3113851289ull, "2.9 GB"},
        {5ull << 40, "5 TB"},
    };
    for (const auto& [bytes, expected] : cases) {
        SCOPED_TRACE(std::to_string(bytes));
        EXPECT_EQ(formatByteSize(bytes), expected);
    }
}

}  // namespace
}  // namespace kestrune
