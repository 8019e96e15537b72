#pragma once

#include <string>
#include <vector>

#include "engine/gallery_job.h"
#include "engine/image_list.h"
#include "engine/run_manifest.h"
#include "engine/picture_words.h"
#include "engine/picture_variants.h"
#include "engine/run_report.h"

struct AlbumNavigation;

// What the page generators of one run read: the job and the pictures, plus the little they
// remember between pages.
struct PageContext {
    const GalleryJob& job;
    const ImageList& images;
    // False when the destination is the source folder: pages then show the source pictures
    // themselves, under their own names.
    bool largePicturesMade = true;
    // Where pages and copies that could not be written are noted; none in a bare generation.
    RunReport* report = nullptr;
    // The background picture is copied into the destination once per run, not once per page:
    // the result is the same and a large gallery does not copy it thousands of times.
    bool backgroundCopied = false;
    // Same-folder runs: a file already in the destination under a style file's name is the
    // user's own and is never replaced.
    bool keepExistingFiles = false;
    bool backgroundRefused = false;
    // Where the run notes the files it writes, and what the previous run recorded; none in a bare
    // generation.
    RunFiles* files = nullptr;
    int pagesWritten = 0;
    // Caption, title and date of each picture, in list order; none (or too few): empty words.
    const std::vector<PictureWords>* words = nullptr;
    // In a gallery of albums, what the pages show of the other albums; null otherwise.
    const AlbumNavigation* albums = nullptr;
    // The variants made of each picture, by index; missing entries have none.
    std::vector<PictureVariants> variants{};

    int PictureCount() const { return static_cast<int>(images.GetSize()); }
    // The file names, as written into the destination.
    std::string ThumbnailOf(int index) const;
    std::string LargeOf(int index) const;
    // The same names as they stand in a page: inside a URL, or as text.
    std::string ThumbnailUrlOf(int index) const;
    std::string ThumbnailTextOf(int index) const;
    std::string LargeUrlOf(int index) const;
    std::string LargeTextOf(int index) const;
    // The picture's words as they stand in a page's text or attribute value (PageTextOfWords);
    // empty when it has none.
    std::string CaptionTextOf(int index) const;
    std::string PictureTitleTextOf(int index) const;
    std::string DateTakenTextOf(int index) const;
};
