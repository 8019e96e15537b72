#pragma once

#include <string>

#include "engine/gallery_job.h"
#include "engine/image_list.h"

// What the page generators of one run read: the job and the pictures, plus the little they
// remember between pages.
struct PageContext {
    const GalleryJob& job;
    const ImageList& images;
    // The background picture is copied into the destination once per run, not once per page:
    // the result is the same and a large gallery does not copy it thousands of times.
    bool backgroundCopied = false;
    int pagesWritten = 0;

    int PictureCount() const { return static_cast<int>(images.GetSize()); }
    std::string ThumbnailOf(int index) const;
    std::string LargeOf(int index) const;
};
