// kestrune: the desktop window.
#include "gui/frm_main.hpp"

#include "common/process_setup.hpp"
#include "gui/frm_about.hpp"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    kestrune::prepareProcess();
    QApplication::setApplicationName("Kestrune");
    QApplication::setWindowIcon(QIcon(kestrune::programIcon(64)));
    kestrune::FrmMain window;
    window.show();
    return QApplication::exec();
}
