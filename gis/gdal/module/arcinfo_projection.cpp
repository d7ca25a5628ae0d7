#include "gis/gdal/module/arcinfo_projection.hpp"

#include "gis/gdal/gdal_services.hpp"
#include "gis/gdal/module/gdal_access.hpp"
#include "gis/gdal/module/ground_units_of.hpp"

#include "common/number_text.hpp"

#include <cpl_conv.h>
#include <cpl_string.h>
#include <ogr_spatialref.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>

namespace kestrune {
namespace {

// The geographic coordinate systems the keyword form names: by datum (with
// its spheroid, written too), or by spheroid alone.
struct KeywordDatum {
    const char* datum;  // empty: named by the spheroid alone
    const char* spheroid;
    const char* gdalName;  // for OGRSpatialReference::SetWellKnownGeogCS
};
const KeywordDatum kKeywordDatums[] = {
    {"WGS84", "WGS84", "WGS84"},  {"NAD83", "GRS80", "NAD83"},      {"NAD27", "CLARKE1866", "NAD27"},
    {"WGS72", "WGS72", "WGS72"},  {"ED50", "INT1909", "EPSG:4230"}, {"GDA94", "GRS80", "EPSG:4283"},
    {"", "INT1909", "EPSG:4022"}, {"", "AIRY", "EPSG:4001"},        {"", "CLARKE1866", "EPSG:4008"},
    {"", "GRS80", "EPSG:4019"},   {"", "KRASOVSKY", "EPSG:4024"},   {"", "BESSEL", "EPSG:4004"},
};

std::optional<KeywordDatum> keywordDatumOf(const OGRSpatialReference& srs) {
    for (const KeywordDatum& candidate : kKeywordDatums) {
        OGRSpatialReference geographic;
        if (geographic.SetWellKnownGeogCS(candidate.gdalName) == OGRERR_NONE && srs.IsSameGeogCS(&geographic))
            return candidate;
    }
    return std::nullopt;
}

// The shortest decimal text that reads back as `value`.
std::string exactText(double value) {
    char text[40];
    for (int digits = 15; digits <= 17; ++digits) {
        *formatNumber(text, value, digits) = '\0';
        if (parseNumber(text) == value) break;
    }
    return text;
}

// The keyword form, written line by line.
class KeywordText {
public:
    KeywordText& line(const std::string& keyword, const std::string& value = "") {
        text_ += keyword;
        if (!value.empty()) text_ += std::string(keyword.size() < 14 ? 14 - keyword.size() : 1, ' ') + value;
        text_ += "\r\n";
        return *this;
    }
    KeywordText& datum(const KeywordDatum& datum) {
        if (*datum.datum) line("Datum", datum.datum);
        return line("Spheroid", datum.spheroid);
    }
    KeywordText& parameter(double value, const char* meaning) {
        text_ += exactText(value) + " /* " + meaning + "\r\n";
        return *this;
    }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// The Units line of a projected system: METERS, FEET (US survey feet), or
// units per metre.
std::string unitsOf(const OGRSpatialReference& srs) {
    const double metres = srs.GetLinearUnits();
    if (metres == 1.0) return "METERS";
    if (std::fabs(metres - CPLAtof(SRS_UL_US_FOOT_CONV)) < 1e-15) return "FEET";
    return exactText(1.0 / metres);
}

KeywordText projectedHead(const std::string& projection, const OGRSpatialReference& srs, const KeywordDatum& datum) {
    KeywordText text;
    text.line("Projection", projection).datum(datum).line("Units", unitsOf(srs)).line("Zunits", "NO");
    return text;
}

// A projection the keyword form holds by parameters: its keyword and its
// parameters in the order GDAL's reader takes them, each with the comment
// ArcGIS writes after it; angles in degrees, false easting and northing in
// metres.
struct ParameterForm {
    const char* method;  // GDAL's name of the projection
    const char* keyword;
    std::vector<std::pair<const char*, const char*>> parameters;  // GDAL's name, comment
};

const std::vector<ParameterForm>& parameterForms() {
    static const std::pair<const char*, const char*> east{SRS_PP_FALSE_EASTING, "false easting (meters)"};
    static const std::pair<const char*, const char*> north{SRS_PP_FALSE_NORTHING, "false northing (meters)"};
    static const std::vector<ParameterForm> forms = {
        {SRS_PT_TRANSVERSE_MERCATOR,
         "TRANSVERSE",
         {{SRS_PP_SCALE_FACTOR, "scale factor at central meridian"},
          {SRS_PP_CENTRAL_MERIDIAN, "longitude of central meridian"},
          {SRS_PP_LATITUDE_OF_ORIGIN, "latitude of origin"},
          east,
          north}},
        {SRS_PT_LAMBERT_CONFORMAL_CONIC_2SP,
         "LAMBERT",
         {{SRS_PP_STANDARD_PARALLEL_1, "1st standard parallel"},
          {SRS_PP_STANDARD_PARALLEL_2, "2nd standard parallel"},
          {SRS_PP_CENTRAL_MERIDIAN, "central meridian"},
          {SRS_PP_LATITUDE_OF_ORIGIN, "latitude of projection's origin"},
          east,
          north}},
        {SRS_PT_ALBERS_CONIC_EQUAL_AREA,
         "ALBERS",
         {{SRS_PP_STANDARD_PARALLEL_1, "1st standard parallel"},
          {SRS_PP_STANDARD_PARALLEL_2, "2nd standard parallel"},
          {SRS_PP_LONGITUDE_OF_CENTER, "central meridian"},
          {SRS_PP_LATITUDE_OF_CENTER, "latitude of projection's origin"},
          east,
          north}},
        {SRS_PT_LAMBERT_AZIMUTHAL_EQUAL_AREA,
         "LAMBERT_AZIMUTHAL",
         {{SRS_PP_LONGITUDE_OF_CENTER, "longitude of center of projection"},
          {SRS_PP_LATITUDE_OF_CENTER, "latitude of center of projection"},
          east,
          north}},
        {SRS_PT_POLYCONIC,
         "POLYCONIC",
         {{SRS_PP_CENTRAL_MERIDIAN, "longitude of central meridian"},
          {SRS_PP_LATITUDE_OF_ORIGIN, "latitude of projection's origin"},
          east,
          north}},
        {SRS_PT_MERCATOR_2SP,
         "MERCATOR",
         {{SRS_PP_CENTRAL_MERIDIAN, "longitude of central meridian"},
          {SRS_PP_STANDARD_PARALLEL_1, "latitude of true scale"},
          east,
          north}},
    };
    return forms;
}

// The keyword form of a projection parameterForms() holds.
std::optional<std::string> parameterForm(const OGRSpatialReference& srs, const KeywordDatum& datum) {
    const std::string method = srs.GetAttrValue("PROJECTION") ? srs.GetAttrValue("PROJECTION") : "";
    for (const ParameterForm& form : parameterForms()) {
        if (method != form.method) continue;
        KeywordText text = projectedHead(form.keyword, srs, datum);
        text.line("Xshift", "0.0").line("Yshift", "0.0").line("Parameters");
        for (const auto& [name, comment] : form.parameters) text.parameter(srs.GetNormProjParm(name, 0.0), comment);
        return text.text();
    }
    return std::nullopt;
}

// The state plane zones (USGS numbers) of GDAL's table for one datum, each
// with its system in metres.
struct StatePlaneZone {
    int usgsZone;
    std::shared_ptr<OGRSpatialReference> inMetres;
};

std::shared_ptr<OGRSpatialReference> inMetres(const OGRSpatialReference& srs) {
    auto copy = std::make_shared<OGRSpatialReference>(srs);
    copy->SetLinearUnitsAndUpdateParameters(SRS_UL_METER, 1.0);
    return copy;
}

const std::vector<StatePlaneZone>& statePlaneZones(bool nad83) {
    static std::mutex mutex;
    static std::map<bool, std::vector<StatePlaneZone>> zones;
    std::lock_guard<std::mutex> guard(mutex);
    auto found = zones.find(nad83);
    if (found != zones.end()) return found->second;
    std::vector<StatePlaneZone>& list = zones[nad83];
    const char* table = CPLFindFile("gdal", "stateplane.csv");
    std::ifstream csv(table ? table : "");
    std::string row;
    std::getline(csv, row);  // the header: ID,STATE,ZONE,PROJ_METHOD,DATUM,USGS_CODE,EPSG_PCS_CODE
    while (std::getline(csv, row)) {
        std::vector<std::string> fields;
        std::stringstream columns(row);
        for (std::string field; std::getline(columns, field, ',');) fields.push_back(field);
        if (fields.size() < 7 || fields[4] != (nad83 ? "NAD83" : "NAD27")) continue;
        const int zone = std::atoi(fields[5].c_str());
        OGRSpatialReference srs;
        if (zone > 0 && srs.SetStatePlane(zone, nad83) == OGRERR_NONE) list.push_back({zone, inMetres(srs)});
    }
    return list;
}

// The keyword form of a state plane zone of NAD27 or NAD83, in any units.
std::optional<std::string> statePlaneForm(const OGRSpatialReference& srs, const KeywordDatum& datum) {
    const std::string name = datum.datum;
    if (name != "NAD83" && name != "NAD27") return std::nullopt;
    const auto source = inMetres(srs);
    for (const StatePlaneZone& zone : statePlaneZones(name == "NAD83"))
        if (source->IsSame(zone.inMetres.get()))
            return projectedHead("STATEPLANE", srs, datum)
                .line("Fipszone", std::to_string(zone.usgsZone))
                .line("Parameters")
                .text();
    return std::nullopt;
}

// The keyword forms that may hold `srs`, the most specific first.
std::vector<std::string> keywordForms(const OGRSpatialReference& srs) {
    std::vector<std::string> forms;
    const std::optional<KeywordDatum> datum = keywordDatumOf(srs);
    if (!datum) return forms;
    if (srs.IsGeographic()) {
        KeywordText text;
        text.line("Projection", "GEOGRAPHIC").datum(*datum).line("Units", "DD").line("Zunits", "NO").line("Parameters");
        forms.push_back(text.text());
        return forms;
    }
    if (!srs.IsProjected()) return forms;
    int north = 0;
    if (const int zone = srs.GetUTMZone(&north); zone > 0) {
        KeywordText text = projectedHead("UTM", srs, *datum);
        text.line("Zone", std::to_string(zone)).line("Xshift", "0.0").line("Yshift", north ? "0.0" : "10000000.0");
        forms.push_back(text.line("Parameters").text());
    }
    if (auto form = statePlaneForm(srs, *datum)) forms.push_back(*form);
    if (auto form = parameterForm(srs, *datum)) forms.push_back(*form);
    return forms;
}

// The Zunits value naming the unit of heights `projection` gives: NO for
// none, METERS, FEET (US survey feet); empty for a unit the keyword form
// cannot name.
std::string zunitsOf(const std::string& projection) {
    const double metres = groundUnitsOf(projection).metresPerZUnit;
    if (metres == 0) return "NO";
    if (std::fabs(metres - 1) < 1e-12) return "METERS";
    if (std::fabs(metres - CPLAtof(SRS_UL_US_FOOT_CONV)) < 1e-12) return "FEET";
    return {};
}

// `form` with its Zunits line saying `zunits`.
std::string withZunits(std::string form, const std::string& zunits) {
    const std::string none = KeywordText().line("Zunits", "NO").text();
    const auto at = form.find(none);
    if (at != std::string::npos) form.replace(at, none.size(), KeywordText().line("Zunits", zunits).text());
    return form;
}

std::string keywordFormOrAsGiven(const std::string& projection) {
    OGRSpatialReference source;
    if (!readProjection(projection, source)) return projection;
    const std::string zunits = zunitsOf(projection);  // the unit of heights is kept, or the form is not taken
    if (zunits.empty()) return projection;
    for (const std::string& form : keywordForms(source)) {
        OGRSpatialReference back;
        if (readProjection(form, back) && back.IsSame(&source)) return withZunits(form, zunits);
    }
    return projection;
}

}  // namespace

bool readProjection(const std::string& given, OGRSpatialReference& srs) {
    useGdalLibrary();
    const std::string text = trimmedProjection(given);
    std::vector<std::string> lines;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    if (lines.empty()) return false;
    std::vector<char*> pointers;
    for (std::string& line : lines) pointers.push_back(line.data());
    pointers.push_back(nullptr);
    if (srs.importFromESRI(pointers.data()) == OGRERR_NONE) return true;
    const char* const options[] = {"ALLOW_NETWORK_ACCESS=NO", "ALLOW_FILE_ACCESS=NO", nullptr};
    return srs.SetFromUserInput(text.c_str(), options) == OGRERR_NONE;
}

std::string esriWktOf(const OGRSpatialReference& srs) {
    char* wkt = nullptr;
    const char* const options[] = {"FORMAT=WKT1_ESRI", nullptr};
    std::string text;
    if (srs.exportToWkt(&wkt, options) == OGRERR_NONE && wkt) text = wkt;
    CPLFree(wkt);
    return text;
}

std::string arcInfoProjection(const std::string& projection) {
    if (projection.empty()) return projection;
    static std::mutex mutex;
    static std::map<std::string, std::string> converted;  // the tiles of a job share one projection
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (auto found = converted.find(projection); found != converted.end()) return found->second;
    }
    std::string form = keywordFormOrAsGiven(projection);
    std::lock_guard<std::mutex> guard(mutex);
    return converted.emplace(projection, std::move(form)).first->second;
}

}  // namespace kestrune
