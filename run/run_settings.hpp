#pragma once

#include <string>

namespace kestrune {

enum class InputKind { XyzFiles, AsciiRasterFiles, EsriGrids };

enum class CellSizeMode { Given, Inferred };

// What contours are written as: a shapefile (.shp and its files), or a
// GeoPackage (.gpkg), which holds contours of any size.
enum class ContourFormat { Shapefile, GeoPackage };

// The state of the window's controls when "Go" is pressed. Folders and
// numbers stay the texts the user typed; each step converts what it needs.
// The defaults are the window's start values.
struct RunSettings {
    InputKind inputKind = InputKind::EsriGrids;
    std::string xyzFolder;
    std::string asciiFolder;
    std::string gridFolder;
    CellSizeMode cellSizeMode = CellSizeMode::Inferred;
    std::string cellSize = "5";
    // The XYZ column separator: one blank, a tab, "," or ";".
    std::string Separator = " ";
    bool contourOutput = false;
    std::string contourFolder;
    std::string contourStart = "0";
    std::string contourInterval = "5";
    ContourFormat contourFormat = ContourFormat::Shapefile;
    bool slopeOutput = false;
    std::string slopeFolder;
    // One share of a job cut among several runs (kestrune-batch --shard K/N):
    // the first step does the files whose index in its folder listing is K
    // modulo N, the later steps only what the earlier ones made.
    int shardIndex = 0;
    int shardCount = 1;
    // The GRID folder's rasters that lie on one lattice as tiles of one
    // surface: slopes and contours join across their borders.
    bool seamless = false;
    // Ground units (metres for a geographic raster) in one unit of height,
    // for slopes; 0 takes what the raster's coordinate system says.
    double zFactor = 0;
    // Outputs already there as the present inputs and settings would make
    // them are kept, not made again (a job finished after a kill).
    bool update = false;
};

}  // namespace kestrune
