#include "run/xyz_folder_conversion.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrune {
namespace {

const char* const kGood = "0 0 1\r\n10 0 2\r\n0 10 3\r\n10 10 4\r\n";

struct Conversion : test::StepRun {
    Conversion() : StepRun(InputKind::XyzFiles) {}
    bool run() { return StepRun::run(XYZ2ASCII); }
};

TEST(XYZ2ASCII, ShowsEachFileAndWritesItsAsc) {
    Conversion c;
    for (int i = 1; i <= 12; ++i) test::writeFile(c.xyz("dem" + std::to_string(i) + ".xyz"), kGood);
    EXPECT_TRUE(c.run());
    EXPECT_TRUE(c.ui.messages.empty());
    ASSERT_EQ(c.ui.statusTexts.size(), 12u);
    // Byte order: dem1, dem10, dem11, dem12, dem2 ...
    EXPECT_EQ(c.ui.statusTexts[0], "Running : XYZ-->ASCII( 1/ 12)   dem1.xyz");
    EXPECT_EQ(c.ui.statusTexts[4], "Running : XYZ-->ASCII( 5/ 12)   dem2.xyz");
    EXPECT_EQ(test::folderNames(c.settings.asciiFolder).size(), 12u);
}

// A name as long as a file system takes still gets its output: the hidden
// name it is made under is cut to fit.
TEST(XYZ2ASCII, TheLongestFileNameGetsItsOutput) {
    Conversion c;
    const std::string stem(251, 'd');  // 251 + ".xyz" = 255 bytes, the most a name may have
    test::writeFile(c.xyz(stem + ".xyz"), kGood);
    EXPECT_TRUE(c.run()) << (c.ui.messages.empty() ? "" : c.ui.messages[0].prompt);
    EXPECT_EQ(test::folderNames(c.settings.asciiFolder), std::vector<std::string>{stem + ".asc"});
}

TEST(XYZ2ASCII, AnEmptyFolderChangesNothing) {
    Conversion c;
    EXPECT_TRUE(c.run());
    EXPECT_TRUE(c.ui.events.empty());
}

TEST(XYZ2ASCII, OutputNamesComeFromTheFirstPoint) {
    Conversion c;
    test::writeFile(c.xyz("dem.part1.xyz"), kGood);
    test::writeFile(c.xyz("north"), kGood);
    test::writeFile(c.xyz(".hidden.xyz"), "not read");
    EXPECT_TRUE(c.run());
    EXPECT_EQ(test::folderNames(c.settings.asciiFolder), (std::vector<std::string>{"dem.asc", "north.asc"}));
}

TEST(XYZ2ASCII, ABadFileIsReportedAndTheOthersAreWritten) {
    Conversion c;
    test::writeFile(c.xyz("a.xyz"), kGood);
    test::writeFile(c.xyz("b.xyz"), "1,2,3\r\n");
    test::writeFile(c.xyz("c.xyz"), "1 2 x\r\n");
    test::writeFile(c.xyz("d.xyz"), kGood);
    test::writeFile(c.ascii("b.asc"), "older output");
    test::writeFile(c.ascii("other.txt"), "kept");
    EXPECT_FALSE(c.run());
    ASSERT_EQ(c.ui.messages.size(), 2u);
    EXPECT_EQ(c.ui.messages[0].prompt, c.xyz("b.xyz") + " does not fit the format you setting!");
    EXPECT_EQ(c.ui.messages[0].title, "Please Check xyz file");
    EXPECT_EQ(c.ui.messages[1].prompt, c.xyz("c.xyz") + " Error-line 1: field 3 \"x\" is not a number");
    EXPECT_EQ(c.ui.messages[1].title, "Program was interrupted");
    // The failing file empties the status line; the next file shows again.
    EXPECT_EQ(c.ui.statusTexts[2], "");
    // The failed file's earlier output stays as it was.
    EXPECT_EQ(test::folderNames(c.settings.asciiFolder),
              (std::vector<std::string>{"a.asc", "b.asc", "d.asc", "other.txt"}));
    EXPECT_EQ(test::readFile(c.ascii("b.asc")), "older output");
}

TEST(XYZ2ASCII, TwoFilesForOneOutputReportTheLater) {
    Conversion c;
    test::writeFile(c.xyz("dem.a.xyz"), kGood);
    test::writeFile(c.xyz("dem.b.xyz"), "5 5 9\r\n6 5 9\r\n");
    EXPECT_FALSE(c.run());
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_EQ(c.ui.messages[0].prompt, c.xyz("dem.b.xyz") + " Error-its output " + c.ascii("dem.asc") +
                                           " is already made from dem.a.xyz in this run");
    EXPECT_NE(test::readFile(c.ascii("dem.asc")).find("ncols         2\r\n"), std::string::npos);
}

TEST(XYZ2ASCII, TheInputIsNeverReplaced) {
    Conversion c;
    c.settings.asciiFolder = c.settings.xyzFolder;
    test::writeFile(c.xyz("dem.asc"), kGood);
    EXPECT_FALSE(c.run());
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_NE(c.ui.messages[0].prompt.find("would replace the input file itself"), std::string::npos);
    EXPECT_EQ(test::readFile(c.xyz("dem.asc")), kGood);
}

TEST(XYZ2ASCII, AProjectionTravelsWithItsTile) {
    Conversion c;
    test::writeFile(c.xyz("dem.xyz"), kGood);
    test::writeFile(c.xyz("dem.prj"), "PROJCS[\"x\"]");
    test::writeFile(c.xyz("lone.prj"), "PROJCS[\"y\"]");
    EXPECT_FALSE(c.run());  // lone.prj belongs to no tile and is read as points
    EXPECT_EQ(c.ui.statusTexts[0], "Running : XYZ-->ASCII( 1/ 2)   dem.xyz");
    EXPECT_EQ(test::readFile(c.ascii("dem.prj")), "PROJCS[\"x\"]");
    EXPECT_FALSE(test::exists(c.ascii("lone.prj")));
}

TEST(XYZ2ASCII, OutputsAppearingDuringTheLoopAreNotConverted) {
    Conversion c;
    c.settings.asciiFolder = c.settings.xyzFolder;
    test::writeFile(c.xyz("dem.xyz"), kGood);
    EXPECT_TRUE(c.run());
    EXPECT_EQ(c.ui.statusTexts.size(), 1u);
    EXPECT_TRUE(test::exists(c.xyz("dem.asc")));
}

// A folder or a link to nothing named like a file is skipped, and said so;
// a plain sub-folder is no input and passes unremarked.
TEST(XYZ2ASCII, EntriesThatAreNoFilesAreReportedAsSkipped) {
    Conversion c;
    test::writeFile(c.xyz("dem.xyz"), kGood);
    std::filesystem::create_directories(c.xyz("tiles.xyz"));
    std::filesystem::create_directories(c.xyz("archive"));
    std::filesystem::create_symlink(c.xyz("moved.xyz"), c.xyz("gone.xyz"));
    EXPECT_TRUE(c.run());
    ASSERT_EQ(c.ui.messages.size(), 2u);
    EXPECT_EQ(c.ui.messages[0].prompt, c.xyz("gone.xyz") + " is skipped: it is a link to nothing");
    EXPECT_EQ(c.ui.messages[1].prompt, c.xyz("tiles.xyz") + " is skipped: it is a folder");
    EXPECT_EQ(c.ui.messages[1].title, "Kestrune");
    EXPECT_EQ(test::folderNames(c.settings.asciiFolder), std::vector<std::string>{"dem.asc"});
}

TEST(XYZ2ASCII, AnOutputThatCannotBeRemovedIsReported) {
    Conversion c;
    test::writeFile(c.xyz("dem.xyz"), kGood);
    // A folder that is not empty stands where the output goes.
    std::filesystem::create_directories(c.ascii("dem.asc/inside"));
    EXPECT_FALSE(c.run());
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_NE(c.ui.messages[0].prompt.find("cannot delete the earlier output"), std::string::npos);
}

}  // namespace
}  // namespace kestrune
