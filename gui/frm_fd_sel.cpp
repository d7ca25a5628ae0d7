#include "gui/frm_fd_sel.hpp"

#include "gui/classic_look.hpp"
#include "gui/path_text.hpp"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
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

// The folder "Sure" wrote last in this session, where the next dialog opens
// when its box holds no folder.
QString& lastChosenFolder() {
    static QString folder;
    return folder;
}

// The folder list: its items are indented by depth, and type-ahead looks at
// their names, not the indentation.
class FolderList : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void keyboardSearch(const QString& search) override {
        if (!typing_.isValid() || typing_.elapsed() > QApplication::keyboardInputInterval()) typed_.clear();
        typing_.restart();
        typed_ += search;
        const int from = currentRow() < 0 ? 0 : currentRow() + (typed_.size() == 1 ? 1 : 0);
        for (int step = 0; step < count(); ++step) {
            QListWidgetItem* candidate = item((from + step) % count());
            if (candidate->text().trimmed().startsWith(typed_, Qt::CaseInsensitive)) {
                setCurrentItem(candidate);
                return;
            }
        }
    }

private:
    QString typed_;
    QElapsedTimer typing_;
};

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
    Dir1 = new FolderList(this);
    Dir1->setObjectName("Dir1");
    Dir1->setGeometry(twips(120), twips(480), twips(3375), twips(2400));
    Command1 = new QPushButton("Sure", this);
    Command1->setObjectName("Command1");
    Command1->setGeometry(twips(3600), twips(2040), twips(735), twips(375));
    Command2 = new QPushButton("Cancel", this);
    Command2->setObjectName("Command2");
    Command2->setGeometry(twips(3600), twips(2640), twips(735), twips(375));
    // Enter opens the highlighted folder or presses the focused button;
    // neither button is pressed by Enter elsewhere.
    for (QPushButton* button : {Command1, Command2}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    // A path may be typed over the drive, then opened with Enter.
    Drive1->setEditable(true);
    Drive1->setInsertPolicy(QComboBox::NoInsert);
    Drive1->setCompleter(nullptr);  // a typed path is not a drive to complete
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, Command1);
    setTabOrder(Command1, Command2);

    Drive1->lineEdit()->installEventFilter(this);  // Enter there opens the typed path

    fillDrives();
    openStartFolder();
    applyClassicLook(this);

    connect(Drive1, &QComboBox::activated, this, &FrmFdSel::Drive1_Change);
    connect(Dir1, &QListWidget::itemDoubleClicked, this, &FrmFdSel::Dir1_DblClick);
    connect(Command1, &QPushButton::clicked, this, &FrmFdSel::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmFdSel::Command2_Click);
}

void FrmFdSel::openStartFolder() {
    const QLineEdit* box = targets_.textBoxFor(targets_.folderCode());
    const QStringList candidates = {box ? box->text() : QString(), lastChosenFolder(), QDir::homePath(), "/"};
    for (const QString& candidate : candidates)
        if (!candidate.trimmed().isEmpty() && showFolder(candidate)) break;
    showDriveOfOpenFolder();
}

void FrmFdSel::showDriveOfOpenFolder() { Drive1->setCurrentIndex(Drive1->findText(driveOf(openFolder_, drives()))); }

void FrmFdSel::openTypedFolder() {
    QString typed = Drive1->currentText().trimmed();
    if (typed == "~" || typed.startsWith("~/")) typed = QDir::homePath() + typed.mid(1);
    if (typed.isEmpty() || !showFolder(QDir(openFolder_).absoluteFilePath(typed))) {
        QApplication::beep();  // the text stays, to be mended
        return;
    }
    showDriveOfOpenFolder();
    Dir1->setFocus();
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
    lastChosenFolder() = openFolder_;
    accept();
}

void FrmFdSel::Command2_Click() { reject(); }

bool FrmFdSel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Drive1->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openTypedFolder();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmFdSel::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && focusWidget() == Dir1) {
        if (QListWidgetItem* item = Dir1->currentItem()) Dir1_DblClick(item);
        return;
    }
    if (enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
        return;
    }
    QDialog::keyPressEvent(event);  // Esc cancels
}

}  // namespace kestrune
