#include "gui/background_run.hpp"

#include "common/failure_description.hpp"
#include "common/stop_request.hpp"
#include "run/run_sequence.hpp"
#include "run/user_interface.hpp"

#include <QCoreApplication>
#include <QMetaObject>

#include <stdexcept>

namespace kestrune {
namespace {

// The run's side: each call is carried over to the window's thread.
class CarriedOverUi : public UserInterface {
public:
    CarriedOverUi(QObject& windowSide, const BackgroundRun::StatusShower& showStatus,
                  const BackgroundRun::ProgressShower& showProgress, const BackgroundRun::MessageShower& showMessage)
        : windowSide_(windowSide), showStatus_(showStatus), showProgress_(showProgress), showMessage_(showMessage) {}

    void showMessage(const std::string& prompt, const std::string& title) override {
        const QString shownPrompt = QString::fromStdString(prompt);
        const QString shownTitle = QString::fromStdString(title.empty() ? kApplicationTitle : title);
        QMetaObject::invokeMethod(
            &windowSide_, [&] { showMessage_(shownPrompt, shownTitle); }, Qt::BlockingQueuedConnection);
    }
    void setStatusLine(const std::string& text) override {
        QMetaObject::invokeMethod(
            &windowSide_, [show = showStatus_, shown = QString::fromStdString(text)] { show(shown); },
            Qt::QueuedConnection);
    }
    void setProgress(double fraction) override {
        QMetaObject::invokeMethod(
            &windowSide_, [show = showProgress_, fraction] { show(fraction); }, Qt::QueuedConnection);
    }

private:
    QObject& windowSide_;
    const BackgroundRun::StatusShower& showStatus_;
    const BackgroundRun::ProgressShower& showProgress_;
    const BackgroundRun::MessageShower& showMessage_;
};

}  // namespace

BackgroundRun::BackgroundRun(StatusShower showStatus, ProgressShower showProgress, MessageShower showMessage,
                             QObject* parent)
    : QObject(parent),
      showStatus_(std::move(showStatus)),
      showProgress_(std::move(showProgress)),
      showMessage_(std::move(showMessage)) {}

BackgroundRun::~BackgroundRun() {
    if (!running()) return;
    requestStop();
    // The run may wait for a message box of this thread: serve it meanwhile.
    while (!done_) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    thread_.join();
}

void BackgroundRun::requestStop() { kestrune::requestStop(); }

void BackgroundRun::start(const RunSettings& settings) {
    if (running()) throw std::logic_error("a run is working already");
    withdrawStopRequest();
    done_ = false;
    thread_ = std::thread([this, settings] { runOnThread(settings); });
}

void BackgroundRun::runOnThread(RunSettings settings) {
    CarriedOverUi ui(*this, showStatus_, showProgress_, showMessage_);
    bool runOk = false;
    try {
        runOk = runSequence(settings, ui).finished;
    } catch (const std::exception& failure) {  // the steps report their own; this is the last resort
        ui.showMessage(describeFailure(failure), "Program was interrupted");
    }
    done_ = true;
    QMetaObject::invokeMethod(
        this, [this, runOk] { collect(runOk); }, Qt::QueuedConnection);
}

void BackgroundRun::collect(bool runOk) {
    thread_.join();
    withdrawStopRequest();  // it was for this run
    emit finished(runOk);
}

}  // namespace kestrune
