// kestrune: the desktop window.
#include "frm_main.hpp"

#include "dialogs/frm_about.hpp"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Kestrune");
    QApplication::setWindowIcon(QIcon(kestrune::programIcon(64)));
    kestrune::FrmMain window;
    window.show();
    return QApplication::exec();
}
