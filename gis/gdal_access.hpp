#pragma once

#include <string>

namespace kestrune {

// GDAL, set up once for the program: every driver registered, no .aux.xml
// files written beside the data, a small block cache, and no messages
// printed: a failure comes back as an exception carrying GDAL's own text.
void useGdal();

// GDAL's text for the last failure, or `fallback` when it gave none.
std::string lastGdalError(const std::string& fallback);

}  // namespace kestrune
