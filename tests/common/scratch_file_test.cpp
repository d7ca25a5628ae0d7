// The scratch file keeps what is stored until it is released, and stores
// later data in released room, so that it holds about what is kept at once.
#include "common/scratch_file.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <string>

namespace kestrune {
namespace {

std::string readBack(const ScratchFile& file, std::uint64_t offset, std::size_t size) {
    std::string bytes(size, '\0');
    file.read(offset, bytes.data(), size);
    return bytes;
}

TEST(ScratchFile, ReleasedRoomIsUsedAgainAndWhatIsKeptStaysIntact) {
    test::TempDir dir;
    ScratchFile file(dir.path().string());
    const std::string a(1000, 'a'), b(3000, 'b'), c(500, 'c');
    const auto atA = file.store(a.data(), a.size());
    const auto atB = file.store(b.data(), b.size());
    const auto atC = file.store(c.data(), c.size());
    EXPECT_EQ(file.size(), 4500u);

    // The smallest released piece that holds new data takes it.
    file.release(atB, b.size());
    file.release(atA, a.size());  // joins the room of b: 4000 bytes from 0
    const std::string d(800, 'd'), e(3100, 'e');
    const auto atD = file.store(d.data(), d.size());
    const auto atE = file.store(e.data(), e.size());
    EXPECT_EQ(atD, 0u);
    EXPECT_EQ(atE, 800u);
    EXPECT_EQ(file.size(), 4500u) << "nothing was added at the end";

    // Without room that holds it, data goes at the end.
    const std::string f(200, 'f');
    EXPECT_EQ(file.store(f.data(), f.size()), 4500u);

    EXPECT_EQ(readBack(file, atC, c.size()), c);
    EXPECT_EQ(readBack(file, atD, d.size()), d);
    EXPECT_EQ(readBack(file, atE, e.size()), e);
}

// Released pieces that touch become one, whichever order they come in.
TEST(ScratchFile, ReleasedNeighboursJoin) {
    test::TempDir dir;
    ScratchFile file(dir.path().string());
    const std::string piece(100, 'x');
    std::uint64_t at[5];
    for (auto& offset : at) offset = file.store(piece.data(), piece.size());
    for (const int i : {1, 3, 2, 0, 4}) file.release(at[i], piece.size());
    const std::string whole(500, 'y');
    EXPECT_EQ(file.store(whole.data(), whole.size()), 0u);
    EXPECT_EQ(file.size(), 500u);
    EXPECT_EQ(readBack(file, 0, whole.size()), whole);
}

}  // namespace
}  // namespace kestrune
