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
    void opensAtItsBoxsFolderElseTheLastChosenElseHome();
    void worksFromTheKeyboard();
    void aTypedPathOpens();
    void sureWritesTheOpenFolderNotTheHighlightedOne();
    void aRootEndsInASlash();
    void listsParentsAboveAndSubFoldersBelow();
    void anUnreadableFolderLeavesTheDialogUsable();
    void drivesStartWithTheRoot();
    void layoutAndButtons();
};

void FrmFdSelTest::opensAtItsBoxsFolderElseTheLastChosenElseHome() {
    test::TempDir dir;
    const QString inBox = QString::fromStdString(dir.folder("in box"));
    const QString chosen = QString::fromStdString(dir.folder("chosen"));
    Boxes boxes;
    {
        FrmFdSel dialog(boxes);  // an empty box, nothing chosen yet in this session
        QCOMPARE(dialog.openFolder(), QDir::homePath());
        dialog.showFolder(chosen);
        dialog.Command1->click();
    }
    boxes.code = FolderCode::Contour;
    boxes.boxes[1].setText(inBox);
    QCOMPARE(FrmFdSel(boxes).openFolder(), inBox);
    boxes.boxes[1].setText(QString::fromStdString(dir.file("gone")));
    QCOMPARE(FrmFdSel(boxes).openFolder(), chosen);
}

// Tab goes drive, folders, Sure, Cancel; Enter opens the highlighted folder,
// typing jumps to a name, Esc cancels and writes nothing.
void FrmFdSelTest::worksFromTheKeyboard() {
    test::TempDir dir;
    const QString open = QString::fromStdString(dir.path().string());
    for (const char* name : {"alpha", "beta", "bravo", "charlie"}) dir.folder(name);
    Boxes boxes;
    boxes.boxes[0].setText(open);
    FrmFdSel dialog(boxes);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QList<QWidget*> order;
    for (QWidget* at = dialog.Drive1; order.size() < 4; at = at->nextInFocusChain())
        if (at->focusPolicy() & Qt::TabFocus && at->isWindow() == false && !order.contains(at) &&
            (at == dialog.Drive1 || at == dialog.Dir1 || at == dialog.Command1 || at == dialog.Command2))
            order << at;
    QCOMPARE(order, (QList<QWidget*>{dialog.Drive1, dialog.Dir1, dialog.Command1, dialog.Command2}));

    dialog.Dir1->setFocus();
    QTest::keyClicks(dialog.Dir1, "br");
    QCOMPARE(dialog.Dir1->currentItem()->data(Qt::UserRole).toString(), open + "/bravo");
    QCOMPARE(dialog.openFolder(), open);  // highlighted, not open
    QTest::keyClick(dialog.Dir1, Qt::Key_Return);
    QCOMPARE(dialog.openFolder(), open + "/bravo");
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(boxes.boxes[0].text(), open);
}

void FrmFdSelTest::aTypedPathOpens() {
    test::TempDir dir;
    const QString target = QString::fromStdString(dir.folder("typed/here"));
    Boxes boxes;
    FrmFdSel dialog(boxes);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.Drive1->setFocus();
    dialog.Drive1->lineEdit()->selectAll();
    QTest::keyClicks(dialog.Drive1->lineEdit(), target);
    QTest::keyClick(dialog.Drive1->lineEdit(), Qt::Key_Return);
    QCOMPARE(dialog.openFolder(), target);
    QVERIFY(dialog.isVisible());  // Enter there opens, it does not close
    dialog.Drive1->lineEdit()->setText(target + "/missing");
    QTest::keyClick(dialog.Drive1->lineEdit(), Qt::Key_Return);
    QCOMPARE(dialog.openFolder(), target);
    dialog.Command1->setFocus();
    QTest::keyClick(dialog.Command1, Qt::Key_Return);  // Enter presses the focused button
    QCOMPARE(boxes.boxes[0].text(), target);
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
    QVERIFY(dialog.Drive1->isEditable());
    QCOMPARE(dialog.Dir1->geometry(), QRect(8, 32, 225, 160));
    dialog.resize(600, 500);  // resizable; the controls keep their places
    QCOMPARE(dialog.Dir1->geometry(), QRect(8, 32, 225, 160));
}

QTEST_MAIN(FrmFdSelTest)
#include "frm_fd_sel_test.moc"
