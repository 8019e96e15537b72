#pragma once

#include <atomic>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/album_tree.h"
#include "engine/gallery_job.h"
#include "engine/image_list.h"
#include "engine/picture_converter.h"
#include "engine/progress.h"
#include "engine/run_manifest.h"
#include "engine/run_report.h"

// A dry run's account of the pictures' outputs in `job`'s destination: each to write, to replace
// (and, of those, the ones Galvane did not make), or, where the conversion leaves a file it did not
// make, kept.
void NoteStaleOutputs(const PictureConverter& converter, const GalleryJob& job, const ImageList& images,
                      RunReport& report);

// The picture list of a gallery and the operations that publish it. The wizard sheet owns one;
// galvane-publish makes one per run.
class GalleryPublisher {
public:
    GalleryPublisher(const GalleryJob& job, PictureConverter& converter)
        : m_job(job), m_converter(converter) {}

    // Refills the list from the job's source folder.
    void ScanSourceFolder();
    // The source's albums as a run with albums on finds them (the destination and the style folder
    // left out). The run scans again: albums named in m_albumLists take their pictures from there.
    AlbumScan ScanAlbumTree() const;
    // Thumbnails and large pictures of the given entries; returns their number.
    int ConvertImages(const ImageList& images, ProgressSink& progress);
    // Conversion, style copy, page generation, reporting 0 (range 100), the conversion's steps,
    // 80, 90 and 100. Returns 1. Once a cancel is requested it stops at the next picture, stage or
    // template and reports nothing more. Report() then tells what was done and what was not. A run
    // into a destination another run holds does nothing and says so.
    int RunPublication(ProgressSink& progress);

    // Thread-safe, and safe from a signal handler; honoured between pictures, stages and templates.
    void RequestCancel() { m_cancel = true; }
    bool CancelRequested() const { return m_cancel; }
    void ResetCancel() { m_cancel = false; }

    // After a completed run the files of earlier runs that this one does not make are removed
    // (RemoveStaleFiles); with keepStale they stay.
    void SetKeepStale(bool keepStale) { m_keepStale = keepStale; }
    // A dry run converts, copies, writes and removes nothing: its report lists what a run would
    // write, replace and remove.
    void SetDryRun(bool dryRun) { m_dryRun = dryRun; }

    // Pages the last run wrote (or found already as they should be).
    int PagesWritten() const { return m_report.pagesWritten; }
    const RunReport& Report() const { return m_report; }

    ImageList m_imageList;
    // With albums on, the pictures of albums below the top as the user ordered and chose them, by
    // folder relative to the source ("2026/Rome"). An album not named here publishes every
    // picture its folder holds, in the scan's order; the top album is always m_imageList.
    std::map<std::string, ImageList> m_albumLists;

private:
    void Publish(ProgressSink& progress);
    // What a run would do, into m_report.
    void PlanDryRun(const ImageList& converting);
    // Counts and notes each picture's outcome; returns the pictures the pages can show, and
    // fills in the variants made of each.
    ImageList TakeOutcomes(const ImageList& converting, std::vector<PictureVariants>& shownVariants);
    // After a completed run: the stale files go, and the record of what the run wrote is left.
    void FinishDestination(const ImageList& converting, bool sameFolder);
    // The same for one folder: `job`'s destination, `files` what the run wrote there. `albums`:
    // in a gallery of albums, the subfolders this run published albums into (those the previous
    // run recorded and this one does not go); null in a run without albums. `report` takes names
    // relative to the folder.
    void FinishFolder(const GalleryJob& job, RunFiles& files, const ImageList& converting, bool sameFolder,
                      const std::set<std::string>* albums, RunReport& report);
    // A run with albums on: every album's pictures in one conversion, then each album's pages.
    void PublishAlbums(ProgressSink& progress);

    const GalleryJob& m_job;
    PictureConverter& m_converter;
    std::atomic<bool> m_cancel{false};
    RunReport m_report;
    RunFiles m_files;
    bool m_keepStale = false;
    bool m_dryRun = false;
};

// Whether the destination is the style folder itself: a run there would delete the style's own
// templates, so the run copies and generates nothing, and the front ends refuse it beforehand.
bool DestinationIsStyleFolder(const GalleryJob& job);

// Whether a folder holds a style: one of `stylePaths`, or a folder whose name holds "###" with a
// recognised template in it. Publishing there would delete that style's templates.
bool FolderHoldsStyle(const std::string& folder, const std::vector<std::string>& stylePaths);
