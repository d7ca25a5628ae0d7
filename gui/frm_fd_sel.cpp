#include "gui/frm_fd_sel.hpp"

#include "gui/path_text.hpp"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QStorageInfo>

#include <algorithm>

namespace kestrune {
namespace {

constexpr int kPathRole = Qt::UserRole;

// The mount point under which `folder` lies (the longest that contains it).
QString driveOf(const QString& folder, const QStringList& drives) {
    QString best = "/";
    for (const QString& drive : drives) {
        const QString prefix = drive.endsWith('/') ? drive : drive + '/';
        if ((folder == drive || folder.startsWith(prefix)) && drive.size() > best.size()) best = drive;
    }
    return best;
}

}  // namespace

FrmFdSel::FrmFdSel(FolderTargets& targets, QWidget* parent) : QDialog(parent), targets_(targets) {
    setObjectName("FrmFdSel");
    setWindowTitle("Folder Selection");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    resize(twips(4470), twips(3195));

    Drive1 = new QComboBox(this);
    Drive1->setObjectName("Drive1");
    Drive1->setGeometry(twips(120), twips(120), twips(3375), twips(300));
    Dir1 = new QListWidget(this);
    Dir1->setObjectName("Dir1");
    Dir1->setGeometry(twips(120), twips(480), twips(3375), twips(2400));
    Command1 = new QPushButton("Sure", this);
    Command1->setObjectName("Command1");
    Command1->setGeometry(twips(3600), twips(2040), twips(735), twips(375));
    Command2 = new QPushButton("Cancel", this);
    Command2->setObjectName("Command2");
    Command2->setGeometry(twips(3600), twips(2640), twips(735), twips(375));
    // Neither button answers Enter.
    for (QPushButton* button : {Command1, Command2}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, Command1);
    setTabOrder(Command1, Command2);

    fillDrives();
    showFolder(QDir::currentPath());
    Drive1->setCurrentIndex(Drive1->findText(driveOf(openFolder_, drives())));

    connect(Drive1, &QComboBox::activated, this, &FrmFdSel::Drive1_Change);
    connect(Dir1, &QListWidget::itemDoubleClicked, this, &FrmFdSel::Dir1_DblClick);
    connect(Command1, &QPushButton::clicked, this, &FrmFdSel::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmFdSel::Command2_Click);
}

QStringList FrmFdSel::drives() const {
    QStringList list;
    for (int i = 0; i < Drive1->count(); ++i) list << Drive1->itemText(i);
    return list;
}

void FrmFdSel::fillDrives() {
    QStringList drives{"/"};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (volume.isValid() && volume.isReady() && !drives.contains(root)) drives << root;
    }
    std::sort(drives.begin() + 1, drives.end());
    Drive1->addItems(drives);
}

bool FrmFdSel::showFolder(const QString& path) {
    QDir folder(path);
    if (!folder.exists() || !QFileInfo(folder.absolutePath()).isReadable()) return false;
    const QString open = QDir::cleanPath(folder.absolutePath());
    QStringList parents;  // from the root down to the open folder
    for (QDir up(open);;) {
        parents.prepend(up.absolutePath());
        if (up.isRoot() || !up.cdUp()) break;
    }
    Dir1->clear();
    int depth = 0;
    for (const QString& parent : parents) {
        const QString name = parent == "/" ? "/" : QFileInfo(parent).fileName();
        auto* item = new QListWidgetItem(QString(2 * depth++, ' ') + name, Dir1);
        item->setData(kPathRole, parent);
        if (parent == open) {
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
            Dir1->setCurrentItem(item);
        }
    }
    const QStringList children = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& child : children) {
        auto* item = new QListWidgetItem(QString(2 * depth, ' ') + child, Dir1);
        item->setData(kPathRole, folder.absoluteFilePath(child));
    }
    openFolder_ = open;
    return true;
}

void FrmFdSel::Dir1_DblClick(QListWidgetItem* item) { showFolder(item->data(kPathRole).toString()); }

void FrmFdSel::Drive1_Change() {
    // The folder that opens on a drive is the current folder when it lies
    // on that drive, else the drive's root.
    const QString drive = Drive1->currentText();
    const QString current = QDir::currentPath();
    if (driveOf(current, drives()) != drive || !showFolder(current)) showFolder(drive);
}

void FrmFdSel::Command1_Click() {
    if (QLineEdit* box = targets_.textBoxFor(targets_.folderCode())) box->setText(openFolder_);
    accept();
}

void FrmFdSel::Command2_Click() { reject(); }

void FrmFdSel::keyPressEvent(QKeyEvent* event) {
    // Enter and Esc press neither button.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kestrune
