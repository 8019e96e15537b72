#pragma once

#include <atomic>

#include "engine/gallery_job.h"
#include "engine/image_list.h"
#include "engine/picture_converter.h"
#include "engine/progress.h"

// Wizard buttons as a mask.
inline constexpr int kWizardBack = 1;
inline constexpr int kWizardNext = 2;
inline constexpr int kWizardFinish = 4;

// What a run needs of the wizard that hosts it.
class WizardControl {
public:
    virtual ~WizardControl() = default;
    virtual bool SheetExists() const = 0;
    // Posted: returns at once.
    virtual void SetWizardButtons(int mask) = 0;
    // Sent: returns once the wizard has moved on.
    virtual void PressNext() = 0;
};

// The picture list of a gallery and the operations that publish it. The wizard sheet owns one;
// galvane-publish makes one per run.
class GalleryPublisher {
public:
    GalleryPublisher(const GalleryJob& job, PictureConverter& converter)
        : m_job(job), m_converter(converter) {}

    // Refills the list from the job's source folder.
    void ScanSourceFolder();
    // Thumbnails and large pictures; returns the number of entries.
    int ConvertImages(ProgressSink& progress);
    // Conversion, style copy, page generation, reporting 0 (range 100), the conversion's steps,
    // 80, 90 and 100. Returns 1. Once a cancel is requested it stops at the next picture or stage
    // and reports nothing more.
    int RunPublication(ProgressSink& progress);

    // Thread-safe; honoured between pictures and between stages.
    void RequestCancel() { m_cancel = true; }
    bool CancelRequested() const { return m_cancel; }
    void ResetCancel() { m_cancel = false; }

    // Pages the last run wrote.
    int PagesWritten() const { return m_pagesWritten; }

    ImageList m_imageList;

private:
    const GalleryJob& m_job;
    PictureConverter& m_converter;
    std::atomic<bool> m_cancel{false};
    int m_pagesWritten = 0;
};

// The run's worker procedure: buttons off, the run (when the sheet still exists), Next on and
// pressed. After a cancel it leaves the buttons alone, since the wizard is closing. Returns 1.
int PublicationWorker(GalleryPublisher& publisher, ProgressSink& progress, WizardControl& wizard);

// Whether the destination is the style folder itself: a run there would delete the style's own
// templates, so the run copies and generates nothing, and the front ends refuse it beforehand.
bool DestinationIsStyleFolder(const GalleryJob& job);
