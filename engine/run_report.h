#pragma once

#include <string>
#include <vector>

// One file or picture the run could not handle, with the reason in the system's words.
struct FileProblem {
    std::string name;
    std::string reason;
};

// What one publication run did and did not do. A clean report is one the user need not read.
struct RunReport {
    bool completed = false;
    bool cancelled = false;
    // Another run held the destination: nothing was done.
    bool destinationBusy = false;
    // A failure outside the file operations ended the run early.
    std::string failure;

    int picturesConverted = 0;
    // Pictures whose outputs were already made from the same source with the same settings.
    int picturesUpToDate = 0;
    int pagesWritten = 0;

    // Source pictures that could not be read, by path.
    std::vector<FileProblem> unreadable;
    // Outputs, copied files and pages that could not be written, by path.
    std::vector<FileProblem> notWritten;
    // Pictures and style files left out of the gallery on purpose, and why.
    std::vector<FileProblem> leftOut;
    // In a gallery of albums: subfolders of the source that are no album, by path relative to the
    // source, and why (hidden, empty, reached again through a link). Notes, not problems.
    std::vector<FileProblem> foldersLeftOut;

    // Files of the destination, by name, that the run removed as stale (in a dry run: would
    // remove), that it left because Galvane did not make them (or they were changed since), and
    // files at the run's output names that Galvane did not make and the run replaced.
    std::vector<std::string> removed;
    std::vector<std::string> kept;
    std::vector<std::string> replacedForeign;
    // A dry run: the names a run would write anew and replace (report.removed: would remove).
    bool dryRun = false;
    std::vector<std::string> wouldWrite;
    std::vector<std::string> wouldReplace;

    bool Clean() const {
        return completed && !cancelled && !destinationBusy && failure.empty() && unreadable.empty() &&
               notWritten.empty() && leftOut.empty();
    }
    bool NothingLost() const { return notWritten.empty() && failure.empty() && !destinationBusy; }

    // One line per problem: "could not read PATH: REASON", "could not write PATH: REASON",
    // "left out NAME: REASON", in that order; then "replaced, not made by Galvane: NAME",
    // "kept: not made by Galvane: NAME" and "not an album: FOLDER: REASON", which are notes rather
    // than problems.
    std::vector<std::string> Lines() const;
    int ProblemCount() const {
        return static_cast<int>(unreadable.size() + notWritten.size() + leftOut.size()) +
               (failure.empty() ? 0 : 1) + (destinationBusy ? 1 : 0);
    }
};

// The start page every layout writes, and the one a finished gallery is opened at.
inline constexpr const char* kStartPageName = "main.htm";

// Whether `destFolder` holds a start page that this run did not fail to write.
bool StartPageWritten(const RunReport& report, const std::string& destFolder);

// Why the run could not write its gallery, in the system's words: the start page's own reason when
// that was among the failures, otherwise the reason most files failed with, otherwise the failure
// that ended the run. Empty when nothing failed to be written.
std::string MainWriteFailure(const RunReport& report);

// The text the system gives for an errno value ("No space left on device").
std::string SystemReason(int error);
