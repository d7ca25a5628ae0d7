#pragma once

#include <string>

class OGRSpatialReference;

namespace kestrune {

// The projection of a GRID's prj.adf. ArcGIS writes the ArcInfo keyword form
// there, one keyword a line with CR LF:
//   Projection    UTM
//   Zone          33
//   Datum         WGS84
//   Spheroid      WGS84
//   Units         METERS
//   Zunits        NO
//   Xshift        0.0
//   Yshift        0.0
//   Parameters
// followed by the projection's parameter values, one a line. GDAL and
// ArcGIS read that form and WKT alike.

// `projection` (WKT, ESRI's WKT or the keyword form) in the keyword form
// when GDAL reads that back as the same coordinate system; else unchanged,
// for coordinate systems the keyword form cannot hold (a datum it does not
// name, a projection it lacks).
std::string arcInfoProjection(const std::string& projection);

// Reads a projection text of any of those forms into `srs`; false when it
// holds none. Never reads a file or the network.
bool readProjection(const std::string& text, OGRSpatialReference& srs);

// `srs` in ESRI's WKT, as a shapefile's .prj holds it; empty when GDAL
// cannot write it so.
std::string esriWktOf(const OGRSpatialReference& srs);

}  // namespace kestrune
