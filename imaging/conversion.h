#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "engine/picture_converter.h"

// The conversion stage on Vimbral: a thumbnail and, unless the destination is the
// source folder, a large picture for every entry.
//
// Pictures are converted in parallel, by at most one worker per hardware thread; the files written
// are exactly those of a conversion in list order (entries that write the same names are converted
// in order by one worker). Progress is reported on the calling thread, two steps per entry in list
// order, as entries complete. Once `cancel` is set no picture starts, no more progress is reported,
// and ConvertImages returns when the pictures under way are done. No worker outlives the call.
class VimbralConverter final : public PictureConverter {
public:
    // `maxWorkers` 0: one worker per hardware thread; never more than that.
    explicit VimbralConverter(unsigned maxWorkers = 0) : m_maxWorkers(maxWorkers) {}

    int ConvertImages(const GalleryJob& job, const ImageList& images, ProgressSink& progress,
                      const std::atomic<bool>& cancel) override;

    std::vector<PictureOutcome> Outcomes() const override { return m_outcomes; }

private:
    unsigned m_maxWorkers;
    std::vector<PictureOutcome> m_outcomes;
};
