#include "xyz_grid_engine.hpp"

#include "ascii_raster_writer.hpp"
#include "raster_grid_builder.hpp"
#include "xyz_point_reader.hpp"

#include <exception>
#include <new>

namespace kestrune {
namespace {

CellSizeRequest cellSizeRequest(const RunSettings& settings) {
    if (settings.cellSizeMode == CellSizeMode::Given) return {settings.cellSize};
    return {};
}

void writeRaster(RunContext& run, const std::string& xyzPath, const std::string& ascPath) {
    AsciiRasterGrid grid;
    {
        XyzPointSet points = ReadXyzPoints(xyzPath, run.settings.Separator);
        grid = BuildRasterGrid(points, cellSizeRequest(run.settings));
    }  // the points are freed before the file is written
    WriteAsciiRaster(grid, ascPath);
}

}  // namespace

void reportXyzFailure(RunContext& run, const std::string& xyzPath, const std::string& description) {
    run.showMessage(xyzPath + " Error-" + description, "Program was interrupted");
    run.RunOk = false;
    run.setStatusLine("");
}

bool XyzGridEngine(RunContext& run, const std::string& xyzPath, const std::string& ascPath) {
    try {
        writeRaster(run, xyzPath, ascPath);
        return true;
    } catch (const XyzFormatError&) {
        run.showMessage(xyzPath + " does not fit the format you setting!", "Please Check xyz file");
        run.RunOk = false;
        run.setStatusLine("");
    } catch (const std::bad_alloc&) {
        reportXyzFailure(run, xyzPath, "not enough memory");
    } catch (const std::exception& failure) {
        reportXyzFailure(run, xyzPath, failure.what());
    }
    return false;
}

}  // namespace kestrune
