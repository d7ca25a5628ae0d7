#include "gis/esri_ascii/esri_ascii_header.hpp"

#include "common/number_text.hpp"
#include "common/quoted_text.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <stdexcept>
#include <string>

namespace kestrune {
namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return lower;
}

class HeaderParser {
public:
    explicit HeaderParser(std::string_view text) : text_(text) {}

    EsriAsciiHeader parse() {
        std::size_t position = 0;
        int line = 1;
        while (position < text_.size()) {
            std::size_t end = text_.find_first_of("\r\n", position);
            if (end == std::string_view::npos) end = text_.size();
            std::string_view content = text_.substr(position, end - position);
            std::size_t first = content.find_first_not_of(" \t");
            if (first == std::string_view::npos || !isLetter(content[first])) break;  // the values begin
            readKeyLine(content.substr(first), line);
            position = end;
            if (position < text_.size() && text_[position] == '\r') ++position;
            if (position < text_.size() && text_[position] == '\n') ++position;
            ++line;
        }
        return finish(position);
    }

private:
    [[noreturn]] static void fail(int line, const std::string& reason) {
        throw std::runtime_error("line " + std::to_string(line) + ": " + reason);
    }

    void readKeyLine(std::string_view content, int line) {
        std::size_t keyEnd = content.find_first_of(" \t");
        std::string key = lowerCase(content.substr(0, keyEnd));
        static const char* const kKeys[] = {"ncols",     "nrows",     "xllcorner", "yllcorner",
                                            "xllcenter", "yllcenter", "cellsize",  "nodata_value"};
        if (std::find(std::begin(kKeys), std::end(kKeys), key) == std::end(kKeys))
            fail(line, "unknown header key " + quotedText(content.substr(0, keyEnd)));
        std::string origin = key.substr(0, 2) == "xl" || key.substr(0, 2) == "yl" ? key.substr(0, 1) : key;
        if (!seen_.emplace(origin, line).second)
            fail(line, "the key " + key + " repeats what line " + std::to_string(seen_[origin]) + " gave");
        std::string_view value = keyEnd == std::string_view::npos ? std::string_view() : content.substr(keyEnd);
        auto number = parseNumber(value);
        if (!number) fail(line, "the value of " + key + " is not a number");
        values_[key] = *number;
        lines_[key] = line;
    }

    std::int64_t count(const std::string& key) {
        double value = values_.at(key);
        if (!(value >= 1 && value <= 1e15 && value == std::floor(value)))
            fail(lines_.at(key), key + " " + formatDouble(value) + " is not a positive whole number");
        return static_cast<std::int64_t>(value);
    }

    EsriAsciiHeader finish(std::size_t dataOffset) {
        for (const char* key : {"ncols", "nrows", "cellsize"})
            if (!values_.count(key)) throw std::runtime_error(std::string("the header has no ") + key);
        for (const char* axis : {"x", "y"})
            if (!seen_.count(axis))
                throw std::runtime_error(std::string("the header has no ") + axis + "llcorner or " + axis + "llcenter");
        EsriAsciiHeader header;
        RasterGeometry& g = header.geometry;
        g.ncols = count("ncols");
        g.nrows = count("nrows");
        g.cellsize = values_.at("cellsize");
        if (!(g.cellsize > 0)) fail(lines_.at("cellsize"), "cellsize " + formatDouble(g.cellsize) + " is not positive");
        g.xllcorner = values_.count("xllcorner") ? values_["xllcorner"] : values_["xllcenter"] - g.cellsize / 2;
        g.yllcorner = values_.count("yllcorner") ? values_["yllcorner"] : values_["yllcenter"] - g.cellsize / 2;
        if (values_.count("nodata_value")) header.nodata = values_["nodata_value"];
        header.dataOffset = dataOffset;
        return header;
    }

    std::string_view text_;
    std::map<std::string, int> seen_;  // key (x, y for the corners) -> line
    std::map<std::string, double> values_;
    std::map<std::string, int> lines_;
};

}  // namespace

EsriAsciiHeader parseEsriAsciiHeader(std::string_view start) { return HeaderParser(start).parse(); }

}  // namespace kestrune
