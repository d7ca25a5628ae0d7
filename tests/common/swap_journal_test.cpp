// A replacement killed after any of its steps is settled by the next run:
// the folder then holds the whole earlier output or the whole new one.
#include "common/swap_journal.hpp"
#include "common/temporary_name.hpp"
#include "tests/test_support.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

// Runs `work` in a child process that dies at its end as a killed run does.
void runAndDie(const std::function<void()>& work) {
    const pid_t child = fork();
    if (child == 0) {
        work();
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
}

// What a folder holds: each file's name and content, hidden ones included.
std::map<std::string, std::string> contents(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const std::string& name : test::folderNames(folder)) {
        const fs::path path = fs::path(folder) / name;
        files[name] = fs::is_directory(path) ? "folder " + test::readFile((path / "hdr.adf").string())
                                             : test::readFile(path.string());
    }
    return files;
}

// A shapefile replaced: the earlier set has a .prj and ArcGIS's index, the
// new one neither; a kill after every one of the replacement's steps.
TEST(SwapJournal, AShapefileReplacementKilledAnywhereIsSettledWhole) {
    const std::vector<std::string> oldParts = {".shp", ".shx", ".dbf", ".prj", ".sbn"};
    const std::vector<std::string> newParts = {".shp", ".shx", ".dbf"};
    std::map<std::string, std::string> earlier, later;
    for (const auto& part : oldParts) earlier["hill" + part] = "old" + part;
    for (const auto& part : newParts) later["hill" + part] = "new" + part;
    const std::size_t steps = oldParts.size() + newParts.size() + oldParts.size();
    for (std::size_t done = 0; done <= steps; ++done) {
        SCOPED_TRACE("killed after " + std::to_string(done) + " steps");
        test::TempDir dir;
        const std::string folder = dir.path().string();
        for (const auto& part : oldParts) test::writeFile(dir.file("hill" + part), "old" + part);
        const std::string staged = temporaryPathBeside(dir.file("hill"));
        for (const auto& part : newParts) test::writeFile(staged + part, "new" + part);
        const std::string backup = backupPathOf(staged);
        SwapRecord record;
        record.target = "hill";
        record.staged = fs::path(staged).filename().string();
        record.backup = fs::path(backup).filename().string();
        record.oldParts = oldParts;
        record.newParts = newParts;
        runAndDie([&] {
            new SwapJournal(folder, record);  // never closed: the run dies with it open
            std::vector<std::function<void()>> step;
            for (const auto& part : oldParts)
                step.push_back([&, part] { fs::rename(dir.file("hill" + part), backup + part); });
            for (const auto& part : newParts)
                step.push_back([&, part] { fs::rename(staged + part, dir.file("hill" + part)); });
            for (const auto& part : oldParts) step.push_back([&, part] { fs::remove(backup + part); });
            for (std::size_t i = 0; i < done; ++i) step[i]();
        });
        settleRecordedSwaps(folder, {});
        const auto after = contents(folder);
        std::string shown;
        for (const auto& [name, bytes] : after) shown += name + "=" + bytes + " ";
        EXPECT_TRUE(after == earlier || after == later) << "a mix of sets: " << shown;
        EXPECT_EQ(after == later, done >= oldParts.size() + newParts.size()) << "the new set, once wholly in";
    }
}

// A GRID folder replaced by an exchange of names, by moving the earlier one
// aside (a file system that cannot exchange), or put where there was none;
// killed after each step. Once the new one is in, its INFO entries follow.
TEST(SwapJournal, AGridReplacementKilledAnywhereIsSettledWhole) {
    enum class Way { Exchange, MoveAside, FreeName };
    for (Way way : {Way::Exchange, Way::MoveAside, Way::FreeName}) {
        const int steps = way == Way::MoveAside ? 3 : 2;  // the moves, then the earlier one's removal
        for (int done = 0; done <= steps; ++done) {
            SCOPED_TRACE("way " + std::to_string(static_cast<int>(way)) + ", killed after " + std::to_string(done));
            test::TempDir dir;
            const std::string folder = dir.path().string(), target = dir.file("dem");
            const bool earlier = way != Way::FreeName;
            if (earlier) {
                fs::create_directory(target);
                test::writeFile(target + "/hdr.adf", "old");
            }
            const std::string staged = temporaryPathBeside(target), backup = backupPathOf(staged);
            fs::create_directory(staged);
            test::writeFile(staged + "/hdr.adf", "new");
            SwapRecord record;
            record.kind = SwapRecord::Kind::Folder;
            record.target = "dem";
            record.staged = fs::path(staged).filename().string();
            record.backup = fs::path(backup).filename().string();
            record.newIdentity = fileIdentity(staged);
            record.afterwards = "tables dem";
            runAndDie([&] {
                new SwapJournal(folder, record);  // never closed: the run dies with it open
                std::vector<std::function<void()>> step;
                if (way == Way::Exchange) {
                    step.push_back(
                        [&] { ::renameat2(AT_FDCWD, staged.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE); });
                    step.push_back([&] { fs::remove_all(staged); });
                } else if (way == Way::MoveAside) {
                    step.push_back([&] { fs::rename(target, backup); });
                    step.push_back([&] { fs::rename(staged, target); });
                    step.push_back([&] { fs::remove_all(backup); });
                } else {
                    step.push_back([&] { fs::rename(staged, target); });
                    step.push_back([] {});
                }
                for (int i = 0; i < done; ++i) step[static_cast<std::size_t>(i)]();
            });
            std::vector<std::string> aftercare;
            settleRecordedSwaps(folder, [&](const std::string& what) { aftercare.push_back(what); });
            const bool newIn = done >= (way == Way::MoveAside ? 2 : 1);
            const std::map<std::string, std::string> expected =
                newIn     ? std::map<std::string, std::string>{{"dem", "folder new"}}
                : earlier ? std::map<std::string, std::string>{{"dem", "folder old"}}
                          : std::map<std::string, std::string>{};
            EXPECT_EQ(contents(folder), expected);
            EXPECT_EQ(aftercare, newIn ? std::vector<std::string>{"tables dem"} : std::vector<std::string>{});
        }
    }
}

// A record cut short by a kill while it was written names nothing moved yet.
TEST(SwapJournal, ARecordCutShortChangesNothing) {
    test::TempDir dir;
    test::writeFile(dir.file("hill.shp"), "old");
    test::writeFile(dir.file(".kestrune-journal~host~1~0"), "kestrune swap 1\nkind files\ntarget hill\n");
    settleRecordedSwaps(dir.path().string(), {});
    EXPECT_EQ(contents(dir.path().string()), (std::map<std::string, std::string>{{"hill.shp", "old"}}));
}

}  // namespace
}  // namespace kestrune
