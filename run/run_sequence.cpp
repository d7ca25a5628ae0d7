#include "run/run_sequence.hpp"

#include "common/failure_description.hpp"
#include "run/check_cond.hpp"

#include <exception>
#include <string>

namespace kestrune {
namespace {

// The last resort for a failure that a step does not handle itself: the user
// sees its description, the run ends as stopped and the program goes on.
void runStep(RunContext& run, const std::function<void(RunContext&)>& step) {
    if (run.stopRequested()) {
        run.RunOk = false;
        return;
    }
    std::string description;
    try {
        step(run);
        return;
    } catch (const WorkStopped&) {  // the user asked for it: nothing to tell
        run.RunOk = false;
        return;
    } catch (const std::exception& failure) {
        description = describeFailure(failure);
    } catch (...) {
        description = describeUnknownFailure();
    }
    run.showMessage(description, "Program was interrupted");
    run.RunOk = false;
}

}  // namespace

RunOutcome runSequence(const RunSettings& settings, UserInterface& ui, const RunSteps& steps) {
    RunContext run(settings, ui);
    run.RunOk = false;
    CheckCond(run);
    RunOutcome outcome;
    outcome.settingsRefused = !run.RunOk;
    const InputKind kind = settings.inputKind;
    if (run.RunOk && kind == InputKind::XyzFiles) runStep(run, steps.XYZ2ASCII);
    if (run.RunOk && kind != InputKind::EsriGrids) runStep(run, steps.ASCII2GRID);
    if (run.RunOk && (settings.contourOutput || settings.slopeOutput)) runStep(run, steps.GetRasterLayersFromFolder);
    if (run.RunOk)
        run.showMessage("All files in the folders were finished", "Program is Finished");
    else
        run.showMessage("There are some errors happened during processing", "Program is Stopped");
    run.setStatusLine("");
    outcome.finished = run.RunOk;
    outcome.tally = run.tally;
    return outcome;
}

}  // namespace kestrune
