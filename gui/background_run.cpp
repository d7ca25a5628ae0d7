#include "gui/background_run.hpp"

#include "common/failure_description.hpp"
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
                  const BackgroundRun::MessageShower& showMessage, const std::atomic<bool>& stopRequested)
        : windowSide_(windowSide), showStatus_(showStatus), showMessage_(showMessage), stopRequested_(stopRequested) {}

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
    bool stopRequested() const override { return stopRequested_; }

private:
    QObject& windowSide_;
    const BackgroundRun::StatusShower& showStatus_;
    const BackgroundRun::MessageShower& showMessage_;
    const std::atomic<bool>& stopRequested_;
};

}  // namespace

BackgroundRun::BackgroundRun(StatusShower showStatus, MessageShower showMessage, QObject* parent)
    : QObject(parent), showStatus_(std::move(showStatus)), showMessage_(std::move(showMessage)) {}

BackgroundRun::~BackgroundRun() {
    if (!running()) return;
    requestStop();
    // The run may wait for a message box of this thread: serve it meanwhile.
    while (!done_) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    thread_.join();
}

void BackgroundRun::start(const RunSettings& settings) {
    if (running()) throw std::logic_error("a run is working already");
    stopRequested_ = false;
    done_ = false;
    thread_ = std::thread([this, settings] { runOnThread(settings); });
}

void BackgroundRun::runOnThread(RunSettings settings) {
    CarriedOverUi ui(*this, showStatus_, showMessage_, stopRequested_);
    bool runOk = false;
    try {
        runOk = runSequence(settings, ui);
    } catch (const std::exception& failure) {  // the steps report their own; this is the last resort
        ui.showMessage(describeFailure(failure), "Program was interrupted");
    }
    done_ = true;
    QMetaObject::invokeMethod(
        this, [this, runOk] { collect(runOk); }, Qt::QueuedConnection);
}

void BackgroundRun::collect(bool runOk) {
    thread_.join();
    emit finished(runOk);
}

}  // namespace kestrune
