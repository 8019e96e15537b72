#pragma once

#include <QApplication>
#include <string>

#include "engine/gallery_job.h"

// The one application object. It holds the gallery job for the whole life of the process: the pages
// read and write its members directly, the run reads them from its worker thread.
class CGalvaneApp : public QApplication, public GalleryJob {
    Q_OBJECT

public:
    CGalvaneApp(int& argc, char** argv);

    // Shows the wizard modally; the program ends when it closes.
    int RunWizard();
    // Back to the values of a fresh start.
    void ResetJob() { static_cast<GalleryJob&>(*this) = GalleryJob{}; }

    // The help page: galvane.html in the first data folder that holds one.
    std::string m_strHelpPath;
};

CGalvaneApp* GetGalvaneApp();
GalleryJob& GetGalleryJob();

std::string FindHelpPath();
