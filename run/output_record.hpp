#pragma once

#include "gis/workspace/raster_workspace.hpp"

#include <string>
#include <vector>

namespace kestrune {

// How an output was made, as text: the settings that shape it, then each
// file it was made from with its size and the time of its last change (or
// that it was absent, as an optional projection file may be).
std::string madeFromText(const std::string& settings, const std::vector<std::string>& inputFiles);

// The files a raster dataset's outputs are made from: a GRID's values,
// header and projection, or the file GDAL reads.
std::vector<std::string> filesOf(const RasterDataset& dataset);

// The record kept beside an output (a hidden file, ".<name>.kestrune-made")
// of how it was made and of the output's own files as they were put in
// place, so that a run with --update keeps an output its inputs and
// settings would make again. An output edited or replaced since, an input
// changed, or a record missing or torn, all mean the output is made again.
class OutputRecord {
public:
    // `outputFiles` are the output's files whose size and time are kept
    // (the .asc; a GRID's folder and value file; the .shp or .gpkg); the
    // record is named after the first and lies beside it.
    explicit OutputRecord(std::vector<std::string> outputFiles);

    // True when the output is there as it was put in place, made as
    // `madeFrom` says.
    bool matches(const std::string& madeFrom) const;
    // Before the output is replaced: a kill between the two leaves no
    // record of the earlier output standing beside the new one.
    void forget() const;
    // Once the output is in place. A record that cannot be written only
    // means a later --update makes the output again.
    void keep(const std::string& madeFrom) const;

    const std::string& path() const { return path_; }

private:
    std::string text(const std::string& madeFrom) const;

    std::vector<std::string> outputFiles_;
    std::string path_;
};

}  // namespace kestrune
