// kestrune: the desktop window.
#include "gui/frm_main.hpp"

#include "common/durable_writes.hpp"
#include "common/number_text.hpp"
#include "common/process_setup.hpp"
#include "common/version.hpp"
#include "common/worker_pool.hpp"
#include "gui/frm_about.hpp"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cmath>
#include <iostream>

namespace {

// What the command line asks of the window.
struct WindowOptions {
    bool seamless = false;
    double zFactor = 0;
    bool update = false;
};

// Reads --threads, --no-sync, --seamless, --z-factor and --update; false after telling
// what is wrong with the command line.
bool applyCommandLine(const QApplication& application, WindowOptions& options) {
    QCommandLineParser parser;
    parser.setApplicationDescription("The Kestrune window: XYZ points to ESRI GRIDs, slopes and contours.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption threads(
        "threads", "Threads that work at once (default: every hardware thread, or KESTRUNE_NUM_THREADS).", "N");
    const QCommandLineOption noSync("no-sync",
                                    "Do not wait for outputs to reach the disk before they take their names.");
    const QCommandLineOption seamlessTiles(
        "seamless", "Take the GRID folder's rasters on one lattice as tiles of one surface: slopes and contours join.");
    parser.addOption(threads);
    parser.addOption(noSync);
    const QCommandLineOption zFactor("z-factor",
                                     "Ground units (metres for latitude and longitude) in one unit of height, "
                                     "for slopes; replaces what the coordinate system says.",
                                     "X");
    const QCommandLineOption update("update",
                                    "Keep the outputs already made from the present inputs with the present settings.");
    parser.addOption(seamlessTiles);
    parser.addOption(zFactor);
    parser.addOption(update);
    parser.process(application);  // --help and --version end here
    kestrune::setDurableWrites(!parser.isSet(noSync));
    options.seamless = parser.isSet(seamlessTiles);
    options.update = parser.isSet(update);
    if (parser.isSet(zFactor)) {
        const auto factor = kestrune::parseNumber(parser.value(zFactor).toStdString());
        if (!factor || !(*factor > 0) || !std::isfinite(*factor)) {
            std::cerr << "kestrune: --z-factor takes a positive number, not \"" << parser.value(zFactor).toStdString()
                      << "\"\n";
            return false;
        }
        options.zFactor = *factor;
    }
    if (!parser.isSet(threads)) return true;
    const auto count = kestrune::parseThreadCount(parser.value(threads).toStdString());
    if (!count) {
        std::cerr << "kestrune: --threads takes a whole number from 1 to 1024, not \""
                  << parser.value(threads).toStdString() << "\"\n";
        return false;
    }
    kestrune::WorkerPool::configure(*count);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    kestrune::prepareProcess();
    QApplication::setApplicationName("Kestrune");
    QApplication::setApplicationVersion(kestrune::kVersionText);
    WindowOptions options;
    if (!applyCommandLine(application, options)) return 2;
    QApplication::setWindowIcon(QIcon(kestrune::programIcon(64)));
    kestrune::FrmMain window;
    window.setSeamless(options.seamless);
    window.setZFactor(options.zFactor);
    window.setUpdate(options.update);
    window.show();
    return QApplication::exec();
}
