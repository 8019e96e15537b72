#pragma once

#include "engine/publication_run.h"

// Wizard buttons as a mask.
inline constexpr int kWizardBack = 1;
inline constexpr int kWizardNext = 2;
inline constexpr int kWizardFinish = 4;

// What a run's worker needs of the wizard that hosts it.
class WizardControl {
public:
    virtual ~WizardControl() = default;
    virtual bool SheetExists() const = 0;
    // Posted: returns at once.
    virtual void SetWizardButtons(int mask) = 0;
};

// The run's worker procedure: buttons off, then the run when the sheet still exists. Whatever the
// run throws ends as a failed report, never as the end of the process. The page presses Next once
// the worker has ended. Returns 1.
int PublicationWorker(GalleryPublisher& publisher, ProgressSink& progress, WizardControl& wizard);
