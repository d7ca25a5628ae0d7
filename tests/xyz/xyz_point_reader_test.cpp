#include "xyz/xyz_point_reader.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

std::vector<double> coordinates(const XyzPointSet& points) {
    std::vector<double> all;
    for (const auto& block : points.blocks) all.insert(all.end(), block.begin(), block.end());
    return all;
}

// The description of the failure `text` gives, and whether it was a format failure.
std::pair<std::string, bool> failureOf(const std::string& text, const std::string& separator = " ") {
    try {
        parseXyzText(text, separator);
    } catch (const XyzFormatError& failure) {
        return {failure.what(), true};
    } catch (const std::runtime_error& failure) {
        return {failure.what(), false};
    }
    return {"no failure", false};
}

TEST(ReadXyzPoints, EveryLineEndReadsTheSame) {
    for (const char* text : {"1 2 3\r\n4 5 6\r\n", "1 2 3\n4 5 6\n", "1 2 3\r4 5 6\r", "1 2 3\r\n4 5 6"}) {
        SCOPED_TRACE(text);
        auto points = parseXyzText(text, " ");
        EXPECT_EQ(coordinates(points), (std::vector<double>{1, 2, 3, 4, 5, 6}));
    }
}

TEST(ReadXyzPoints, CommentsAreSkippedByTheirFirstCharacter) {
    auto points = parseXyzText("# x y z\r\n'note\r\n\\x\r\n/y\r\n1 2 3\r\n", " ");
    EXPECT_EQ(coordinates(points), (std::vector<double>{1, 2, 3}));
    // A blank before "#" makes a data line, with an empty first field.
    EXPECT_FALSE(failureOf(" # 1 2\r\n").second);
}

TEST(ReadXyzPoints, FieldsAfterTheThirdAreIgnored) {
    EXPECT_EQ(coordinates(parseXyzText("1 2 3 4 5\r\n", " ")), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(coordinates(parseXyzText("1 2 3 \r\n", " ")), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(coordinates(parseXyzText("1;2;3\r\n", ";")), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(coordinates(parseXyzText("1\t2\t3\r\n", "\t")), (std::vector<double>{1, 2, 3}));
}

TEST(ReadXyzPoints, ALineWithoutTheSeparatorIsAFormatFailure) {
    EXPECT_EQ(failureOf("1 2 3\r\n1,2,3\r\n"),
              std::make_pair(std::string("line 2: the separator does not occur in the line"), true));
    EXPECT_TRUE(failureOf("1\t2\t3\r\n").second);
    EXPECT_TRUE(failureOf("1 2 3\r\n", ",").second);
}

TEST(ReadXyzPoints, MissingAndBadFieldsAreGeneralFailures) {
    const std::pair<const char*, const char*> cases[] = {
        {"1 2 3\r\n\r\n", "line 2: empty line: the X, Y and Z fields are missing"},
        {"1 2 3\r\n\r\n4 5 6\r\n", "line 2: empty line: the X, Y and Z fields are missing"},
        {"1 2\r\n", "line 1: field 3 (Z) is missing"},
        {"1  2 3\r\n", "line 1: field 2 \"\" is not a number"},
        {" 1 2 3\r\n", "line 1: field 1 \"\" is not a number"},
        {"1 2 abc\r\n", "line 1: field 3 \"abc\" is not a number"},
        {"x 2\r\n", "line 1: field 1 \"x\" is not a number"},
        {"1 2 nan\r\n", "line 1: field 3 \"nan\" is not a number"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(failureOf(text), std::make_pair(std::string(expected), false)) << text;
}

// A Z that no 32-bit GRID cell holds is refused where its line is known; a
// bad field shows its unprintable bytes escaped.
TEST(ReadXyzPoints, ZBeyondAGridCellAndUnprintableBytesAreNamed) {
    EXPECT_EQ(failureOf("1 2 3\r\n1 2 4e38\r\n").first,
              "line 2: the Z value 4E+38 is beyond what a 32-bit GRID cell holds (3.4028235E+38 either way)");
    EXPECT_EQ(failureOf("1 2 -1e39 9\r\n").first,
              "line 1: the Z value -1E+39 is beyond what a 32-bit GRID cell holds (3.4028235E+38 either way)");
    EXPECT_EQ(failureOf("1 2 3.4028234e38\r\n").first, "no failure");
    EXPECT_EQ(failureOf("1 2 \x01\x1b[2J\xff\\\r\n").first,
              "line 1: field 3 \"\\x01\\x1B[2J\\xFF\\\\\" is not a number");
}

TEST(ReadXyzPoints, DistinctValuesUseExactEquality) {
    auto points = parseXyzText("0.000000000001 0 1\r\n0.000000000002 -0 2\r\n0.000000000001 0.0 3\r\n", " ");
    EXPECT_EQ(points.distinctX.size(), 2u);
    EXPECT_EQ(points.distinctY.size(), 1u);
    EXPECT_EQ(points.minX, 0.000000000001);
    EXPECT_EQ(points.maxX, 0.000000000002);
}

TEST(ReadXyzPoints, AFileOfCommentsHoldsNoPoint) {
    EXPECT_EQ(parseXyzText("# only a comment\r\n", " ").pointCount(), 0u);
    EXPECT_EQ(parseXyzText("", " ").pointCount(), 0u);
}

// Large texts are parsed in pieces on the worker pool; order and the first bad line must
// come out as in a sequential reading.
TEST(ReadXyzPoints, ParallelParsingKeepsFileOrderAndTheFirstBadLine) {
    std::string text;
    const int lines = 200000;
    for (int i = 0; i < lines; ++i)
        text += std::to_string(i % 500) + " " + std::to_string(i / 500) + " " + std::to_string(i) + "\r\n";
    auto points = parseXyzText(text, " ");
    auto all = coordinates(points);
    ASSERT_EQ(all.size(), 3u * lines);
    for (int i = 0; i < lines; ++i) ASSERT_EQ(all[3 * i + 2], i);
    EXPECT_EQ(points.distinctX.size(), 500u);
    EXPECT_EQ(points.distinctY.size(), 400u);

    std::string bad = text;
    bad.replace(bad.find("\r\n", bad.size() * 3 / 4) + 2, 0, "1,2,3\r\n");
    bad.replace(bad.find("\r\n", bad.size() * 9 / 10) + 2, 0, "1 2\r\n");
    auto [what, formatFailure] = failureOf(bad);
    EXPECT_TRUE(formatFailure);
    auto firstBad = std::count(bad.begin(), bad.begin() + bad.find("1,2,3"), '\n') + 1;
    EXPECT_EQ(what, "line " + std::to_string(firstBad) + ": the separator does not occur in the line");
}

TEST(ReadXyzPoints, ReadsAFileAcrossChunksWithCrLfSplitAnywhere) {
    test::TempDir dir;
    std::string text;
    // Long enough for several 16 MB chunks.
    for (int i = 0; text.size() < 40u << 20; ++i) text += "512000.25 5102000.75 " + std::to_string(i) + "\r\n";
    test::writeFile(dir.file("big.xyz"), text);
    auto points = ReadXyzPoints(dir.file("big.xyz"), " ");
    auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    EXPECT_EQ(points.pointCount(), lines);
    EXPECT_EQ(coordinates(points).back(), static_cast<double>(lines - 1));
}

TEST(ReadXyzPoints, AMissingFileFails) { EXPECT_THROW(ReadXyzPoints("/no/such/file.xyz", " "), std::runtime_error); }

}  // namespace
}  // namespace kestrune
