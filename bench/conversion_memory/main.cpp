// Converts every .jpg of a folder with VimbralConverter on a given number of workers and prints
// the peak of the memory budget's reservations and the process's peak resident memory. Driven by
// run.py, which makes the pictures and compares the figures with its anchor.
//
//   conversion_memory --source DIR --dest DIR --workers N
#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/directory.h"
#include "engine/gallery_job.h"
#include "engine/image_list.h"
#include "imaging/conversion.h"

namespace {

struct QuietSink final : ProgressSink {
    void SetProgress(int, int) override {}
};

long PeakResidentKilobytes() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    std::string source, dest;
    unsigned workers = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--source") {
            source = argv[i + 1];
        } else if (option == "--dest") {
            dest = argv[i + 1];
        } else if (option == "--workers") {
            workers = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        }
    }
    if (source.empty() || dest.empty()) {
        std::fprintf(stderr, "usage: conversion_memory --source DIR --dest DIR --workers N\n");
        return 2;
    }
    GalleryJob job;
    job.m_strSourceFolder = source;
    job.m_strDestFolder = dest;
    job.m_nThumbMaxWidth = 100;
    job.m_nThumbMaxHeight = 100;
    job.m_nLargeMaxWidth = 640;
    job.m_nLargeMaxHeight = 480;
    job.m_nJpegQuality = 75;
    ImageList images;
    for (const DirectoryEntry& entry : ListDirectory(source)) {
        if (!entry.isDirectory && entry.name.size() > 4 &&
            entry.name.substr(entry.name.size() - 4) == ".jpg") {
            images.Add(JoinPath(source, entry.name));
        }
    }
    QuietSink sink;
    std::atomic<bool> cancel{false};
    VimbralConverter converter(workers);
    converter.ConvertImages(job, images, sink, cancel);
    const PixelBudget& budget = PixelBudget::Process();
    std::printf("pictures %zu workers %u refused %zu budget_mb %lld reserved_peak_mb %lld peak_rss_mb %ld\n",
                images.GetSize(), workers, converter.RefusedPictures().size(),
                static_cast<long long>(budget.Capacity() >> 20), static_cast<long long>(budget.Peak() >> 20),
                PeakResidentKilobytes() / 1024);
    return 0;
}
