// kestrune-screenshot FOLDER SUFFIX: grabs the windows as a user sees them,
// for the README and docs/ (scripts/screenshot.sh runs it under Xvfb at each
// scale): the main window as it opens and with "XYZ File" chosen, the About
// box and the folder dialog, as FOLDER/<name>SUFFIX.png. Not installed.
#include "gui/frm_about.hpp"
#include "gui/frm_fd_sel.hpp"
#include "gui/frm_main.hpp"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QTimer>

namespace {

bool grab(QWidget& window, const QString& path) {
    window.show();
    QApplication::processEvents();
    return window.grab().save(path);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 3) return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]), suffix = QString::fromLocal8Bit(argv[2]);
    kestrune::FrmMain window;
    window.setAboutBoxRunner([] {});
    bool saved = true;
    QTimer::singleShot(300, [&] {
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
        QApplication::exit(saved ? 0 : 1);
    });
    return QApplication::exec();
}
