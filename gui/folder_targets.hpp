#pragma once

#include <cstdint>

class QLineEdit;

namespace kestrune {

// The text box the folder dialog fills, as the main window's "Select"
// buttons name it. None until a "Select" button is first used.
enum class FolderCode : std::int16_t { None = 0, Grid = 1, Contour = 2, Slope = 3, Xyz = 4, Ascii = 5 };

// What the folder dialog fills: the main window's target code and the text
// box each code names.
class FolderTargets {
public:
    virtual ~FolderTargets() = default;
    virtual FolderCode folderCode() const = 0;
    // The box for `code`, or nullptr for a code that names none.
    virtual QLineEdit* textBoxFor(FolderCode code) const = 0;
};

}  // namespace kestrune
