#include "common/process_setup.hpp"

#include <clocale>
#include <csignal>

namespace kestrune {

void prepareProcess() {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace kestrune
