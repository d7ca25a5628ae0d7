// kestrune-screenshot FOLDER SUFFIX: grabs the windows as a user sees them,
// for the README and docs/ (scripts/screenshot.sh runs it under Xvfb at each
// scale): the main window as it opens and with "XYZ File" chosen, the About
// box and the folder dialog, as FOLDER/<name>SUFFIX.png.
// kestrune-screenshot FOLDER SUFFIX GRID_FOLDER CONTOUR_FOLDER: presses "Go"
// for the contours of the GRIDs of GRID_FOLDER every 5 m and grabs the window
// 0.5 and 0.9 seconds later (running-0.5s, running-0.9s), then stops the run;
// prints what the status line and its bar showed each time. Not installed.
#include "gui/frm_about.hpp"
#include "gui/frm_fd_sel.hpp"
#include "gui/frm_main.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cstdio>

namespace {

bool grab(QWidget& window, const QString& path) {
    window.show();
    QApplication::processEvents();
    return window.grab().save(path);
}

// The windows as they open.
void grabWindows(kestrune::FrmMain& window, const QString& folder, const QString& suffix, bool& saved) {
    saved = grab(window, folder + "/window" + suffix + ".png") && saved;
    window.Option1->click();
    saved = grab(window, folder + "/window-xyz" + suffix + ".png") && saved;
    kestrune::frmAbout about(&window);
    saved = grab(about, folder + "/about" + suffix + ".png") && saved;
    about.close();
    window.Text1->setText(QDir::homePath());
    window.folder = kestrune::FolderCode::Grid;
    kestrune::FrmFdSel folders(window);
    saved = grab(folders, folder + "/folders" + suffix + ".png") && saved;
    folders.close();
    window.close();
}

// A contour run, grabbed as it works.
void grabRun(kestrune::FrmMain& window, const QString& folder, const QString& suffix, const QString& grids,
             const QString& contours, bool& saved) {
    window.setMessageShower([](const QString&, const QString&) {});
    window.setStopQuestion([] { return true; });
    window.Text1->setText(grids);
    window.Check1->click();
    window.Text4->setText(contours);
    window.show();
    QApplication::processEvents();
    static QElapsedTimer clock;
    clock.start();
    window.Command4->click();
    for (int at : {500, 900})
        QTimer::singleShot(at, [&window, folder, suffix, &saved, at] {
            const QString name = "running-" + QString::number(at / 1000.0) + "s" + suffix;
            saved = grab(window, folder + "/" + name + ".png") && saved;
            std::printf("%s after %lld ms: \"%s\", progress %.1f %%\n", qPrintable(name),
                        static_cast<long long>(clock.elapsed()), qPrintable(window.Label6->text()),
                        window.StatusProgress->isVisible() ? window.StatusProgress->value() / 10.0 : -1.0);
            if (at == 900) window.Command5->click();  // stop, then the window closes
        });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 3 && argc != 5) return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]), suffix = QString::fromLocal8Bit(argv[2]);
    kestrune::FrmMain window;
    window.setAboutBoxRunner([] { QApplication::exit(0); });
    bool saved = true;
    if (argc == 5) {
        grabRun(window, folder, suffix, QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]), saved);
        const int status = QApplication::exec();
        return saved ? status : 1;
    }
    window.setAboutBoxRunner([] {});
    QTimer::singleShot(300, [&] {
        grabWindows(window, folder, suffix, saved);
        QApplication::exit(saved ? 0 : 1);
    });
    return QApplication::exec();
}
