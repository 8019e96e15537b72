#include "wizard/publication_worker.h"

int PublicationWorker(GalleryPublisher& publisher, ProgressSink& progress, WizardControl& wizard) {
    try {
        wizard.SetWizardButtons(0);
        if (wizard.SheetExists() && !publisher.CancelRequested()) {
            publisher.RunPublication(progress);
        }
    } catch (...) {
        // RunPublication keeps its own failures in its report; what is left is the wizard's side,
        // and the page still moves on.
    }
    return 1;
}
