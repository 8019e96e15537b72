#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "engine/gallery_job.h"
#include "engine/image_list.h"
#include "engine/picture_words.h"
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
    // Outputs, by name, that replaced a file there that the conversion had not made.
    std::vector<std::string> replacedForeign;
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

    // Every file name a conversion of these entries makes in the destination: the one list of a
    // run's picture outputs, so that every kind of output is known to the clean-up of stale files.
    virtual std::vector<std::string> OutputNames(const GalleryJob& job, const ImageList& images) const;
    // An output a conversion would write now (missing or stale). A file at its name that the
    // conversion did not make is written over (the thumbnail and the large picture), or, with
    // `keepsForeignFile`, left as it is and named as not written (the sized and WebP files).
    struct StaleOutput {
        std::string name;
        bool keepsForeignFile = false;
        bool operator==(const StaleOutput&) const = default;
    };
    // Those of the outputs a conversion would write now; a dry run lists them.
    virtual std::vector<StaleOutput> StaleOutputs(const GalleryJob& job, const ImageList& images) const;

    // What the mark inside a picture the conversion wrote says of it; empty for any other file.
    struct OutputMark {
        std::string kind;        // "thumbnail", "large", ...
        std::string sourceName;  // the source picture's file name
    };
    virtual std::optional<OutputMark> ReadOutputMark(const std::string& path) const {
        (void)path;
        return std::nullopt;
    }

    // Why a source picture cannot be read, or empty when it can (as far as its header tells).
    virtual std::string WhyUnreadable(const std::string& path) const {
        (void)path;
        return {};
    }
    // Reads the metadata embedded in the pictures (captions, titles, dates) for the pages; null
    // when the converter has none, and then only sidecar files give pictures their words.
    virtual EmbeddedMetadataReader* Metadata() { return nullptr; }
};
