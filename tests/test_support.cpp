#include "tests/test_support.hpp"

#include "common/small_file.hpp"
#include "common/temporary_name.hpp"
#include "gis/esri_grid/esri_grid_reader.hpp"

#include <cpl_conv.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune::test {

bool programOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const fs::path candidate = fs::path(folders.substr(start, end - start)) / program;
        if (::access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

std::string gdalOracleNote() {
    return std::string("expectations from GDAL 3.6.2; this is GDAL ") + GDALVersionInfo("RELEASE_NAME");
}

FloatRaster roughSurface(std::int64_t ncols, std::int64_t nrows) {
    FloatRaster dem;
    dem.ncols = ncols;
    dem.nrows = nrows;
    dem.cellsize = 10;
    dem.xllcorner = 600000;
    dem.yllcorner = 5200000;
    dem.cells.reserve(static_cast<std::size_t>(ncols * nrows));
    unsigned noise = 12345;
    for (std::int64_t r = 0; r < nrows; ++r)
        for (std::int64_t c = 0; c < ncols; ++c) {
            noise = noise * 1103515245u + 12345u;
            const bool hole = (r - 120) * (r - 120) + (c - 200) * (c - 200) < 400;
            const double x = static_cast<double>(c), y = static_cast<double>(r);
            dem.cells.push_back(hole ? kGridNoData
                                     : static_cast<float>(500 + 60 * std::sin(y * 0.05 + x * 0.03) +
                                                          25 * std::sin(x * 0.37) * std::cos(y * 0.41) +
                                                          static_cast<double>(noise >> 16) / 65536.0 * 6));
        }
    return dem;
}

FloatRaster readGrid(const std::string& gridFolder) { return readAllRows(openEsriGrid(gridFolder)); }

TempDir::TempDir() {
    std::random_device seed;
    path_ = fs::temp_directory_path() / ("kestrune-test-" + std::to_string(seed()) + std::to_string(seed()));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code error;
    // Read-only files some tests make must not keep the folder alive.
    for (auto& entry : fs::recursive_directory_iterator(path_, error))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(path_, error);
}

std::string TempDir::folder(const std::string& name) const {
    fs::create_directories(path_ / name);
    return (path_ / name).string();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
    std::optional<std::string> bytes = readSmallFile(path);
    if (!bytes) throw std::runtime_error("cannot read " + path);
    return *bytes;
}

bool exists(const std::string& path) { return fs::exists(path); }

bool isRunBookkeeping(const std::string& fileName) {
    const std::string record = ".kestrune-made";
    return fileName == kFolderLockName ||
           (fileName.front() == '.' && fileName.size() > record.size() &&
            fileName.compare(fileName.size() - record.size(), record.size(), record) == 0);
}

std::vector<std::string> folderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (auto& entry : fs::directory_iterator(folder))
        if (!isRunBookkeeping(entry.path().filename().string())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

StepRun::StepRun(InputKind inputKind) {
    settings.inputKind = inputKind;
    settings.xyzFolder = dir.folder("xyz");
    settings.asciiFolder = dir.folder("ascii");
    settings.gridFolder = dir.folder("grid");
    settings.slopeFolder = dir.folder("slope");
    settings.contourFolder = dir.folder("contour");
    context.RunOk = true;
}

bool StepRun::run(const std::function<void(RunContext&)>& step) {
    context.RunOk = true;
    context.StatusLine.clear();
    step(context);
    return context.RunOk;
}

long endedProcess() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

std::string hiddenName(const std::string& target, long process, int counter, const std::string& tail) {
    return "." + target + ".kestrune~" + hostName() + "~" + std::to_string(process) + "~" + std::to_string(counter) +
           tail;
}

long long featureCountWithGdal(const std::string& path) {
    GDALAllRegister();
    std::unique_ptr<GDALDataset> dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    if (!dataset || dataset->GetLayerCount() < 1)
        throw std::runtime_error("OGR cannot open " + path + ": " + CPLGetLastErrorMsg());
    return dataset->GetLayer(0)->GetFeatureCount();
}

GdalRaster readWithGdal(const std::string& path) {
    GDALAllRegister();
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
    std::unique_ptr<GDALDataset> dataset(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!dataset) throw std::runtime_error("GDAL cannot open " + path + ": " + CPLGetLastErrorMsg());
    GdalRaster raster;
    raster.driver = dataset->GetDriver()->GetDescription();
    raster.width = dataset->GetRasterXSize();
    raster.height = dataset->GetRasterYSize();
    dataset->GetGeoTransform(raster.geoTransform);
    GDALRasterBand* band = dataset->GetRasterBand(1);
    int hasNoData = 0;
    raster.noData = band->GetNoDataValue(&hasNoData);
    raster.hasNoData = hasNoData != 0;
    raster.values.resize(static_cast<std::size_t>(raster.width) * raster.height);
    if (band->RasterIO(GF_Read, 0, 0, raster.width, raster.height, raster.values.data(), raster.width, raster.height,
                       GDT_Float64, 0, 0) != CE_None)
        throw std::runtime_error("GDAL cannot read " + path + ": " + CPLGetLastErrorMsg());
    if (const char* wkt = dataset->GetProjectionRef()) raster.projectionWkt = wkt;
    return raster;
}

std::string esriWktOf(const std::string& definition) {
    OGRSpatialReference srs;
    if (srs.SetFromUserInput(definition.c_str()) != OGRERR_NONE)
        throw std::runtime_error("no coordinate system: " + definition);
    char* wkt = nullptr;
    const char* const options[] = {"FORMAT=WKT1_ESRI", nullptr};
    srs.exportToWkt(&wkt, options);
    std::string text = wkt;
    CPLFree(wkt);
    return text;
}

int utmZone(const std::string& wkt) {
    OGRSpatialReference srs;
    if (srs.importFromWkt(wkt.c_str()) != OGRERR_NONE) return 0;
    int north = 0;
    const int zone = srs.GetUTMZone(&north);
    return north ? zone : -zone;
}

}  // namespace kestrune::test
