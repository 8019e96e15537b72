#pragma once

#include <atomic>

#include "engine/gallery_job.h"
#include "engine/image_list.h"
#include "engine/progress.h"

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
};
