#include "gui/frm_main.hpp"

#include "run/user_interface.hpp"

#include "gui/background_run.hpp"
#include "gui/classic_look.hpp"
#include "gui/frm_about.hpp"
#include "gui/frm_fd_sel.hpp"
#include "gui/path_text.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <iterator>
#include <utility>

namespace kestrune {
namespace {

// Places a control in twips, relative to its container.
template <class Control>
Control* place(Control* control, const char* name, int left, int top, int width, int height) {
    control->setObjectName(name);
    control->setGeometry(twips(left), twips(top), twips(width), twips(height));
    return control;
}

QGroupBox* frame(QWidget* parent, const char* name, const char* caption, int left, int top, int width, int height) {
    return place(new QGroupBox(caption, parent), name, left, top, width, height);
}

QLineEdit* textBox(QWidget* parent, const char* name, const char* text, int left, int top, int width, int height) {
    return place(new QLineEdit(text, parent), name, left, top, width, height);
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, int left, int top, int width, int height) {
    auto* created = place(new QPushButton(caption, parent), name, left, top, width, height);
    created->setAutoDefault(false);
    return created;
}

QLabel* label(QWidget* parent, const char* name, const char* caption, int left, int top, int width, int height) {
    return place(new QLabel(caption, parent), name, left, top, width, height);
}

}  // namespace

QPixmap downwardArrow() {
    QPixmap arrow(9, 27);
    arrow.fill(Qt::transparent);
    QPainter painter(&arrow);
    painter.setPen(QPen(QColor(0, 0, 128), 1));
    for (int top : {3, 11, 19})  // three whole chevrons, five rows each
        for (int i = 0; i < 5; ++i) {
            painter.drawPoint(i, top + i);
            painter.drawPoint(8 - i, top + i);
        }
    return arrow;
}

FrmMain::FrmMain(QWidget* parent) : QWidget(parent) {
    setObjectName("FrmMain");
    setWindowTitle("XYZ to Kestrune");
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(twips(7305), twips(6030));
    buildControls();
    applyClassicLook(this);
    setTabOrderByIndex();
    setMessageShower([this](const QString& prompt, const QString& title) { showMessageBox(this, prompt, title); });
    runFolderDialog_ = [this] {
        FrmFdSel dialog(*this);
        dialog.exec();
    };
    runAboutBox_ = [this] {
        frmAbout about(this);
        about.exec();
    };
    askToStop_ = [this] {
        return QMessageBox::question(this, kApplicationTitle,
                                     "A run is working. Stop it now and close? Files already finished keep their "
                                     "outputs; the file at work is left as it was.") == QMessageBox::Yes;
    };
    run_ =
        new BackgroundRun([this](const QString& text) { showStatus(text); },
                          [this](double fraction) { StatusProgress->setValue(static_cast<int>(fraction * 1000)); },
                          [this](const QString& prompt, const QString& title) { showMessage_(prompt, title); }, this);
    connect(run_, &BackgroundRun::finished, this, &FrmMain::runEnded);
    Form_Initialize();
    Command4->setFocus();
}

void FrmMain::buildControls() {
    Frame5 = frame(this, "Frame5", "Convertion", 120, 120, 6975, 2295);
    Option1 = place(new QRadioButton("&XYZ File", Frame5), "Option1", 120, 600, 975, 255);
    Option2 = place(new QRadioButton("&ASCII Raster File", Frame5), "Option2", 120, 1260, 1575, 315);
    Option3 = place(new QRadioButton("ESRI &GRID", Frame5), "Option3", 120, 1920, 1335, 315);
    Frame3 = frame(Frame5, "Frame3", "Parameters of XYZ File", 1200, 120, 5655, 1095);
    Option4 = place(new QRadioButton("&Cell Size", Frame3), "Option4", 120, 263, 975, 255);
    Text8 = textBox(Frame3, "Text8", "5", 1080, 255, 495, 270);
    Option5 = place(new QRadioButton("&Unknown Cell Size", Frame3), "Option5", 1680, 263, 1815, 255);
    Label8 = label(Frame3, "Label8", "Separator", 3720, 263, 735, 255);
    Combo1 = place(new QComboBox(Frame3), "Combo1", 4440, 240, 1095, 300);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->addItems({"Space", ",", ";", "TAB"});
    Label1_0 = label(Frame3, "Label1_0", "Folder ", 120, 720, 495, 255);
    Text7 = textBox(Frame3, "Text7", "", 720, 720, 4095, 270);
    Command7 = button(Frame3, "Command7", "Select", 4920, 720, 615, 255);
    Image1 = label(Frame5, "Image1", nullptr, 150, 840, 135, 405);
    Label1_1 = label(Frame5, "Label1_1", "Folder ", 1680, 1320, 495, 255);
    Text6 = textBox(Frame5, "Text6", "", 2160, 1305, 3975, 270);
    Command6 = button(Frame5, "Command6", "Select", 6240, 1320, 615, 255);
    Image2 = label(Frame5, "Image2", nullptr, 150, 1560, 135, 405);
    Label1_2 = label(Frame5, "Label1_2", "Folder ", 1680, 1920, 495, 255);
    Text1 = textBox(Frame5, "Text1", "", 2160, 1905, 3975, 270);
    Command1 = button(Frame5, "Command1", "Select", 6240, 1920, 615, 255);
    for (QLabel* arrow : {Image1, Image2}) {
        arrow->setPixmap(downwardArrow());
        arrow->setAttribute(Qt::WA_TransparentForMouseEvents);
        arrow->hide();  // as "ESRI GRID", the start choice, has them
    }

    Frame4 = frame(this, "Frame4", "Extra Operation", 120, 2520, 6975, 2415);
    Check2 = place(new QCheckBox("Run &Slope", Frame4), "Check2", 120, 480, 1215, 375);
    Frame2 = frame(Frame4, "Frame2", "Slope (ESRI GRID) Setting", 1560, 240, 5295, 855);
    Label5 = label(Frame2, "Label5", "Folder ", 120, 420, 495, 255);
    Text5 = textBox(Frame2, "Text5", "", 600, 412, 3855, 270);
    Command3 = button(Frame2, "Command3", "Select", 4560, 360, 615, 255);
    Check1 = place(new QCheckBox("Run C&ontour", Frame4), "Check1", 120, 1320, 1335, 375);
    Frame1 = frame(Frame4, "Frame1", "Contour (ESRI Shape File) Setting", 1560, 1200, 5295, 1095);
    Label2 = label(Frame1, "Label2", "Start Value", 120, 360, 855, 255);
    Text2 = textBox(Frame1, "Text2", "0", 960, 360, 615, 270);
    Label3 = label(Frame1, "Label3", "Interval", 1680, 360, 615, 255);
    Text3 = textBox(Frame1, "Text3", "5", 2280, 360, 615, 270);
    Label4 = label(Frame1, "Label4", "Folder ", 120, 720, 495, 255);
    Text4 = textBox(Frame1, "Text4", "", 600, 720, 3855, 270);
    Command2 = button(Frame1, "Command2", "Select", 4560, 720, 615, 255);

    Command4 = button(this, "Command4", "Go", 5160, 5040, 855, 375);
    Command5 = button(this, "Command5", "Exit", 6240, 5040, 855, 375);
    Label6 = label(this, "Label6", "", 120, 5520, 7095, 375);
    // The progress of the file the status line names: a thin bar along the
    // foot of the status line, shown while it names one.
    StatusProgress = new QProgressBar(Label6);
    StatusProgress->setObjectName("StatusProgress");
    StatusProgress->setRange(0, 1000);
    StatusProgress->setTextVisible(false);
    StatusProgress->setGeometry(0, Label6->height() - 4, Label6->width(), 4);
    StatusProgress->setStyleSheet(
        "QProgressBar { border: none; background: transparent; }"
        "QProgressBar::chunk { background: #000080; }");
    StatusProgress->hide();

    // The start state: "ESRI GRID", "Unknown Cell Size", both outputs off.
    Option3->setChecked(true);
    Option5->setChecked(true);
    Frame3->setEnabled(false);
    Text8->setEnabled(false);
    Text6->setEnabled(false);
    Command6->setEnabled(false);
    Frame1->setEnabled(false);
    Frame2->setEnabled(false);

    connect(Option1, &QRadioButton::clicked, this, &FrmMain::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &FrmMain::Option2_Click);
    connect(Option3, &QRadioButton::clicked, this, &FrmMain::Option3_Click);
    connect(Option4, &QRadioButton::clicked, this, &FrmMain::Option4_Click);
    connect(Option5, &QRadioButton::clicked, this, &FrmMain::Option5_Click);
    connect(Check1, &QCheckBox::clicked, this, &FrmMain::Check1_Click);
    connect(Check2, &QCheckBox::clicked, this, &FrmMain::Check2_Click);
    connect(Combo1, &QComboBox::activated, this, &FrmMain::Combo1_Click);
    connect(Command1, &QPushButton::clicked, this, &FrmMain::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmMain::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmMain::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &FrmMain::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &FrmMain::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &FrmMain::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &FrmMain::Command7_Click);
}

// Tab goes through the window as it reads, top to bottom and left to right:
// each input kind, then what belongs to it; the outputs; Go and Exit.
void FrmMain::setTabOrderByIndex() {
    QWidget* const order[] = {Option1, Option4,  Text8,   Option5, Combo1,   Text7,    Command7, Option2,
                              Text6,   Command6, Option3, Text1,   Command1, Check2,   Text5,    Command3,
                              Check1,  Text2,    Text3,   Text4,   Command2, Command4, Command5};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void FrmMain::setMessageShower(std::function<void(const QString&, const QString&)> shower) {
    showMessage_ = std::move(shower);
}

void FrmMain::Form_Initialize() { Separator = " "; }

void FrmMain::Form_Unload() { runAboutBox_(); }

void FrmMain::closeEvent(QCloseEvent* event) {
    if (isRunning()) {  // closes when the run has stopped
        event->ignore();
        if (!closeAfterRun_ && askToStop_()) {
            closeAfterRun_ = true;
            run_->requestStop();
        }
        return;
    }
    Form_Unload();
    event->accept();
}

bool FrmMain::isRunning() const { return run_->running(); }

RunSettings FrmMain::runSettings() const {
    RunSettings s;
    s.inputKind = Option1->isChecked()   ? InputKind::XyzFiles
                  : Option2->isChecked() ? InputKind::AsciiRasterFiles
                                         : InputKind::EsriGrids;
    s.xyzFolder = toCorePath(Text7->text());
    s.asciiFolder = toCorePath(Text6->text());
    s.gridFolder = toCorePath(Text1->text());
    s.cellSizeMode = Option4->isChecked() ? CellSizeMode::Given : CellSizeMode::Inferred;
    s.cellSize = Text8->text().toStdString();
    s.Separator = Separator;
    s.contourOutput = Check1->isChecked();
    s.contourFolder = toCorePath(Text4->text());
    s.contourStart = Text2->text().toStdString();
    s.contourInterval = Text3->text().toStdString();
    s.slopeOutput = Check2->isChecked();
    s.slopeFolder = toCorePath(Text5->text());
    s.seamless = seamless_;
    s.zFactor = zFactor_;
    s.update = update_;
    return s;
}

void FrmMain::setSeamless(bool on) {
    seamless_ = on;
    setWindowTitle(on ? "XYZ to Kestrune - seamless tiles" : "XYZ to Kestrune");
}

QLineEdit* FrmMain::textBoxFor(FolderCode code) const {
    switch (code) {
    case FolderCode::Grid: return Text1;
    case FolderCode::Contour: return Text4;
    case FolderCode::Slope: return Text5;
    case FolderCode::Xyz: return Text7;
    case FolderCode::Ascii: return Text6;
    case FolderCode::None: break;
    }
    return nullptr;
}

void FrmMain::Option1_Click() {
    for (QWidget* w : std::initializer_list<QWidget*>{Frame3, Text6, Command6, Text1, Command1}) w->setEnabled(true);
    Image1->show();
    Image2->show();
}

void FrmMain::Option2_Click() {
    Frame3->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{Text6, Command6, Text1, Command1}) w->setEnabled(true);
    Image2->show();
    Image1->hide();
}

void FrmMain::Option3_Click() {
    for (QWidget* w : std::initializer_list<QWidget*>{Frame3, Text6, Command6}) w->setEnabled(false);
    Text1->setEnabled(true);
    Command1->setEnabled(true);
    Image1->hide();
    Image2->hide();
}

void FrmMain::Option4_Click() { Text8->setEnabled(true); }
void FrmMain::Option5_Click() { Text8->setEnabled(false); }
void FrmMain::Check1_Click() { Frame1->setEnabled(Check1->isChecked()); }
void FrmMain::Check2_Click() { Frame2->setEnabled(Check2->isChecked()); }

void FrmMain::Combo1_Click() {
    const QString choice = Combo1->currentText();
    Separator = choice == "Space" ? " " : choice == "TAB" ? "\t" : choice.toStdString();
}

void FrmMain::selectFolder(FolderCode code) {
    folder = code;
    runFolderDialog_();
}

void FrmMain::Command7_Click() { selectFolder(FolderCode::Xyz); }
void FrmMain::Command6_Click() { selectFolder(FolderCode::Ascii); }
void FrmMain::Command1_Click() { selectFolder(FolderCode::Grid); }
void FrmMain::Command2_Click() { selectFolder(FolderCode::Contour); }
void FrmMain::Command3_Click() { selectFolder(FolderCode::Slope); }

// While a run works the settings and "Go" take no input; "Exit" stays, to
// stop the run.
void FrmMain::setRunControlsEnabled(bool enabled) {
    for (QWidget* input : std::initializer_list<QWidget*>{Frame5, Frame4, Command4}) input->setEnabled(enabled);
}

void FrmMain::Command4_Click() {
    if (isRunning()) return;  // no second run while one works
    setRunControlsEnabled(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    run_->start(runSettings());
}

void FrmMain::runEnded() {
    QApplication::restoreOverrideCursor();
    setRunControlsEnabled(true);
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
}

void FrmMain::showStatus(const QString& text) {
    Label6->setText(text);
    StatusProgress->setValue(0);
    StatusProgress->setVisible(!text.isEmpty());
}

void FrmMain::Command5_Click() { close(); }

// Enter presses the focused button, else Go (a list takes Enter itself);
// Esc is Exit.
void FrmMain::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        else
            Command4->click();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace kestrune
