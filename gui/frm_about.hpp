#pragma once

#include "gui/registry.hpp"

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kestrune {

// Starts a program without waiting for it; false when it cannot be started.
using ProgramStarter = std::function<bool(const std::string& path)>;
// Shows a modal message box with an OK button (prompt, title).
using MessageShower = std::function<void(const QString& prompt, const QString& title)>;

// The About box: title, version, description, update date, a picture, an
// icon, three disclaimer lines, "sure" (Enter and Esc) and the system
// information button (Alt+S).
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr, Registry& registry = systemRegistry());

    // Replace how programs start and messages show (for tests).
    void setProgramStarter(ProgramStarter starter) { startProgram_ = std::move(starter); }
    void setMessageShower(MessageShower shower) { showMessage_ = std::move(shower); }

    QLabel* Picture1;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QPlainTextEdit* lblDescription;
    QLabel* Label1;
    QLabel* picIcon;
    QLabel* lblDisclaimer;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;

public slots:
    void cmdOK_Click();
    void cmdSysInfo_Click();

private:
    void StartSysInfo();
    void Form_Load();

    Registry& registry_;
    ProgramStarter startProgram_;
    MessageShower showMessage_;
};

// The pictures of the About box and the program's icon, drawn by our code.
QPixmap aboutPicture();
QPixmap programIcon(int size);

}  // namespace kestrune
