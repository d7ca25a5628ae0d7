#include "common/file_naming.hpp"
#include "common/folder_listing.hpp"
#include "common/sidecar_files.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrune {
namespace {

TEST(FileNaming, BaseNameEndsAtTheFirstPoint) {
    EXPECT_EQ(baseName("dem1.xyz"), "dem1");
    EXPECT_EQ(baseName("dem.part1.xyz"), "dem");
    EXPECT_EQ(baseName("dem"), "dem");
    EXPECT_EQ(baseName(".hidden"), "");
}

TEST(FileNaming, PathsKeepTheFolderAsTyped) {
    EXPECT_EQ(joinPath("/data/xyz", "a.xyz"), "/data/xyz/a.xyz");
    EXPECT_EQ(joinPath("/data/xyz/", "a.xyz"), "/data/xyz//a.xyz");
    EXPECT_EQ(ascOutputPath("/out", "dem.part1.xyz"), "/out/dem.asc");
    EXPECT_EQ(ascOutputPath("/out", "dem"), "/out/dem.asc");
    EXPECT_EQ(prjPathFor("/out", "dem"), "/out/dem.prj");
}

TEST(FileNaming, DatasetNameIsThePartAfterTheLastSeparator) {
    EXPECT_EQ(datasetName("/dem/grids/north"), "north");
    EXPECT_EQ(datasetName("north"), "north");
}

TEST(FileNaming, ExtensionsCompareWithoutCase) {
    EXPECT_TRUE(hasExtension("dem.PRJ", ".prj"));
    EXPECT_TRUE(hasExtension("dem.asc.aux.xml", ".aux.xml"));
    EXPECT_FALSE(hasExtension("prj", ".prj"));
}

TEST(FolderListing, ListsVisibleFilesInByteOrder) {
    test::TempDir dir;
    for (const char* name : {"b.xyz", "B.xyz", "a.xyz", "10.xyz", "9.xyz", ".hidden.xyz"})
        test::writeFile(dir.file(name), "1 2 3\r\n");
    dir.folder("sub");
    EXPECT_EQ(listFolder(dir.path().string()).files,
              (std::vector<std::string>{"10.xyz", "9.xyz", "B.xyz", "a.xyz", "b.xyz"}));
}

TEST(FolderListing, AMissingFolderFailsWithItsPath) {
    try {
        listFolder("/no/such/folder");
        FAIL() << "no failure";
    } catch (const std::runtime_error& failure) {
        EXPECT_NE(std::string(failure.what()).find("/no/such/folder"), std::string::npos);
    }
}

TEST(FolderListing, FldExistIsTrueForFoldersOnly) {
    test::TempDir dir;
    test::writeFile(dir.file("file"), "x");
    EXPECT_TRUE(FldExist(dir.path().string()));
    EXPECT_TRUE(FldExist(dir.path().string() + "/"));
    EXPECT_FALSE(FldExist(dir.file("file")));
    EXPECT_FALSE(FldExist(dir.file("missing")));
    EXPECT_FALSE(FldExist(""));
}

TEST(Sidecars, AProjectionBesideADataFileTravelsWithIt) {
    auto split = splitSidecars({"a.asc", "a.prj", "b.PRJ", "c.asc", "c.asc.aux.xml"}, {".prj", ".aux.xml"});
    EXPECT_EQ(split.dataFiles, (std::vector<std::string>{"a.asc", "b.PRJ", "c.asc"}));
    ASSERT_EQ(split.sidecarsByBase.size(), 2u);
    EXPECT_EQ(split.sidecarsByBase.find("a")->second, "a.prj");
    EXPECT_EQ(split.sidecarsByBase.find("c")->second, "c.asc.aux.xml");
}

}  // namespace
}  // namespace kestrune
