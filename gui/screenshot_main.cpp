// kestrune-screenshot OUT.png: grabs the main window as it opens, for the
// README (scripts/screenshot.sh runs it under Xvfb). Not installed.
#include "gui/frm_main.hpp"

#include <QApplication>
#include <QPixmap>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) return 2;
    kestrune::FrmMain window;
    window.show();
    QTimer::singleShot(500, [&] {
        bool saved = window.grab().save(argv[1]);
        window.setAboutBoxRunner([] {});
        window.close();
        QApplication::exit(saved ? 0 : 1);
    });
    return QApplication::exec();
}
