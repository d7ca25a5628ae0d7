#include "run/output_record.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrune {
namespace {

TEST(OutputRecord, MatchesOnlyTheOutputAndInputsItWasKeptWith) {
    test::TempDir dir;
    const std::string input = dir.file("dem.xyz"), output = dir.file("dem.asc");
    test::writeFile(input, "1 2 3\n");
    test::writeFile(output, "ncols 1\n");
    const OutputRecord record({output});
    EXPECT_EQ(record.path(), dir.file(".dem.asc.kestrune-made"));
    const std::string made = madeFromText("cell size 5", {input, dir.file("dem.prj")});
    EXPECT_FALSE(record.matches(made)) << "no record yet";
    record.keep(made);
    EXPECT_TRUE(record.matches(made));
    EXPECT_FALSE(record.matches(madeFromText("cell size 10", {input, dir.file("dem.prj")}))) << "other settings";
    test::writeFile(dir.file("dem.prj"), "PROJCS[]");
    EXPECT_FALSE(record.matches(madeFromText("cell size 5", {input, dir.file("dem.prj")}))) << "a .prj came";

    record.keep(made);
    const std::string kept = test::readFile(record.path());
    test::writeFile(record.path(), kept.substr(0, kept.size() / 2));
    EXPECT_FALSE(record.matches(made)) << "a torn record";
    record.keep(made);
    test::writeFile(output, "ncols 20\n");
    EXPECT_FALSE(record.matches(made)) << "the output edited since";
    record.keep(made);
    std::filesystem::remove(output);
    EXPECT_FALSE(record.matches(made)) << "the output gone";
    record.forget();
    EXPECT_FALSE(std::filesystem::exists(record.path()));
}

}  // namespace
}  // namespace kestrune
