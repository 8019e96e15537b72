// A run with albums on: the source is walked once into a tree of albums, every picture of every
// album goes into the one conversion, then each album gets its style copy and pages in its own
// folder of the destination, and each folder its clean-up and record, the deepest first.
#include <sys/stat.h>

#include <cerrno>
#include <map>
#include <memory>
#include <set>

#include "engine/album_navigation.h"
#include "engine/album_tags.h"
#include "engine/album_tree.h"
#include "engine/directory.h"
#include "engine/picture_selection.h"
#include "engine/picture_words.h"
#include "engine/publication_run.h"
#include "engine/publication_stages.h"
#include "engine/safe_files.h"
#include "engine/stale_files.h"

namespace {

// One album's share of the run.
struct AlbumPart {
    Album* album = nullptr;
    std::vector<const Album*> trail;  // its ancestors, the top first
    GalleryJob job;
    RunFiles files;
    ImageList converting;  // without album folders: names as in the album's own folder
    FolderLock lock;
    bool usable = true;
    RunReport report;  // names relative to the album's folder
    StyleCopy copies;
    std::vector<PictureVariants> variants;  // of the album's pictures, in their order
};

// Adds what one album's folder reported to the run's report, names made relative to the top.
void MergeReport(RunReport& into, const RunReport& part, const std::string& album) {
    const auto named = [&album](const std::vector<std::string>& names, std::vector<std::string>& to) {
        for (const std::string& name : names) {
            to.push_back(album.empty() ? name : album + "/" + name);
        }
    };
    named(part.removed, into.removed);
    named(part.kept, into.kept);
    named(part.replacedForeign, into.replacedForeign);
    named(part.wouldWrite, into.wouldWrite);
    named(part.wouldReplace, into.wouldReplace);
    into.unreadable.insert(into.unreadable.end(), part.unreadable.begin(), part.unreadable.end());
    into.notWritten.insert(into.notWritten.end(), part.notWritten.begin(), part.notWritten.end());
    into.leftOut.insert(into.leftOut.end(), part.leftOut.begin(), part.leftOut.end());
    into.pagesWritten += part.pagesWritten;
}

// Makes the album's folder (a real folder, never a link) and takes its lock; false when it
// cannot be published into, noted in `report`.
bool PrepareFolder(AlbumPart& part, bool dryRun, RunReport& report) {
    const std::string& folder = part.job.m_strDestFolder;
    struct stat st {};
    if (::lstat(folder.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) {
            report.notWritten.push_back({folder, "a file of that name is in the way of the album"});
            return false;
        }
    } else if (dryRun) {
        return true;
    } else if (::mkdir(folder.c_str(), 0777) != 0) {
        report.notWritten.push_back({folder, SystemReason(errno)});
        return false;
    } else {
        part.files.folderMade = true;
    }
    std::string reason;
    if (!dryRun && !part.lock.TryAcquire(folder, reason)) {
        report.notWritten.push_back({folder, reason});
        return false;
    }
    return true;
}

void CollectParts(Album& album, std::vector<const Album*>& trail,
                  std::vector<std::unique_ptr<AlbumPart>>& parts) {
    auto part = std::make_unique<AlbumPart>();
    part->album = &album;
    part->trail = trail;
    parts.push_back(std::move(part));
    trail.push_back(&album);
    for (Album& child : album.albums) {
        CollectParts(child, trail, parts);
    }
    trail.pop_back();
}

}  // namespace

void GalleryPublisher::PublishAlbums(ProgressSink& progress) {
    const bool sameFolder = IsSameFolder(m_job.m_strDestFolder, m_job.m_strSourceFolder);
    m_report.dryRun = m_dryRun;
    AlbumScan scan = ScanAlbumTree();
    // Every album as the user ordered it: the top album's list, and those of the albums below.
    scan.top.pictures = m_imageList;
    for (Album* album : scan.top.Walk()) {
        const auto chosen = m_albumLists.find(album->relativePath);
        if (!album->relativePath.empty() && chosen != m_albumLists.end()) {
            album->pictures = chosen->second;
        }
    }
    m_report.foldersLeftOut = scan.foldersLeftOut;

    std::vector<std::unique_ptr<AlbumPart>> parts;
    std::vector<const Album*> trail;
    CollectParts(scan.top, trail, parts);
    ImageList all;
    for (const std::unique_ptr<AlbumPart>& part : parts) {
        const std::string& relative = part->album->relativePath;
        part->job = m_job;
        if (!relative.empty()) {
            part->job.m_strDestFolder = JoinPath(m_job.m_strDestFolder, relative);
            part->job.m_strSourceFolder = JoinPath(m_job.m_strSourceFolder, relative);
            part->usable = PrepareFolder(*part, m_dryRun, m_report);
        }
        part->files.previous = RunManifest::Read(part->job.m_strDestFolder);
        part->files.dryRun = m_dryRun;
        if (!part->usable) {
            continue;
        }
        if (sameFolder) {
            LeaveOutOwnFiles(part->album->pictures, m_converter, part->files.previous);
        }
        const std::vector<std::size_t> selected =
            SelectPublishable(part->album->pictures, m_job.m_nJpegQuality, !sameFolder, m_report,
                              [this](const std::string& path) { return m_converter.WhyUnreadable(path); });
        for (const std::size_t i : selected) {
            const std::string path = part->album->pictures.GetPathAt(i);
            part->converting.Add(path);
            all.Add(ImageEntry{path, relative});
        }
    }
    const bool intoStyle = DestinationIsStyleFolder(m_job);
    if (m_dryRun) {
        for (const std::unique_ptr<AlbumPart>& part : parts) {
            part->album->pictures = part->converting;
            NoteStaleOutputs(m_converter, part->job, part->converting, part->report);
        }
    } else {
        ConvertImages(all, progress);
        // Only pictures with a thumbnail go into the pages, so no slot shows a file that is not there.
        std::vector<PictureVariants> shownVariants;
        const ImageList shown = TakeOutcomes(all, shownVariants);
        std::map<std::string, AlbumPart*> byFolder;
        for (const std::unique_ptr<AlbumPart>& part : parts) {
            part->album->pictures.RemoveAll();
            part->variants.clear();
            byFolder[part->album->relativePath] = part.get();
        }
        for (std::size_t i = 0; i < shown.GetSize(); ++i) {
            AlbumPart& part = *byFolder[shown.ElementAt(i).album];
            part.album->pictures.Add(shown.ElementAt(i).path);
            part.variants.push_back(i < shownVariants.size() ? shownVariants[i] : PictureVariants{});
        }
        if (m_cancel) {
            return;
        }
        progress.SetProgress(kProgressAfterConversion, 0);
    }
    if (intoStyle) {
        return;
    }
    for (const std::unique_ptr<AlbumPart>& part : parts) {
        if (part->usable && !m_cancel) {
            part->copies = CopyStyleFiles(m_job.m_strStylePath, part->job.m_strDestFolder, sameFolder,
                                          part->report, &part->files);
        }
    }
    if (!m_dryRun && !m_cancel) {
        progress.SetProgress(kProgressAfterStyleCopy, 0);
    }
    std::set<const Album*> usable;
    for (const std::unique_ptr<AlbumPart>& part : parts) {
        if (part->usable) {
            usable.insert(part->album);
        }
    }
    std::vector<AlbumNavigation> navigation(parts.size());
    const bool plain = !StyleHasAlbumBlocks(m_job.m_strStylePath);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        AlbumPart& part = *parts[i];
        if (!part.usable) {
            continue;
        }
        navigation[i] = NavigationOf(*part.album, part.trail, m_job.m_strTitle);
        navigation[i].plain = plain;
        // An album that could not be published gets no tile: its link would lead nowhere.
        std::vector<AlbumNavigation::Tile>& tiles = navigation[i].albums;
        for (std::size_t j = part.album->albums.size(); j-- > 0;) {
            if (!usable.contains(&part.album->albums[j])) {
                tiles.erase(tiles.begin() + static_cast<std::ptrdiff_t>(j));
            }
        }
        std::vector<std::string> paths;
        for (std::size_t k = 0; k < part.album->pictures.GetSize(); ++k) {
            paths.push_back(part.album->pictures.GetPathAt(k));
        }
        const std::vector<PictureWords> words = ReadAllPictureWords(paths, m_converter.Metadata());
        PageContext context{part.job, part.album->pictures};
        context.words = &words;
        context.variants = part.variants;
        context.largePicturesMade = !sameFolder;
        context.keepExistingFiles = sameFolder;
        context.report = &part.report;
        context.files = &part.files;
        context.albums = &navigation[i];
        // Once cancelled this only removes the template copies.
        GenerateGalleryPages(context, part.copies, m_cancel);
        part.report.pagesWritten = context.pagesWritten;
    }
    if (!m_cancel) {
        // The deepest first: an album's record names the albums below it that were published.
        for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
            AlbumPart& part = **it;
            if (!part.usable) {
                continue;
            }
            std::set<std::string> albums;
            for (const Album& child : part.album->albums) {
                if (usable.contains(&child)) {
                    albums.insert(child.title);
                }
            }
            FinishFolder(part.job, part.files, part.converting, sameFolder, &albums, part.report);
        }
    }
    for (const std::unique_ptr<AlbumPart>& part : parts) {
        RunReport& report = part->report;
        report.wouldWrite.insert(report.wouldWrite.end(), part->files.wouldWrite.begin(),
                                 part->files.wouldWrite.end());
        report.wouldReplace.insert(report.wouldReplace.end(), part->files.wouldReplace.begin(),
                                   part->files.wouldReplace.end());
        MergeReport(m_report, report, part->album->relativePath);
    }
    if (!m_cancel && !m_dryRun) {
        progress.SetProgress(kProgressDone, 0);
    }
}
