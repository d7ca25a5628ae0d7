#pragma once

#include <cstdint>

class QLineEdit;

namespace kestrune {

// What the folder dialog fills: the main window's target code and the text
// box each code names (1 GRID, 2 contour, 3 slope, 4 XYZ, 5 ASCII folder).
class FolderTargets {
public:
    virtual ~FolderTargets() = default;
    virtual std::int16_t folderCode() const = 0;
    // The box for `code`, or nullptr for a code outside 1 to 5.
    virtual QLineEdit* textBoxFor(std::int16_t code) const = 0;
};

}  // namespace kestrune
