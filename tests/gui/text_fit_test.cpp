// Every text of the three windows fits its control: measured with the
// controls' own fonts and style against their geometry, at the scale the
// environment gives (ctest runs this at 1x and at 1.5x). A text may not be
// wider or taller than the place its control draws it in, may not run into
// a neighbouring control, and nothing may sit on a frame's caption or line.
#include "gui/frm_about.hpp"
#include "gui/frm_fd_sel.hpp"
#include "gui/frm_main.hpp"

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QGlyphRun>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOption>
#include <QTextLayout>
#include <QtTest>

using namespace kestrune;

namespace {

// The controls we placed: named, and not parts of other controls.
bool isOurControl(const QWidget* widget) {
    const QString name = widget->objectName();
    if (name.isEmpty() || name.startsWith("qt_")) return false;
    for (const QWidget* up = widget->parentWidget(); up && !up->isWindow(); up = up->parentWidget())
        if (qobject_cast<const QAbstractScrollArea*>(up) || qobject_cast<const QComboBox*>(up)) return false;
    return true;
}

QString describe(const QWidget* widget, const QRect& needed, const QRect& room) {
    return QString("%1: needs %2x%3 at (%4,%5), has %6x%7 at (%8,%9)")
        .arg(widget->objectName())
        .arg(needed.width())
        .arg(needed.height())
        .arg(needed.x())
        .arg(needed.y())
        .arg(room.width())
        .arg(room.height())
        .arg(room.x())
        .arg(room.y());
}

// Where a control draws its text (in its own coordinates), and the room it
// has for it; none for controls without a text of fixed extent.
struct TextPlace {
    QRect text;
    QRect room;
};

// A single line of text as the styles lay it out: its advance (trailing
// blanks, which draw nothing, left out) by the font's line height.
QSize lineSize(const QFontMetrics& metrics, const QString& text) {
    QString shown = text;
    while (shown.endsWith(' ')) shown.chop(1);
    return QSize(metrics.size(Qt::TextShowMnemonic, shown).width(), metrics.height());
}

std::optional<TextPlace> textPlace(const QWidget* widget) {
    const QFontMetrics metrics(widget->font());
    const QStyle* style = widget->style();
    if (auto* label = qobject_cast<const QLabel*>(widget)) {
        const QRect room = label->contentsRect();
        if (!label->pixmap().isNull()) {
            const QSize size = label->pixmap().deviceIndependentSize().toSize();
            return TextPlace{QStyle::alignedRect(label->layoutDirection(), label->alignment(), size, room), room};
        }
        if (label->text().isEmpty()) return std::nullopt;
        if (label->wordWrap()) {
            const int flags = static_cast<int>(label->alignment()) | Qt::TextWordWrap | Qt::TextShowMnemonic;
            return TextPlace{metrics.boundingRect(room, flags, label->text()), room};
        }
        return TextPlace{
            QStyle::alignedRect(label->layoutDirection(), label->alignment(), lineSize(metrics, label->text()), room),
            room};
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QSize size = lineSize(metrics, button->text());
        QStyle::SubElement element = QStyle::SE_PushButtonContents;
        if (qobject_cast<const QCheckBox*>(button)) element = QStyle::SE_CheckBoxContents;
        if (qobject_cast<const QRadioButton*>(button)) element = QStyle::SE_RadioButtonContents;
        const QRect room = style->subElementRect(element, &option, button);
        QRect text(QPoint(0, 0), size);
        if (element == QStyle::SE_PushButtonContents)
            text.moveCenter(room.center());
        else
            text.moveTopLeft(QPoint(room.left(), room.center().y() - size.height() / 2));
        return TextPlace{text, room};
    }
    if (auto* group = qobject_cast<const QGroupBox*>(widget)) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.lineWidth = 1;
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        option.textAlignment = group->alignment();
        const QRect room = style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
        QRect text(room.topLeft(), lineSize(metrics, group->title()));
        return TextPlace{text, room.intersected(group->rect())};
    }
    // The folder dialog's drives are the machine's mount points: data, like a
    // text box's, not texts of ours.
    if (widget->objectName() == "Drive1") return std::nullopt;
    if (auto* combo = qobject_cast<const QComboBox*>(widget)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        const QRect room = style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
        int widest = 0;
        for (int i = 0; i < combo->count(); ++i)
            widest = std::max(widest, metrics.horizontalAdvance(combo->itemText(i)) + 4);
        return TextPlace{QRect(room.left(), room.center().y() - metrics.height() / 2, widest, metrics.height()), room};
    }
    if (auto* line = qobject_cast<const QLineEdit*>(widget)) {
        const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, line);
        const QRect room = line->rect().adjusted(frame, frame, -frame, -frame);
        const QSize size(metrics.horizontalAdvance(line->text()) + 4, metrics.height());
        QRect text(QPoint(0, 0), size);
        text.moveCenter(room.center());
        text.moveLeft(room.left());
        return TextPlace{text, room};
    }
    return std::nullopt;
}

// What a control draws, in its parent's coordinates: a label its text or
// picture, a check box or option its indicator and text, anything else its
// whole rectangle.
QRect drawnRect(const QWidget* widget) {
    if (qobject_cast<const QLabel*>(widget) || qobject_cast<const QCheckBox*>(widget) ||
        qobject_cast<const QRadioButton*>(widget)) {
        const std::optional<TextPlace> place = textPlace(widget);
        if (!place) return {};
        QRect drawn = place->text;
        if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            QStyleOptionButton option;
            option.initFrom(button);
            drawn |= button->style()->subElementRect(
                qobject_cast<const QCheckBox*>(button) ? QStyle::SE_CheckBoxIndicator : QStyle::SE_RadioButtonIndicator,
                &option, button);
        }
        return drawn.translated(widget->pos());
    }
    return widget->geometry();
}

// The frame line and caption of a group box, in its own coordinates.
QRect groupBoxFrame(const QGroupBox* group) {
    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.text = group->title();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    return group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, group);
}

// The texts a control shows, whatever kind it is.
QString shownText(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
    if (auto* edit = qobject_cast<const QPlainTextEdit*>(widget)) return edit->toPlainText();
    return {};
}

// True when the control's font, with its fallbacks, draws every character
// of its text (no empty boxes).
bool hasEveryGlyph(const QWidget* widget) {
    QString text = shownText(widget);
    text.remove('&').remove('\n').remove('\r');
    if (text.isEmpty()) return true;
    QTextLayout layout(text, widget->font());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns())
        for (quint32 glyph : run.glyphIndexes())
            if (glyph == 0) return false;
    return true;
}

QStringList misfits(QWidget* window) {
    QStringList found;
    QList<QWidget*> controls;
    for (QWidget* widget : window->findChildren<QWidget*>())
        if (isOurControl(widget)) controls << widget;
    for (QWidget* widget : controls) {
        const std::optional<TextPlace> place = textPlace(widget);
        if (place && !place->room.contains(place->text)) found << describe(widget, place->text, place->room);
        if (!hasEveryGlyph(widget)) found << widget->objectName() + ": its font lacks a character of its text";
        // Its text runs into no neighbour.
        if (place)
            for (QWidget* other : controls)
                if (other != widget && other->parentWidget() == widget->parentWidget() &&
                    place->text.translated(widget->pos()).intersects(drawnRect(other)))
                    found << describe(widget, place->text.translated(widget->pos()), widget->geometry()) +
                                 ", runs into " + other->objectName();
        // Nothing sits on a frame's line or caption.
        if (auto* group = qobject_cast<const QGroupBox*>(widget->parentWidget())) {
            const QRect inside = groupBoxFrame(group).adjusted(2, 2, -2, -2);
            const std::optional<TextPlace> caption = textPlace(group);
            if (!inside.contains(widget->geometry()) || (caption && caption->text.intersects(widget->geometry())))
                found << widget->objectName() + ": sits on the frame or caption of " + group->objectName();
        }
    }
    return found;
}

struct Targets : FolderTargets {
    FolderCode folderCode() const override { return FolderCode::None; }
    QLineEdit* textBoxFor(FolderCode) const override { return nullptr; }
};

// Shows a window offscreen and fails on every text of it that does not fit.
void expectEveryTextFits(QWidget& window) {
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QStringList found = misfits(&window);
    QVERIFY2(found.isEmpty(), qPrintable(found.join("\n")));
}

}  // namespace

class TextFitTest : public QObject {
    Q_OBJECT
private slots:
    void mainWindow() {
        FrmMain window;
        expectEveryTextFits(window);
    }
    void aboutBox() {
        frmAbout box;
        expectEveryTextFits(box);
    }
    void folderDialog() {
        Targets targets;
        FrmFdSel dialog(targets);
        expectEveryTextFits(dialog);
    }
};

QTEST_MAIN(TextFitTest)
#include "text_fit_test.moc"
