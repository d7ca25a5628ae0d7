#include "gui/frm_about.hpp"

#include "common/version.hpp"
#include "gui/classic_look.hpp"
#include "gui/path_text.hpp"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>

#include <filesystem>
#include <stdexcept>

namespace kestrune {
namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text, int left, int top, int width, int height) {
    auto* created = new QLabel(text, parent);
    created->setObjectName(name);
    created->setGeometry(twips(left), twips(top), twips(width), twips(height));
    return created;
}

// A line of the etched separator.
void separatorLine(QWidget* parent, const QColor& colour, int top, int left, int right, int thickness) {
    auto* line = new QFrame(parent);
    line->setGeometry(twips(left), twips(top), twips(right) - twips(left), thickness);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
}

// Contour lines around a summit: the program's mark.
void drawContours(QPainter& painter, const QRectF& area, int rings) {
    painter.setRenderHint(QPainter::Antialiasing);
    for (int ring = rings; ring >= 1; --ring) {
        const double share = static_cast<double>(ring) / rings;
        QRectF ellipse(0, 0, area.width() * share, area.height() * share * 0.8);
        ellipse.moveCenter(area.center() + QPointF(area.width() * 0.06 * (1 - share), 0));
        painter.setBrush(QColor::fromHsv(110 - 80 * (rings - ring) / rings, 120, 150 + 100 * (rings - ring) / rings));
        painter.setPen(QPen(QColor(90, 60, 20), 1));
        painter.drawEllipse(ellipse);
    }
}

}  // namespace

QPixmap aboutPicture() {
    QPixmap picture(94, 40);
    picture.fill(QColor(235, 242, 250));
    QPainter painter(&picture);
    drawContours(painter, QRectF(2, 2, 40, 36), 5);
    painter.setPen(QColor(20, 40, 90));
    // The name in the largest bold face that fits its place beside the mark.
    const QRectF place(42, 0, 50, 40);
    QFont font = classicFont();
    font.setBold(true);
    for (int pixels = 14; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetricsF(font).horizontalAdvance(kApplicationName) <= place.width()) break;
    }
    painter.setFont(font);
    painter.drawText(place, Qt::AlignCenter, kApplicationName);
    return picture;
}

QPixmap programIcon(int size) {
    QPixmap icon(size, size);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    drawContours(painter, QRectF(1, 1, size - 2, size - 2), 4);
    return icon;
}

frmAbout::frmAbout(QWidget* parent, Registry& registry)
    : QDialog(parent),
      registry_(registry),
      startProgram_([](const std::string& path) { return QProcess::startDetached(toQtPath(path), {}); }),
      showMessage_([this](const QString& prompt, const QString& title) { showMessageBox(this, prompt, title); }) {
    setObjectName("frmAbout");
    setWindowTitle("About...");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(twips(5730), twips(3555));

    Picture1 = label(this, "Picture1", {}, 120, 120, 1455, 615);
    Picture1->setPixmap(aboutPicture());
    lblTitle = label(this, "lblTitle", "Program Title", 1680, 240, 3525, 240);
    lblVersion = label(this, "lblVersion", "Version", 1680, 480, 3645, 225);
    // The description scrolls: its text is longer than its place.
    lblDescription = new QPlainTextEdit(this);
    lblDescription->setObjectName("lblDescription");
    lblDescription->setGeometry(twips(120), twips(840), twips(5475), twips(1005));
    lblDescription->setPlainText(
        QString::fromUtf8("Description\uFF1A\n"
                          "1.This program can convert XYZ,ASCII file to ESRI GRID and get Contour(ESRI "
                          "Shape File),slope(ESRI GRID) from them by batch.\n"
                          "2.It needs ArcGIS Spatial Analyst extension when getting slope and Contour.\n"));
    lblDescription->setReadOnly(true);
    lblDescription->setFrameShape(QFrame::NoFrame);
    lblDescription->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lblDescription->viewport()->setAutoFillBackground(false);
    lblDescription->document()->setDocumentMargin(0);
    Label1 = label(this, "Label1", "Update Date : Jun 9 2003", 120, 2040, 2895, 255);
    separatorLine(this, QColor(128, 128, 128), 2445, 90, 5654, 1);
    separatorLine(this, Qt::white, 2460, 105, 5654, 2);
    picIcon = label(this, "picIcon", {}, 120, 2640, 540, 540);
    picIcon->setPixmap(programIcon(32));
    lblDisclaimer = label(this, "lblDisclaimer",
                          "Caution: check every product before you rely on it.\n"
                          "Author: the Kestrune developers\n"
                          "Date: December 2026",
                          840, 2625, 3270, 825);
    lblDisclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDisclaimer->setWordWrap(true);
    for (QWidget* black : std::initializer_list<QWidget*>{lblTitle, lblDescription, lblDisclaimer}) {
        QPalette palette = black->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        palette.setColor(QPalette::Text, Qt::black);
        black->setPalette(palette);
    }

    cmdOK = new QPushButton("sure", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setGeometry(twips(4245), twips(2625), twips(1260), twips(345));
    cmdOK->setDefault(true);  // Enter; Esc closes the box the same way
    cmdSysInfo = new QPushButton("SysInfo(&S)...", this);
    cmdSysInfo->setObjectName("cmdSysInfo");
    cmdSysInfo->setGeometry(twips(4260), twips(3075), twips(1245), twips(345));
    cmdSysInfo->setAutoDefault(false);
    setTabOrder(cmdOK, cmdSysInfo);
    setTabOrder(cmdSysInfo, lblDescription);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    applyClassicLook(this);
    Form_Load();
}

void frmAbout::Form_Load() {
    setWindowTitle(QString("About ") + kApplicationName);
    lblVersion->setText(QString("version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision));
    lblTitle->setText(kApplicationName);
}

void frmAbout::cmdOK_Click() { accept(); }

void frmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void frmAbout::StartSysInfo() {
    std::string toolPath;
    try {
        bool found =
            GetKeyValue(registry_, kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", toolPath);
        if (!found) {
            found = GetKeyValue(registry_, kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO",
                                toolPath);
            std::error_code error;
            found = found && std::filesystem::is_regular_file(toolPath + "\\MSINFO32.EXE", error);
            if (found) toolPath += "\\MSINFO32.EXE";
        }
        if (found && startProgram_(toolPath)) return;
    } catch (const std::runtime_error&) {
        // A value the registry reports as empty: the same answer as no value.
    }
    showMessage_("Can not get any info.", kApplicationName);
}

}  // namespace kestrune
