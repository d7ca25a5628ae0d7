#include "common/replacement.hpp"
#include "common/temporary_name.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

TEST(TemporaryName, SaysWhatItStandsFor) {
    struct Case {
        std::string name;
        std::string target;
        bool backup;
    };
    const Case cases[] = {
        {".dem.asc.kestrune~host-1.lan~42~7", "dem.asc", false},
        {".dem.kestrune~h~42~7.old", "dem", true},
        {".hill.kestrune~h~42~7.shp", "hill.shp", false},
        {".hill.kestrune~h~42~7.old.dbf", "hill.dbf", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<TemporaryName> parsed = parseTemporaryName(c.name);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->target, c.target);
        EXPECT_EQ(parsed->process, 42);
        EXPECT_EQ(parsed->backup, c.backup);
    }
    EXPECT_EQ(parseTemporaryName(".hill.kestrune~h~42~7.old.dbf")->group, ".hill.kestrune~h~42~7");
    for (const char* other : {"dem.asc", ".hidden", ".dem.kestrune-h-42-7", ".dem.kestrune~h~x~7", ".kestrune~h~1~2"})
        EXPECT_FALSE(parseTemporaryName(other)) << other;
    const std::string fresh = fs::path(temporaryPathBeside("/data/dem")).filename().string();
    EXPECT_EQ(parseTemporaryName(fresh)->target, "dem");
    EXPECT_EQ(parseTemporaryName(fresh)->process, getpid());
}

TEST(ReplaceFolder, PutsFoldersInPlaceLeavingNothingHidden) {
    test::TempDir dir;
    const std::string folder = dir.file("dem");
    for (bool earlier : {false, true}) {
        SCOPED_TRACE(earlier ? "over an earlier folder" : "into a free name");
        const std::string staged = temporaryPathBeside(folder);
        fs::create_directory(staged);
        test::writeFile(staged + "/hdr.adf", earlier ? "second" : "first");
        int whenIn = 0;
        replaceFolder(staged, folder, "", [&] {
            ++whenIn;
            EXPECT_EQ(test::readFile(folder + "/hdr.adf"), earlier ? "second" : "first");  // in before it runs
        });
        EXPECT_EQ(whenIn, 1);
        EXPECT_EQ(test::readFile(folder + "/hdr.adf"), earlier ? "second" : "first");
    }
    EXPECT_EQ(test::folderNames(dir.path().string()), (std::vector<std::string>{"dem"}));
}

// What must follow the swap fails: the earlier folder comes back, the new one goes.
TEST(ReplaceFolder, AFailureOnceInPutsTheEarlierFolderBack) {
    test::TempDir dir;
    const std::string folder = dir.file("dem");
    fs::create_directory(folder);
    test::writeFile(folder + "/hdr.adf", "earlier");
    const std::string staged = temporaryPathBeside(folder);
    fs::create_directory(staged);
    test::writeFile(staged + "/hdr.adf", "new");
    EXPECT_THROW(replaceFolder(staged, folder, "", [] { throw std::runtime_error("the INFO tables"); }),
                 std::runtime_error);
    EXPECT_EQ(test::readFile(folder + "/hdr.adf"), "earlier");
    EXPECT_EQ(test::folderNames(dir.path().string()), (std::vector<std::string>{"dem"}));
}

TEST(ReplaceFileSet, ReplacesTheWholeSet) {
    test::TempDir dir;
    const std::string base = dir.file("hill");
    for (const char* extension : {".shp", ".shx", ".dbf", ".prj", ".sbn"}) test::writeFile(base + extension, "old");
    const std::string staged = temporaryPathBeside(base);
    for (const char* extension : {".shp", ".shx", ".dbf"}) test::writeFile(staged + extension, "new");
    replaceFileSet(staged, base, {".shp", ".shx", ".dbf", ".prj", ".cpg", ".sbn", ".sbx"});
    EXPECT_EQ(test::folderNames(dir.path().string()), (std::vector<std::string>{"hill.dbf", "hill.shp", "hill.shx"}));
    EXPECT_EQ(test::readFile(base + ".shp"), "new");
}

TEST(ClearLeftovers, PutsBackAnEarlierSetWhoseSuccessorDidNotArriveWhole) {
    test::TempDir dir;
    const std::string folder = dir.path().string();
    const long dead = test::endedProcess();
    for (const char* extension : {".shp", ".shx", ".dbf"})
        test::writeFile(dir.file(test::hiddenName("hill", dead, 0, std::string(".old") + extension)), "old");
    test::writeFile(dir.file("hill.shp"), "new, alone");
    test::writeFile(dir.file(test::hiddenName("hill", dead, 0, ".dbf")), "new, not yet in");
    // A set whose successor arrived whole: the earlier one goes.
    test::writeFile(dir.file(test::hiddenName("vale", dead, 1, ".old.shp")), "old");
    test::writeFile(dir.file("vale.shp"), "new");
    // A live run's output in the making stays.
    const std::string living = test::hiddenName("dem.asc", getpid(), 2);
    test::writeFile(dir.file(living), "in the making");
    clearLeftovers(folder);
    EXPECT_EQ(test::folderNames(folder),
              (std::vector<std::string>{living, "hill.dbf", "hill.shp", "hill.shx", "vale.shp"}));
    EXPECT_EQ(test::readFile(dir.file("hill.shp")), "old");
    EXPECT_EQ(test::readFile(dir.file("vale.shp")), "new");
}

}  // namespace
}  // namespace kestrune
