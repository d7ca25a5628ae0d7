#pragma once

#include "run/run_settings.hpp"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

namespace kestrune {

// One run of the batch on a thread of its own, so the window stays live:
// it repaints, and its close box can ask the run to stop. What the run
// tells the user reaches the window's thread in the order the run tells it;
// a message box holds the run until the user closes it.
class BackgroundRun : public QObject {
    Q_OBJECT
public:
    using StatusShower = std::function<void(const QString& text)>;
    using ProgressShower = std::function<void(double fraction)>;
    using MessageShower = std::function<void(const QString& prompt, const QString& title)>;

    // The showers are called on this object's thread, the window's.
    BackgroundRun(StatusShower showStatus, ProgressShower showProgress, MessageShower showMessage,
                  QObject* parent = nullptr);
    // Waits for a run still working, after asking it to stop.
    ~BackgroundRun() override;

    // Starts a run with these settings; one at a time.
    void start(const RunSettings& settings);
    // Asks the run to stop: the file at work is left as it was before.
    void requestStop();
    bool running() const { return thread_.joinable(); }

signals:
    // On this object's thread, after the run's closing message.
    void finished(bool runOk);

private:
    void runOnThread(RunSettings settings);
    void collect(bool runOk);

    StatusShower showStatus_;
    ProgressShower showProgress_;
    MessageShower showMessage_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace kestrune
