#pragma once

#include "gui/folder_targets.hpp"

#include <QDialog>
#include <QString>

class QComboBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace kestrune {

// The folder selection dialog: a list of drives (on Linux the file-system
// roots and mount points, "/" first) and a folder list that shows the open
// folder with its parents above and its sub-folders indented below. It opens
// at the folder in the box it fills, else at the folder chosen last in this
// session, else at the home folder. A double click or Enter opens a folder,
// a single click or the arrow keys only highlight it, and typing a name's
// first letters jumps to it. A path typed over the drive opens with Enter.
// "Sure" writes the open folder's absolute path into the main window's box
// that its folder code names; "Cancel", Esc and the title-bar close change
// nothing.
class FrmFdSel : public QDialog {
    Q_OBJECT
public:
    explicit FrmFdSel(FolderTargets& targets, QWidget* parent = nullptr);

    // The folder open in the folder list.
    const QString& openFolder() const { return openFolder_; }
    // Opens `path` in the folder list, as a double click does; a folder that
    // cannot be read leaves the list as it was. Returns whether it opened.
    bool showFolder(const QString& path);

    QComboBox* Drive1;
    QListWidget* Dir1;
    QPushButton* Command1;
    QPushButton* Command2;

public slots:
    void Drive1_Change();
    void Command1_Click();
    void Command2_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Dir1_DblClick(QListWidgetItem* item);
    void openStartFolder();
    void openTypedFolder();
    void showDriveOfOpenFolder();
    void fillDrives();
    QStringList drives() const;

    FolderTargets& targets_;
    QString openFolder_;
};

}  // namespace kestrune
