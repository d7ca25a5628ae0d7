#include "common/durable_file.hpp"
#include "common/durable_writes.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>

namespace kestrune {
namespace {

using test::readFile;
using test::TempDir;

// Straight to the disk (outputs must reach it) and through the page cache
// (--no-sync): the same bytes either way.
class DurableFileWriting : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { setDurableWrites(GetParam()); }
    void TearDown() override { setDurableWrites(true); }
    TempDir temp;
};

// A file of a few buffers and a ragged end, written in pieces of every
// size, with headers changed after the fact: on bytes long gone to the
// disk, across the start of the buffer still held, and within it.
TEST_P(DurableFileWriting, WritesTheBytesAndTheChangesToThemWhole) {
    std::mt19937 random(7);
    std::string expected;
    const std::string path = temp.file("out.bin");
    DurableFile file(path, "out.bin");
    while (expected.size() < 2'600'000) {
        std::string piece(random() % 70'000 + 1, '\0');
        for (char& c : piece) c = static_cast<char>(random());
        file.write(piece);
        expected += piece;
    }
    const std::size_t held = expected.size() / (1u << 20) * (1u << 20);  // where the last buffer begins
    const std::pair<std::size_t, std::string> changes[] = {{0, std::string(100, 'h')},
                                                           {5000, "block"},
                                                           {held - 3, "across"},
                                                           {held + 10, "held"},
                                                           {expected.size() - 4, "tail"}};
    for (const auto& [offset, bytes] : changes) {
        file.writeAt(offset, bytes);
        expected.replace(offset, bytes.size(), bytes);
    }
    file.finish();
    EXPECT_EQ(readFile(path).size(), expected.size());
    EXPECT_TRUE(readFile(path) == expected);
}

TEST_P(DurableFileWriting, AnEmptyFileAndOneOfAFewBytesAreThoseBytes) {
    DurableFile empty(temp.file("empty"), "empty");
    empty.finish();
    EXPECT_EQ(readFile(temp.file("empty")), "");
    DurableFile small(temp.file("small"), "small");
    small.write("ncols 5\n");
    small.writeAt(6, "4");
    small.finish();
    EXPECT_EQ(readFile(temp.file("small")), "ncols 4\n");
}

TEST_P(DurableFileWriting, FailuresNameTheFileAndTheReason) {
    DurableFile file(temp.file("a"), "shown/a");
    file.write("abc");
    EXPECT_THROW(file.writeAt(2, "cd"), std::logic_error);
    // The device that is always full refuses every write.
    DurableFile full("/dev/full", "shown/full");
    try {
        full.write(std::string(3 << 20, 'x'));
        full.finish();
        ADD_FAILURE() << "a full disk was not reported";
    } catch (const std::runtime_error& failure) {
        EXPECT_NE(std::string(failure.what()).find("cannot write shown/full: "), std::string::npos) << failure.what();
    }
}

INSTANTIATE_TEST_SUITE_P(DurableOrNot, DurableFileWriting, ::testing::Bool(),
                         [](const auto& test) { return test.param ? "StraightToTheDisk" : "ThroughTheCache"; });

}  // namespace
}  // namespace kestrune
