#include "gis/shapefile/staged_shapefile.hpp"

namespace kestrune {

const std::vector<std::string>& shapefileExtensions() {
    static const std::vector<std::string> extensions = {".shp", ".shx", ".dbf", ".prj", ".cpg", ".sbn", ".sbx"};
    return extensions;
}

}  // namespace kestrune
