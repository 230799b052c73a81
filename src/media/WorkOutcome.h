#pragma once
#include <string>
#include <utility>

#include "media/WorkStatus.h"

// How an open, a save, an import or other long work on the song ended: done, cancelled by the
// user, or failed with the reason in the words the user is shown. The song's document returns
// one from each of them, so that the window and the command line read every result alike.
struct WorkOutcome {
    WorkStatus status = WorkStatus::Done;
    // Why it failed; empty when it was done or cancelled.
    std::string message;

    static WorkOutcome Done() { return {}; }
    static WorkOutcome Cancelled() { return {WorkStatus::Cancelled, {}}; }
    static WorkOutcome Failed(std::string why) { return {WorkStatus::Failed, std::move(why)}; }

    bool Succeeded() const { return status == WorkStatus::Done; }
    explicit operator bool() const { return Succeeded(); }
};
