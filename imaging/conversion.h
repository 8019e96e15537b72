#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "engine/picture_converter.h"
#include "imaging/embedded_metadata.h"
#include "imaging/pixel_budget.h"

// The conversion stage on Vimbral: a thumbnail and, unless the destination is the
// source folder, a large picture for every entry.
//
// Pictures are converted in parallel, by one worker per hardware thread unless told otherwise; the files
// written are exactly those of a conversion in list order (entries that write the same names are converted in
// order by one worker). Progress is reported on the calling thread, two steps per entry in list order, as
// entries complete. Once `cancel` is set no picture starts, no more progress is reported, and ConvertImages
// returns when the pictures under way are done. No worker outlives the call.
//
// Memory: before a worker decodes a picture it reserves what the picture will cost from a budget
// shared by all workers (PixelBudget), so that many workers never decode more at once than the
// budget allows, however large the pictures are or claim to be. A picture that costs more than the
// whole budget is not converted (it gets no files) and is named in RefusedPictures.
class VimbralConverter final : public PictureConverter {
public:
    // `maxWorkers` 0: one worker per hardware thread. `budget` null: the process's budget.
    explicit VimbralConverter(unsigned maxWorkers = 0, PixelBudget* budget = nullptr)
        : m_maxWorkers(maxWorkers), m_budget(budget != nullptr ? *budget : PixelBudget::Process()) {}

    int ConvertImages(const GalleryJob& job, const ImageList& images, ProgressSink& progress,
                      const std::atomic<bool>& cancel) override;

    std::vector<PictureOutcome> Outcomes() const override { return m_outcomes; }
    std::vector<std::string> OutputNames(const GalleryJob& job, const ImageList& images) const override;
    std::vector<StaleOutput> StaleOutputs(const GalleryJob& job, const ImageList& images) const override;
    std::optional<OutputMark> ReadOutputMark(const std::string& path) const override;
    std::string WhyUnreadable(const std::string& path) const override;

    EmbeddedMetadataReader* Metadata() override { return &m_metadata; }

    // Converts every picture, also those whose outputs are up to date (by default a picture is
    // converted only when one of its outputs is missing, unreadable, or was made from another
    // file or with other settings; the progress steps of a picture left as it is come all the same).
    void SetRebuild(bool rebuild) { m_rebuild = rebuild; }

    // Pictures of the last conversion that were converted, and that were left as they were
    // because their outputs were up to date.
    int ConvertedCount() const { return m_converted; }
    int UpToDateCount() const { return m_upToDate; }

    struct Refusal {
        std::string path;
        std::string reason;
    };
    // The pictures of the last conversion left out because they need more memory than the budget,
    // with the reason; their outcomes name them unreadable too.
    const std::vector<Refusal>& RefusedPictures() const { return m_refused; }

private:
    unsigned m_maxWorkers;
    PixelBudget& m_budget;
    bool m_rebuild = false;
    int m_converted = 0;
    int m_upToDate = 0;
    std::vector<PictureOutcome> m_outcomes;
    std::vector<Refusal> m_refused;
    VimbralMetadataReader m_metadata;
};
