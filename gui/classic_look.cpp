#include "gui/classic_look.hpp"

#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace kestrune {
namespace {

QStyle* classicStyle() {
    static QStyle* style = [] {
        QStyle* created = QStyleFactory::create("Windows");
        return created ? created : QStyleFactory::create("Fusion");
    }();
    return style;
}

}  // namespace

QFont classicFont() {
    QFont font;
    // WenQuanYi Micro Hei for the characters Liberation Sans lacks (the
    // full-width colon of the About box).
    font.setFamilies({"Liberation Sans", "Arimo", "Arial", "WenQuanYi Micro Hei", "DejaVu Sans"});
    font.setPixelSize(11);
    // A touch tighter than the font's own spacing, as the layout's captions
    // were measured in a slightly narrower face ("Separator" before its box).
    font.setLetterSpacing(QFont::PercentageSpacing, 97);
    font.setHintingPreference(QFont::PreferNoHinting);  // widths as designed, at every scale
    return font;
}

void applyClassicLook(QWidget* window) {
    const QFont font = classicFont();
    window->setStyle(classicStyle());
    window->setFont(font);
    for (QWidget* widget : window->findChildren<QWidget*>()) widget->setStyle(classicStyle());
}

void showMessageBox(QWidget* parent, const QString& prompt, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::Ok, parent);
    box.setFont(classicFont());
    // The title bar shows the title beside its buttons; a spacer as wide as
    // both keeps the box from cutting it.
    const int titleWidth = QFontMetrics(box.font()).horizontalAdvance(title) * 5 / 4 + 120;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0,
                      1, grid->columnCount());
    box.exec();
}

}  // namespace kestrune
