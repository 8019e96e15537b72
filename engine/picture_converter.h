#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "engine/gallery_job.h"
#include "engine/image_list.h"
#include "engine/picture_variants.h"
#include "engine/progress.h"
#include "engine/run_report.h"

// What became of one picture of a conversion.
struct PictureOutcome {
    bool reached = false;           // false: cancelled before the picture was converted
    bool thumbnailWritten = false;  // the pages can show it
    bool upToDate = false;          // its outputs were already made from this source, these settings
    // Not empty: the source could not be read, for this reason.
    std::string unreadable;
    // Outputs that could not be written, by path.
    std::vector<FileProblem> notWritten;
    // The variants the style asked for that are there to be shown.
    PictureVariants variants;

    bool Converted() const { return reached && thumbnailWritten && unreadable.empty() && notWritten.empty(); }
};

// The conversion stage of a run, as the engine sees it. The imaging library provides the real one;
// the engine never reaches the picture code itself.
class PictureConverter {
public:
    virtual ~PictureConverter() = default;

    // Writes the thumbnail and, unless the destination is the source folder, the large picture of
    // every entry into job.m_strDestFolder. Reports two steps per entry through `progress`
    // (ConversionProgress), in list order, whether or not the step produced a file. Stops between
    // pictures once `cancel` is set. Returns the number of entries.
    virtual int ConvertImages(const GalleryJob& job, const ImageList& images, ProgressSink& progress,
                              const std::atomic<bool>& cancel) = 0;

    // One outcome per entry of the last conversion, in list order. A converter that keeps none
    // gives an empty list: every picture then counts as converted.
    virtual std::vector<PictureOutcome> Outcomes() const { return {}; }
};
