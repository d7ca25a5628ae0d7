#pragma once

#include <QFont>
#include <QString>

class QWidget;

namespace kestrune {

// The look the windows were laid out for, the same on every desktop: the
// classic style (frame captions on the frame's line, 13-pixel check boxes)
// and an 11-pixel Liberation Sans, whose widths are those of the fonts the
// layout was drawn with. Pixel sizes scale with the screen's scale factor,
// so every text keeps its place at any scale.
QFont classicFont();

// Gives `window` and every widget in it the classic style and font; call
// after its controls are built.
void applyClassicLook(QWidget* window);

// A modal message box with an OK button and no icon, wide enough for its
// title as well as its text.
void showMessageBox(QWidget* parent, const QString& prompt, const QString& title);

}  // namespace kestrune
