// The folder dialog, offscreen: open versus highlighted folder, roots, drives.
#include "gui/frm_fd_sel.hpp"
#include "tests/test_support.hpp"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace kestrune;

namespace {

// One box for every code, as the main window has them.
struct Boxes : FolderTargets {
    FolderCode code = FolderCode::Grid;
    QLineEdit boxes[5];
    FolderCode folderCode() const override { return code; }
    QLineEdit* textBoxFor(FolderCode c) const override {
        const auto index = static_cast<int>(c);
        return index >= 1 && index <= 5 ? const_cast<QLineEdit*>(&boxes[index - 1]) : nullptr;
    }
};

QListWidgetItem* itemFor(QListWidget* list, const QString& path) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(Qt::UserRole).toString() == path) return list->item(i);
    return nullptr;
}

}  // namespace

class FrmFdSelTest : public QObject {
    Q_OBJECT
private slots:
    void opensAtTheCurrentFolder();
    void sureWritesTheOpenFolderNotTheHighlightedOne();
    void aRootEndsInASlash();
    void listsParentsAboveAndSubFoldersBelow();
    void anUnreadableFolderLeavesTheDialogUsable();
    void drivesStartWithTheRoot();
    void layoutAndButtons();
};

void FrmFdSelTest::opensAtTheCurrentFolder() {
    Boxes boxes;
    FrmFdSel dialog(boxes);
    dialog.Command1->click();
    QCOMPARE(boxes.boxes[0].text(), QDir::currentPath());
}

void FrmFdSelTest::sureWritesTheOpenFolderNotTheHighlightedOne() {
    test::TempDir dir;
    const QString open = QString::fromStdString(dir.path().string());
    const QString child = QString::fromStdString(dir.folder("child"));
    Boxes boxes;
    boxes.code = FolderCode::Slope;
    boxes.boxes[2].setText("/typed/by/hand");
    FrmFdSel dialog(boxes);
    QVERIFY(dialog.showFolder(open));
    dialog.Dir1->setCurrentItem(itemFor(dialog.Dir1, child));  // a single click only highlights
    dialog.Command1->click();
    QCOMPARE(boxes.boxes[2].text(), open);

    FrmFdSel again(boxes);
    again.showFolder(open);
    emit again.Dir1->itemDoubleClicked(itemFor(again.Dir1, child));  // a double click opens
    QCOMPARE(again.openFolder(), child);
    again.Command1->click();
    QCOMPARE(boxes.boxes[2].text(), child);
    for (int i : {0, 1, 3, 4}) QVERIFY(boxes.boxes[i].text().isEmpty());
}

void FrmFdSelTest::aRootEndsInASlash() {
    Boxes boxes;
    FrmFdSel dialog(boxes);
    QVERIFY(dialog.showFolder("/"));
    dialog.Command1->click();
    QCOMPARE(boxes.boxes[0].text(), QString("/"));
}

void FrmFdSelTest::listsParentsAboveAndSubFoldersBelow() {
    test::TempDir dir;
    const QString open = QString::fromStdString(dir.folder("a/b"));
    dir.folder("a/b/c2");
    dir.folder("a/b/c1");
    Boxes boxes;
    FrmFdSel dialog(boxes);
    dialog.showFolder(open);
    QStringList paths;
    for (int i = 0; i < dialog.Dir1->count(); ++i) paths << dialog.Dir1->item(i)->data(Qt::UserRole).toString();
    QCOMPARE(paths.first(), QString("/"));
    QCOMPARE(paths.mid(paths.size() - 3), QStringList({open, open + "/c1", open + "/c2"}));
    const QString openText = dialog.Dir1->item(paths.size() - 3)->text();
    const QString childText = dialog.Dir1->item(paths.size() - 1)->text();
    QVERIFY(childText.indexOf('c') > openText.indexOf('b'));  // sub-folders indented below
}

void FrmFdSelTest::anUnreadableFolderLeavesTheDialogUsable() {
    test::TempDir dir;
    Boxes boxes;
    FrmFdSel dialog(boxes);
    const QString before = dialog.openFolder();
    QVERIFY(!dialog.showFolder(QString::fromStdString(dir.file("missing"))));
    QCOMPARE(dialog.openFolder(), before);
    QVERIFY(dialog.Dir1->count() > 0);
}

void FrmFdSelTest::drivesStartWithTheRoot() {
    Boxes boxes;
    FrmFdSel dialog(boxes);
    QVERIFY(dialog.Drive1->count() >= 1);
    QCOMPARE(dialog.Drive1->itemText(0), QString("/"));
    dialog.Drive1->setCurrentIndex(0);
    emit dialog.Drive1->activated(0);
    QVERIFY(!dialog.openFolder().isEmpty());
}

void FrmFdSelTest::layoutAndButtons() {
    Boxes boxes;
    FrmFdSel dialog(boxes);
    QCOMPARE(dialog.windowTitle(), QString("Folder Selection"));
    QCOMPARE(dialog.Command1->text(), QString("Sure"));
    QCOMPARE(dialog.Command2->text(), QString("Cancel"));
    QVERIFY(!dialog.Command1->isDefault() && !dialog.Command2->isDefault());
    QCOMPARE(dialog.Dir1->geometry(), QRect(8, 32, 225, 160));
    dialog.resize(600, 500);  // resizable; the controls keep their places
    QCOMPARE(dialog.Dir1->geometry(), QRect(8, 32, 225, 160));
}

QTEST_MAIN(FrmFdSelTest)
#include "frm_fd_sel_test.moc"
