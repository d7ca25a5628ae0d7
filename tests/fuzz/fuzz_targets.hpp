#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrune::fuzz {

// Each takes any bytes and must neither crash nor leak: a failure the
// reader reports (std::runtime_error) is a good answer. libFuzzer drives
// them (scripts/fuzz.sh), and the test suite replays the inputs that once
// broke them (tests/fuzz/regressions/<target>/).

// The bytes as an XYZ file, with the separators blank and comma.
void xyzReader(const std::uint8_t* data, std::size_t size);
// The bytes as an ESRI ASCII raster file.
void asciiReader(const std::uint8_t* data, std::size_t size);
// The bytes as the files of a GRID (see gridFiles), read by our own reader.
void gridReader(const std::uint8_t* data, std::size_t size);
// The bytes as a workspace's info/arc.dir, to which a GRID's tables are added and removed.
void infoTables(const std::uint8_t* data, std::size_t size);

// The files of a GRID folder in one piece, as gridReader takes them: for
// each file, its number (0 hdr.adf, 1 dblbnd.adf, 2 w001001x.adf, 3
// w001001.adf, 4 sta.adf, 5 prj.adf), its length as 4 bytes (little
// endian), then its bytes.
std::string gridFiles(const std::string& gridFolder);

}  // namespace kestrune::fuzz
