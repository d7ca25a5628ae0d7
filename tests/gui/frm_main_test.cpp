// The main window, offscreen: start state, handlers, "Select", "Go", "Exit".
#include "gui/frm_main.hpp"
#include "gis/esri_grid/esri_grid_writer.hpp"
#include "gui/classic_look.hpp"
#include "gui/frm_fd_sel.hpp"
#include "tests/test_support.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace kestrune;

namespace {

struct Message {
    QString prompt, title;
};

// The window with its modal parts answered at once.
struct Window {
    FrmMain window;
    std::vector<Message> messages;
    int aboutBoxes = 0;
    Window() {
        window.setMessageShower([this](const QString& prompt, const QString& title) {
            messages.push_back({prompt, title});
        });
        window.setAboutBoxRunner([this] { ++aboutBoxes; });
    }
    // "Select" answered by the real dialog: open `path`, then press a button.
    void answerSelectWith(const QString& path, bool sure) {
        window.setFolderDialogRunner([this, path, sure] {
            FrmFdSel dialog(window);
            dialog.showFolder(path);
            (sure ? dialog.Command1 : dialog.Command2)->click();
        });
    }
};

bool usable(QWidget* widget, QWidget* window) { return widget->isEnabledTo(window); }

}  // namespace

class FrmMainTest : public QObject {
    Q_OBJECT
private slots:
    void startState();
    void tabOrderAndFocus();
    void inputKindHandlers_data();
    void inputKindHandlers();
    void cellSizeAndOutputHandlers();
    void separatorChoices();
    void selectFillsOnlyItsOwnBox();
    void cancelAndUnknownCodesChangeNothing();
    void goRunsEndToEnd();
    void exitShowsTheAboutBoxFirst();
    void keyboard();
    void messageBoxesFitTheirTitles();
    void theCloseBoxStopsARunningBatch();
    void aLongFileShowsItsProgressAndStopsWhenAsked();
    void seamlessTilesShowInTheTitle();
};

// kestrune --seamless: the title says so, and the run gets it.
void FrmMainTest::seamlessTilesShowInTheTitle() {
    Window w;
    FrmMain& f = w.window;
    QVERIFY(!f.runSettings().seamless);
    f.setSeamless(true);
    QCOMPARE(f.windowTitle(), QString("XYZ to Kestrune - seamless tiles"));
    QVERIFY(f.runSettings().seamless);
    f.setSeamless(false);
    QCOMPARE(f.windowTitle(), QString("XYZ to Kestrune"));
}

void FrmMainTest::startState() {
    Window w;
    FrmMain& f = w.window;
    QCOMPARE(f.windowTitle(), QString("XYZ to Kestrune"));
    QCOMPARE(f.size(), QSize(487, 402));
    QCOMPARE(f.minimumSize(), f.maximumSize());
    QVERIFY(!(f.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(f.Frame5->title(), QString("Convertion"));
    QCOMPARE(f.Frame3->title(), QString("Parameters of XYZ File"));
    QCOMPARE(f.Frame4->title(), QString("Extra Operation"));
    QCOMPARE(f.Frame2->title(), QString("Slope (ESRI GRID) Setting"));
    QCOMPARE(f.Frame1->title(), QString("Contour (ESRI Shape File) Setting"));
    QVERIFY(f.Option3->isChecked() && !f.Option1->isChecked() && !f.Option2->isChecked());
    QVERIFY(f.Option5->isChecked() && !f.Option4->isChecked());
    QCOMPARE(f.Text8->text(), QString("5"));
    QCOMPARE(f.Text2->text(), QString("0"));
    QCOMPARE(f.Text3->text(), QString("5"));
    for (QLineEdit* box : {f.Text1, f.Text4, f.Text5, f.Text6, f.Text7}) QVERIFY(box->text().isEmpty());
    QCOMPARE(f.Combo1->currentText(), QString("Space"));
    QCOMPARE(f.Combo1->count(), 4);
    QCOMPARE(f.Combo1->itemText(3), QString("TAB"));
    QVERIFY(!f.Check1->isChecked() && !f.Check2->isChecked());
    QCOMPARE(f.Separator, std::string(" "));
    QCOMPARE(f.folder, FolderCode::None);
    QVERIFY(f.Label6->text().isEmpty());
    // Enabled: the GRID folder, the output boxes and Go/Exit; nothing else.
    for (QWidget* on : std::initializer_list<QWidget*>{f.Option1, f.Option2, f.Option3, f.Text1, f.Command1, f.Check1,
                                                       f.Check2, f.Command4, f.Command5})
        QVERIFY2(usable(on, &f), qPrintable(on->objectName()));
    for (QWidget* off :
         std::initializer_list<QWidget*>{f.Text8, f.Option4, f.Combo1, f.Text7, f.Command7, f.Text6, f.Command6,
                                         f.Text5, f.Command3, f.Text2, f.Text3, f.Text4, f.Command2})
        QVERIFY2(!usable(off, &f), qPrintable(off->objectName()));
    QVERIFY(!f.Image1->isVisibleTo(&f) && !f.Image2->isVisibleTo(&f));
    QCOMPARE(f.Command4->geometry(), QRect(344, 336, 57, 25));
    QCOMPARE(f.Text1->geometry(), QRect(144, 127, 265, 18));
    QCOMPARE(f.Frame1->geometry(), QRect(104, 80, 353, 73));
    QCOMPARE(f.Image1->pixmap().size(), QSize(9, 27));
    // Three whole chevrons of five rows, none cut by the picture's edge.
    const QImage arrow = downwardArrow().toImage();
    int paintedRows = 0;
    for (int y = 0; y < arrow.height(); ++y) {
        bool painted = false;
        for (int x = 0; x < arrow.width(); ++x) painted = painted || qAlpha(arrow.pixel(x, y)) > 0;
        paintedRows += painted;
        if (y < 2 || y > 24) QVERIFY2(!painted, qPrintable(QString("row %1").arg(y)));
    }
    QCOMPARE(paintedRows, 15);
}

// Tab reads the window top to bottom, left to right; Go has the focus first.
void FrmMainTest::tabOrderAndFocus() {
    Window w;
    FrmMain& f = w.window;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.Command4));
    const std::vector<QWidget*> expected = {f.Option1,  f.Option4, f.Text8,    f.Option5,  f.Combo1,  f.Text7,
                                            f.Command7, f.Option2, f.Text6,    f.Command6, f.Option3, f.Text1,
                                            f.Command1, f.Check2,  f.Text5,    f.Command3, f.Check1,  f.Text2,
                                            f.Text3,    f.Text4,   f.Command2, f.Command4, f.Command5};
    std::vector<QWidget*> chain;
    for (QWidget* at = f.Option1; chain.size() < expected.size(); at = at->nextInFocusChain())
        if (std::find(expected.begin(), expected.end(), at) != expected.end() &&
            std::find(chain.begin(), chain.end(), at) == chain.end())
            chain.push_back(at);
    QCOMPARE(chain, expected);
}

// Enter is Go unless a button has the focus; Esc is Exit; Alt and a letter
// chooses an option or ticks a box.
void FrmMainTest::keyboard() {
    Window w;
    FrmMain& f = w.window;
    int folderDialogs = 0;
    f.setFolderDialogRunner([&] { ++folderDialogs; });
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    f.Text1->setFocus();
    QTest::keyClick(f.Text1, Qt::Key_Return);  // Go: no GRID folder, so the check's box and the stopped box
    QTRY_VERIFY(!f.isRunning() && w.messages.size() == 2);
    QCOMPARE(w.messages[0].prompt, QString("The folder of Grid does not exist."));
    f.Command1->setFocus();
    QTest::keyClick(f.Command1, Qt::Key_Return);  // the focused Select, not Go
    QCOMPARE(folderDialogs, 1);
    QCOMPARE(int(w.messages.size()), 2);

    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));  // shortcuts reach the active window
    QTest::keyClick(f.windowHandle(), Qt::Key_X, Qt::AltModifier);
    QTRY_VERIFY(f.Option1->isChecked());  // a shortcut clicks after a moment
    QVERIFY(usable(f.Frame3, &f));        // as a click on it does
    QTest::keyClick(f.windowHandle(), Qt::Key_O, Qt::AltModifier);
    QTRY_VERIFY(f.Check1->isChecked());
    QVERIFY(usable(f.Frame1, &f));

    QTest::keyClick(&f, Qt::Key_Escape);
    QCOMPARE(w.aboutBoxes, 1);
    QVERIFY(!f.isVisible());
}

// A message box is as wide as its title needs, not only its text.
void FrmMainTest::messageBoxesFitTheirTitles() {
    FrmMain window;
    const QString title = "Please Reselect Folder of the ASCII Raster Files";
    int width = 0;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        QVERIFY(box);
        width = box->width();
        box->close();
    });
    showMessageBox(&window, "Short.", title);
    QVERIFY(width > QFontMetrics(classicFont()).horizontalAdvance(title) + 100);
}

void FrmMainTest::inputKindHandlers_data() {
    QTest::addColumn<int>("option");
    QTest::addColumn<bool>("xyzParameters");
    QTest::addColumn<bool>("asciiFolder");
    QTest::addColumn<bool>("arrow1");
    QTest::addColumn<bool>("arrow2");
    QTest::newRow("XYZ File") << 1 << true << true << true << true;
    QTest::newRow("ASCII Raster File") << 2 << false << true << false << true;
    QTest::newRow("ESRI GRID") << 3 << false << false << false << false;
}

void FrmMainTest::inputKindHandlers() {
    QFETCH(int, option);
    QFETCH(bool, xyzParameters);
    QFETCH(bool, asciiFolder);
    QFETCH(bool, arrow1);
    QFETCH(bool, arrow2);
    Window w;
    FrmMain& f = w.window;
    f.Text7->setText("/typed/xyz");
    f.Option1->click();  // from a state where everything was usable
    QRadioButton* options[] = {f.Option1, f.Option2, f.Option3};
    options[option - 1]->click();
    QCOMPARE(usable(f.Frame3, &f), xyzParameters);
    QCOMPARE(usable(f.Text6, &f), asciiFolder);
    QCOMPARE(usable(f.Command6, &f), asciiFolder);
    QVERIFY(usable(f.Text1, &f) && usable(f.Command1, &f));
    QCOMPARE(f.Image1->isVisibleTo(&f), arrow1);
    QCOMPARE(f.Image2->isVisibleTo(&f), arrow2);
    QCOMPARE(f.Text7->text(), QString("/typed/xyz"));  // enabling never changes a text
}

void FrmMainTest::cellSizeAndOutputHandlers() {
    Window w;
    FrmMain& f = w.window;
    f.Option1->click();
    f.Option4->click();
    QVERIFY(usable(f.Text8, &f));
    f.Text8->setText("2.5");
    f.Option5->click();
    QVERIFY(!usable(f.Text8, &f));
    f.Option4->click();
    QCOMPARE(f.Text8->text(), QString("2.5"));
    f.Check1->click();
    QVERIFY(usable(f.Frame1, &f));
    f.Text3->setText("10");
    f.Check1->click();
    QVERIFY(!usable(f.Frame1, &f));
    QCOMPARE(f.Text3->text(), QString("10"));
    f.Check2->click();
    QVERIFY(usable(f.Frame2, &f));
    QVERIFY(f.runSettings().slopeOutput && !f.runSettings().contourOutput);
}

void FrmMainTest::separatorChoices() {
    Window w;
    FrmMain& f = w.window;
    const std::pair<int, std::string> choices[] = {{3, "\t"}, {0, " "}, {2, ";"}, {1, ","}};
    for (const auto& [index, separator] : choices) {
        f.Combo1->setCurrentIndex(index);
        emit f.Combo1->activated(index);
        QCOMPARE(f.Separator, separator);
        QCOMPARE(f.runSettings().Separator, separator);
    }
    f.Combo1->setEditText("|");  // typing changes nothing until an item is chosen
    QCOMPARE(f.Separator, std::string(","));
}

void FrmMainTest::selectFillsOnlyItsOwnBox() {
    test::TempDir dir;
    Window w;
    FrmMain& f = w.window;
    f.Option1->click();
    f.Check1->click();
    f.Check2->click();
    const std::pair<QPushButton*, QLineEdit*> buttons[] = {{f.Command7, f.Text7},
                                                           {f.Command6, f.Text6},
                                                           {f.Command1, f.Text1},
                                                           {f.Command2, f.Text4},
                                                           {f.Command3, f.Text5}};
    const FolderCode codes[] = {FolderCode::Xyz, FolderCode::Ascii, FolderCode::Grid, FolderCode::Contour,
                                FolderCode::Slope};
    int i = 0;
    for (const auto& [button, box] : buttons) {
        const QString chosen = QString::fromStdString(dir.folder("f" + std::to_string(i)));
        for (const auto& [otherButton, other] : buttons) other->setText("typed by hand");
        w.answerSelectWith(chosen, true);
        button->click();
        QCOMPARE(f.folder, codes[i]);
        for (const auto& [otherButton, other] : buttons)
            QCOMPARE(other->text(), other == box ? chosen : QString("typed by hand"));
        ++i;
    }
}

void FrmMainTest::cancelAndUnknownCodesChangeNothing() {
    test::TempDir dir;
    Window w;
    FrmMain& f = w.window;
    f.Check2->click();
    f.Text5->setText("before");
    w.answerSelectWith(QString::fromStdString(dir.path().string()), false);
    f.Command3->click();
    QCOMPARE(f.Text5->text(), QString("before"));
    QCOMPARE(f.folder, FolderCode::Slope);
    f.folder = static_cast<FolderCode>(9);  // a code that names no box
    FrmFdSel dialog(f);
    dialog.Command1->click();
    for (QLineEdit* box : {f.Text1, f.Text4, f.Text6, f.Text7}) QVERIFY(box->text().isEmpty());
    QCOMPARE(f.Text5->text(), QString("before"));
}

void FrmMainTest::goRunsEndToEnd() {
    test::TempDir dir;
    const std::string ascii = dir.folder("ascii"), grid = dir.folder("grid");
    test::writeFile(ascii + "/dem.asc", "ncols 2\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2\n");
    Window w;
    FrmMain& f = w.window;
    f.Option2->click();
    f.Text6->setText(QString::fromStdString(ascii));
    f.Text1->setText(QString::fromStdString(grid));
    QString statusDuringMessage;
    f.setMessageShower([&](const QString& prompt, const QString& title) {
        w.messages.push_back({prompt, title});
        statusDuringMessage = f.Label6->text();
    });
    f.Command4->click();
    QTRY_VERIFY(!f.isRunning());
    QCOMPARE(int(w.messages.size()), 1);
    QCOMPARE(w.messages[0].prompt, QString("All files in the folders were finished"));
    QCOMPARE(w.messages[0].title, QString("Program is Finished"));
    QCOMPARE(statusDuringMessage, QString("Running : ASCII-->ESRI GRID ( 1/ 1)   dem.asc"));
    QVERIFY(f.Label6->text().isEmpty());
    QVERIFY(test::exists(grid + "/dem/hdr.adf"));
    QVERIFY(usable(f.Command4, &f));

    f.Text1->setText("");  // a missing GRID folder: the check's box, then the stopped box
    w.messages.clear();
    f.Command4->click();
    QTRY_VERIFY(!f.isRunning());
    QCOMPARE(int(w.messages.size()), 2);
    QCOMPARE(w.messages[0].prompt, QString("The folder of Grid does not exist."));
    QCOMPARE(w.messages[1].title, QString("Program is Stopped"));
}

void FrmMainTest::exitShowsTheAboutBoxFirst() {
    Window w;
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    w.window.Command5->click();
    QCOMPARE(w.aboutBoxes, 1);
    QVERIFY(!w.window.isVisible());
    w.window.show();
    w.window.close();  // the close box does the same
    QCOMPARE(w.aboutBoxes, 2);
}

// The run works off the window's thread: the window repaints, "Exit" stays
// usable, and closing asks, stops the run, shows the stopped-run message and
// then closes. The message box of a bad first
// file holds the run while the user closes the window.
void FrmMainTest::theCloseBoxStopsARunningBatch() {
    test::TempDir dir;
    const std::string xyz = dir.folder("xyz"), ascii = dir.folder("ascii"), grid = dir.folder("grid");
    constexpr int kFiles = 60;
    std::string points;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x) points += std::to_string(x) + " " + std::to_string(y) + " 12.5\n";
    test::writeFile(xyz + "/t100.xyz", "1;2;3\n");
    for (int i = 1; i < kFiles; ++i) test::writeFile(xyz + "/t" + std::to_string(100 + i) + ".xyz", points);
    Window w;
    FrmMain& f = w.window;
    int questions = 0;
    f.setStopQuestion([&] { return ++questions == 2; });  // "no" first, then "yes"
    f.setMessageShower([&](const QString& prompt, const QString& title) {
        w.messages.push_back({prompt, title});
        if (w.messages.size() > 1) return;
        QCOMPARE(f.Label6->text(), QString("Running : XYZ-->ASCII( 1/ 60)   t100.xyz"));
        QVERIFY(f.isRunning());
        QVERIFY(!usable(f.Command4, &f));
        QVERIFY(!usable(f.Option1, &f));
        QVERIFY(usable(f.Command5, &f));
        f.close();  // answered "no": the run goes on
        QCOMPARE(questions, 1);
        QVERIFY(f.isVisible());
        f.Command5->click();  // "Exit" asks the same; "yes"
        QCOMPARE(questions, 2);
        QVERIFY(f.isVisible());  // until the run has stopped
    });
    f.Option1->click();
    f.Text7->setText(QString::fromStdString(xyz));
    f.Text6->setText(QString::fromStdString(ascii));
    f.Text1->setText(QString::fromStdString(grid));
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    f.Command4->click();
    QTRY_VERIFY_WITH_TIMEOUT(!f.isVisible(), 30000);
    QVERIFY(!f.isRunning());
    QCOMPARE(int(w.messages.size()), 2);
    QCOMPARE(w.messages.back().title, QString("Program is Stopped"));
    QCOMPARE(w.aboutBoxes, 1);
    // The files finished before the stop are complete; no other is there.
    const std::vector<std::string> made = test::folderNames(ascii);
    QVERIFY(made.size() < static_cast<std::size_t>(kFiles - 1));
    for (const std::string& asc : made) {
        QVERIFY(asc.front() == 't');
        QCOMPARE(int(test::readWithGdal(ascii + "/" + asc).values.size()), 50 * 50);
    }
    QVERIFY(test::folderNames(grid).empty());
}

// A long file shows its progress under the status line at once, and "Exit"
// stops it within a second: the shapefile it would replace stays to the byte.
void FrmMainTest::aLongFileShowsItsProgressAndStopsWhenAsked() {
    test::TempDir dir;
    const std::string grid = dir.folder("grid"), contours = dir.folder("contours");
    writeEsriGrid(grid, "dem", test::roughSurface(1500, 1500), "");
    test::writeFile(contours + "/dem.shp", "the earlier shapefile");
    Window w;
    FrmMain& f = w.window;
    f.setStopQuestion([] { return true; });
    f.Text1->setText(QString::fromStdString(grid));
    f.Check1->click();
    f.Text4->setText(QString::fromStdString(contours));
    f.Text3->setText("0.5");
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QVERIFY(!f.StatusProgress->isVisible());
    QElapsedTimer clock;
    clock.start();
    f.Command4->click();
    const QString status = QString::fromStdString("Running : ESRI GRID--> Get Contour " + grid + "/dem");
    QTRY_COMPARE_WITH_TIMEOUT(f.Label6->text(), status, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(f.StatusProgress->value() > 0, 5000);
    QVERIFY(f.StatusProgress->isVisible());
    QCOMPARE(f.Label6->text(), status);  // the text as it always was
    f.Command5->click();
    QElapsedTimer stopping;
    stopping.start();
    QTRY_VERIFY_WITH_TIMEOUT(!f.isVisible(), 10000);
    QVERIFY2(stopping.elapsed() < 1500, qPrintable(QString::number(stopping.elapsed()) + " ms to stop"));
    QCOMPARE(int(w.messages.size()), 1);
    QCOMPARE(w.messages.back().title, QString("Program is Stopped"));
    QCOMPARE(test::readFile(contours + "/dem.shp"), std::string("the earlier shapefile"));
    QCOMPARE(test::folderNames(contours), std::vector<std::string>{"dem.shp"});
}

QTEST_MAIN(FrmMainTest)
#include "frm_main_test.moc"
