// The records of lines being joined: roots found through any member, the
// lines of their own listed once, and records given back used again (a
// long job keeps only the records of the lines still open).
#include "gis/contour/line_records.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace kestrune {
namespace {

// A line of numbered points, joined in order.
struct NumberLine {
    std::vector<int> points;
    void append(NumberLine&& later) {
        points.insert(points.end(), later.points.begin(), later.points.end());
        later.points.clear();
    }
};

std::set<std::uint32_t> linesOfTheirOwn(LineRecords<NumberLine>& records) {
    std::set<std::uint32_t> ids;
    records.forEachLine([&](std::uint32_t id, const NumberLine&) { EXPECT_TRUE(ids.insert(id).second); });
    return ids;
}

TEST(LineRecords, JoinedLinesAreFoundThroughAnyMemberAndListedOnce) {
    LineRecords<NumberLine> records;
    const auto a = records.add({{1, 2}}), b = records.add({{3}}), c = records.add({{4, 5}}), d = records.add({{9}});
    records.join(b, c);  // 3 4 5
    records.join(a, b);  // 1 2 3 4 5
    EXPECT_EQ(records.root(c), a);
    EXPECT_EQ(records.root(b), a);
    EXPECT_EQ(records[a].points, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(linesOfTheirOwn(records), (std::set<std::uint32_t>{a, d}));
    records.release(a);
    EXPECT_EQ(linesOfTheirOwn(records), (std::set<std::uint32_t>{d}));
}

// A line that stays open while thousands of pieces join it (a contour that
// crosses the whole raster) must not hold a record for each of them once
// no end names them: forgetMembers gives them back for the next lines.
TEST(LineRecords, MembersForgottenAreUsedAgain) {
    LineRecords<NumberLine> records;
    const auto open = records.add({{0}});
    std::uint32_t highest = open;
    for (int round = 1; round <= 1000; ++round) {
        const auto piece = records.add({{round}});
        highest = std::max(highest, piece);
        records.join(open, piece);
        records.forgetMembers(open);
    }
    EXPECT_LE(highest, 2u);  // one record served every piece
    EXPECT_EQ(records[open].points.size(), 1001u);
    EXPECT_EQ(linesOfTheirOwn(records), (std::set<std::uint32_t>{open}));
}

}  // namespace
}  // namespace kestrune
