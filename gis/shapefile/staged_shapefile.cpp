#include "gis/shapefile/staged_shapefile.hpp"

#include "common/replacement.hpp"
#include "common/temporary_name.hpp"

#include <filesystem>

namespace kestrune {

const std::vector<std::string>& shapefileExtensions() {
    static const std::vector<std::string> extensions = {".shp", ".shx", ".dbf", ".prj", ".cpg", ".sbn", ".sbx"};
    return extensions;
}

StagedShapefile::StagedShapefile(const std::string& targetBase)
    : basePath_(temporaryPathBeside(targetBase, shapefileExtensions())) {}

StagedShapefile::~StagedShapefile() {
    if (basePath_.empty()) return;
    for (const auto& extension : shapefileExtensions()) {
        std::error_code ignored;  // a leftover here is cleared by the next run
        std::filesystem::remove(basePath_ + extension, ignored);
    }
}

void StagedShapefile::putInPlace(const std::string& targetBase) {
    replaceFileSet(basePath_, targetBase, shapefileExtensions());
    basePath_.clear();
}

}  // namespace kestrune
