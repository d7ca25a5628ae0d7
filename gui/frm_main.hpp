#pragma once

#include "run/run_settings.hpp"

#include "gui/folder_targets.hpp"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace kestrune {

class BackgroundRun;

// The main window: every setting of a run, "Go", "Exit" and the status
// line. It only wires its controls to the run logic: the run reads a
// RunSettings snapshot of the controls and talks back through the window's
// message boxes and status line. The run works on a thread of its own; the
// close box (and "Exit") asks whether to stop it, and the window closes
// once it has stopped after the files being worked on.
class FrmMain : public QWidget, public FolderTargets {
    Q_OBJECT
public:
    explicit FrmMain(QWidget* parent = nullptr);

    // The settings as the controls hold them now.
    RunSettings runSettings() const;

    // Replace the modal parts (for tests): the message box, the folder
    // dialog and the About box.
    void setMessageShower(std::function<void(const QString& prompt, const QString& title)> shower);
    void setFolderDialogRunner(std::function<void()> runner) { runFolderDialog_ = std::move(runner); }
    void setAboutBoxRunner(std::function<void()> runner) { runAboutBox_ = std::move(runner); }
    // The question whether to stop a working run; true stops it.
    void setStopQuestion(std::function<bool()> question) { askToStop_ = std::move(question); }

    // True while a run started by "Go" works.
    bool isRunning() const;

    // Treats the rasters of the GRID folder as tiles of one surface (kestrune
    // --seamless); the title says so.
    void setSeamless(bool on);
    // Ground units in one unit of height for slopes (kestrune --z-factor);
    // 0 takes what each raster's coordinate system says.
    void setZFactor(double factor) { zFactor_ = factor; }
    // Outputs already made as the present inputs and settings would make
    // them are kept (kestrune --update).
    void setUpdate(bool on) { update_ = on; }

    // FolderTargets
    FolderCode folderCode() const override { return folder; }
    QLineEdit* textBoxFor(FolderCode code) const override;

    // The text box the folder dialog fills.
    FolderCode folder = FolderCode::None;
    // The XYZ column separator that the list sets.
    std::string Separator;

    QGroupBox *Frame1, *Frame2, *Frame3, *Frame4, *Frame5;
    QRadioButton *Option1, *Option2, *Option3, *Option4, *Option5;
    QLineEdit *Text1, *Text2, *Text3, *Text4, *Text5, *Text6, *Text7, *Text8;
    QCheckBox *Check1, *Check2;
    QComboBox* Combo1;
    QPushButton *Command1, *Command2, *Command3, *Command4, *Command5, *Command6, *Command7;
    QLabel *Label1_0, *Label1_1, *Label1_2, *Label2, *Label3, *Label4, *Label5, *Label6, *Label8;
    QLabel *Image1, *Image2;
    // How far the file the status line names has come.
    QProgressBar* StatusProgress;

private:
    bool seamless_ = false;
    double zFactor_ = 0;
    bool update_ = false;

public:
public slots:
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void Option5_Click();
    void Check1_Click();
    void Check2_Click();
    void Combo1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Initialize();
    void Form_Unload();
    void buildControls();
    void setTabOrderByIndex();
    void selectFolder(FolderCode code);
    void setRunControlsEnabled(bool enabled);
    void showStatus(const QString& text);
    void runEnded();

    std::function<void(const QString&, const QString&)> showMessage_;
    std::function<void()> runFolderDialog_;
    std::function<void()> runAboutBox_;
    std::function<bool()> askToStop_;
    BackgroundRun* run_ = nullptr;
    bool closeAfterRun_ = false;
};

// The 9 x 27 picture of downward chevrons between the input kinds.
QPixmap downwardArrow();

}  // namespace kestrune
