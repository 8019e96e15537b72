// galvane-publish: publishes a gallery without the wizard, for scripts and servers, and uploads
// it (or any folder) by FTP. The same engine, the same job values, the same bytes as the wizard.
#include <signal.h>
#include <unistd.h>

#include <csignal>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <system_error>
#include <vector>

#include "cli/console_upload_window.h"
#include "cli/publish_job.h"
#include "cli/publish_options.h"
#include "cli/terminal_progress.h"
#include "engine/folder_checks.h"
#include "engine/picture_order.h"
#include "engine/program_version.h"
#include "engine/publication_run.h"
#include "engine/style_library.h"
#include "ftp/ftp_uploader.h"
#include "ftp/upload_status_texts.h"
#include "imaging/conversion.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadInput = 2;
constexpr int kExitInterrupted = 130;
constexpr int kExitTerminated = 143;

int BadInput(const std::string& message) {
    std::fprintf(stderr, "galvane-publish: %s\n", message.c_str());
    return kExitBadInput;
}

int ListStyles() {
    GalleryJob job;
    std::vector<StyleInfo> styles;
    DiscoverStyles(job, styles);
    for (const StyleInfo& style : styles) {
        std::printf("%s\t%s\n", style.displayName.c_str(), style.path.c_str());
    }
    return kExitDone;
}

// The run under way, for the signal handlers: they only raise its cancel flag, which the run
// looks at between pictures, stages and templates.
GalleryPublisher* g_publisher = nullptr;
volatile std::sig_atomic_t g_signal = 0;

extern "C" void CancelOnSignal(int signal) {
    g_signal = signal;
    if (g_publisher != nullptr) {
        g_publisher->RequestCancel();
    }
}

class CancelOnSignals {
public:
    explicit CancelOnSignals(GalleryPublisher& publisher) {
        g_publisher = &publisher;
        struct sigaction action {};
        action.sa_handler = CancelOnSignal;
        sigemptyset(&action.sa_mask);
        for (int i = 0; i < 2; ++i) {
            ::sigaction(kSignals[i], &action, &m_saved[i]);
        }
    }
    ~CancelOnSignals() {
        for (int i = 0; i < 2; ++i) {
            ::sigaction(kSignals[i], &m_saved[i], nullptr);
        }
        g_publisher = nullptr;
    }

private:
    static constexpr int kSignals[2] = {SIGINT, SIGTERM};
    struct sigaction m_saved[2]{};
};

void PrintReport(const RunReport& report, double seconds) {
    std::printf("%d pictures converted, %zu could not be read, %d pages written in %.1f s\n",
                report.picturesConverted, report.unreadable.size(), report.pagesWritten, seconds);
    if (report.picturesUpToDate > 0) {
        std::printf("%d pictures up to date, left as they were\n", report.picturesUpToDate);
    }
    if (!report.notWritten.empty()) {
        std::printf("%zu files could not be written\n", report.notWritten.size());
    }
    if (!report.leftOut.empty()) {
        std::printf("%zu left out\n", report.leftOut.size());
    }
    if (!report.removed.empty()) {
        std::printf("%zu stale files removed\n", report.removed.size());
    }
    if (!report.replacedForeign.empty()) {
        std::printf("%zu files replaced that Galvane had not made\n", report.replacedForeign.size());
    }
    for (const std::string& line : report.Lines()) {
        std::printf("  %s\n", line.c_str());
    }
}

class NoProgress final : public ProgressSink {
public:
    void SetProgress(int, int) override {}
};

// The dry run's list: what a run would write, replace and remove, one file a line.
void PrintDryRun(const RunReport& report) {
    for (const std::string& name : report.wouldWrite) {
        std::printf("would write %s\n", name.c_str());
    }
    for (const std::string& name : report.wouldReplace) {
        std::printf("would replace %s\n", name.c_str());
    }
    for (const std::string& name : report.removed) {
        std::printf("would remove %s\n", name.c_str());
    }
    for (const std::string& name : report.replacedForeign) {
        std::printf("would replace, not made by Galvane: %s\n", name.c_str());
    }
    for (const std::string& name : report.kept) {
        std::printf("kept: not made by Galvane: %s\n", name.c_str());
    }
    for (const FileProblem& p : report.unreadable) {
        std::printf("could not read %s: %s\n", p.name.c_str(), p.reason.c_str());
    }
    for (const FileProblem& p : report.leftOut) {
        std::printf("left out %s: %s\n", p.name.c_str(), p.reason.c_str());
    }
    std::printf("dry run: %zu to write, %zu to replace, %zu to remove; nothing was changed\n",
                report.wouldWrite.size(), report.wouldReplace.size(), report.removed.size());
}

// The pictures to publish, in the order asked for: with albums, each album's pictures are sorted
// among themselves.
void ScanInOrder(GalleryPublisher& publisher, const GalleryJob& job, const PublishOptions& options,
                 VimbralConverter& converter) {
    publisher.ScanSourceFolder();
    if (!options.sortByDate) {
        return;
    }
    SortByDateTaken(publisher.m_imageList, converter.Metadata());
    if (job.m_bAlbums) {
        AlbumScan scan = publisher.ScanAlbumTree();
        for (Album* album : scan.top.Walk()) {
            if (!album->relativePath.empty()) {
                SortByDateTaken(album->pictures, converter.Metadata());
                publisher.m_albumLists[album->relativePath] = std::move(album->pictures);
            }
        }
    }
}

int DryRun(const PublishOptions& options, GalleryJob& job) {
    VimbralConverter converter;
    converter.SetRebuild(options.rebuild);
    GalleryPublisher publisher(job, converter);
    publisher.SetDryRun(true);
    publisher.SetKeepStale(options.keepStale);
    ScanInOrder(publisher, job, options, converter);
    NoProgress progress;
    publisher.RunPublication(progress);
    const RunReport& report = publisher.Report();
    if (report.destinationBusy) {
        return BadInput("another publication is running into \"" + job.m_strDestFolder +
                        "\"; nothing was done");
    }
    if (!report.failure.empty()) {
        return BadInput("the dry run failed: " + report.failure);
    }
    PrintDryRun(report);
    return kExitDone;
}

int Publish(const PublishOptions& options, GalleryJob& job) {
    std::string reason;
    const SourceState source = CheckSourcePictures(job.m_strSourceFolder, reason, job.m_bAlbums);
    if (source != SourceState::HoldsPictures) {
        return BadInput("the source \"" + job.m_strSourceFolder + "\" " +
                        (source == SourceState::NoPictures ? std::string("holds no pictures")
                                                           : "cannot be read: " + reason) +
                        "; nothing was done");
    }
    if (options.dryRun) {
        return DryRun(options, job);
    }
    std::error_code ec;
    std::filesystem::create_directory(job.m_strDestFolder, ec);
    if (ec) {
        return BadInput("cannot create the destination \"" + job.m_strDestFolder + "\": " + ec.message());
    }
    if (!CanWriteIntoFolder(job.m_strDestFolder, reason)) {
        return BadInput("the destination \"" + job.m_strDestFolder + "\" cannot be written: " + reason +
                        "; nothing was done");
    }
    const auto start = std::chrono::steady_clock::now();
    VimbralConverter converter;
    converter.SetRebuild(options.rebuild);
    GalleryPublisher publisher(job, converter);
    publisher.SetKeepStale(options.keepStale);
    ScanInOrder(publisher, job, options, converter);
    {
        CancelOnSignals signals(publisher);
        TerminalProgress progress(stderr, !options.quiet && ::isatty(STDERR_FILENO));
        publisher.RunPublication(progress);
    }
    const RunReport& report = publisher.Report();
    if (report.destinationBusy) {
        return BadInput("another publication is running into \"" + job.m_strDestFolder +
                        "\"; nothing was done");
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (report.cancelled) {
        std::printf("cancelled: the gallery in %s is not complete\n", job.m_strDestFolder.c_str());
        PrintReport(report, seconds);
        std::fflush(stdout);
        return g_signal == SIGTERM ? kExitTerminated : kExitInterrupted;
    }
    PrintReport(report, seconds);
    const std::string startPage =
        std::filesystem::absolute(job.m_strDestFolder + "/" + kStartPageName, ec).lexically_normal();
    // The path is the result a script opens: it is printed only when there is a page to open.
    if (StartPageWritten(report, job.m_strDestFolder)) {
        std::printf("%s\n", startPage.c_str());
    } else {
        std::fprintf(stderr, "galvane-publish: the gallery has no start page: %s was not written\n",
                     startPage.c_str());
    }
    return report.NothingLost() ? kExitDone : kExitFailed;
}

int Upload(const PublishOptions& options, const std::string& folder) {
    if (options.ftpServer.empty() || options.ftpLogin.empty()) {
        return BadInput("an upload needs --ftp-server and --ftp-login");
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        return BadInput("folder to upload not found: \"" + folder + "\"");
    }
    FtpUploadInputs inputs{folder, options.ftpServer, options.ftpLogin, "", options.ftpSubfolder};
    if (!ReadFtpPassword(inputs.password)) {
        return BadInput("no FTP password: set GALVANE_FTP_PASSWORD or run on a terminal");
    }
    ConsoleUploadWindow window(stdout, options.createSubfolder);
    FtpUploader uploader(window);
    uploader.SetInputs(std::move(inputs));
    FtpUploadSettings settings{options.passive, options.ftpCaFile, "",
                               options.acceptNewHostKey ? NewHostKey::Trust : NewHostKey::Refuse};
    settings.full = options.fullUpload;
    settings.keepRemote = options.keepRemote;
    settings.connections = options.connections;
    uploader.SetSettings(std::move(settings));
    uploader.Run();
    std::printf("%s\n", upload_status::UploadCounts(uploader.Result()).c_str());
    return uploader.Completed() && uploader.FilesFailed() == 0 ? kExitDone : kExitFailed;
}

int Run(int argc, char** argv) {
    std::string error;
    const auto options = ParsePublishOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "%s\n", UsageErrorLine(error).c_str());
        return kExitBadInput;
    }
    if (options->help) {
        std::printf("%s", kPublishUsage);
        return kExitDone;
    }
    if (options->version) {
        std::printf("galvane-publish %s\n", kProgramVersionText);
        return kExitDone;
    }
    if (options->listStyles) {
        return ListStyles();
    }
    if (!options->uploadOnly.empty()) {
        return Upload(*options, WithoutTrailingSlash(options->uploadOnly));
    }
    auto job = BuildPublishJob(*options, error);
    if (!job) {
        return BadInput(error);
    }
    if (options->Uploads() && (options->ftpServer.empty() || options->ftpLogin.empty())) {
        return BadInput("an upload needs --ftp-server and --ftp-login");
    }
    const int published = Publish(*options, *job);
    if (published != kExitDone || !options->Uploads() || options->dryRun) {
        return published;
    }
    return Upload(*options, job->m_strDestFolder);
}

}  // namespace

int main(int argc, char** argv) {
    // Whatever escapes the run ends it with a message and the failure code, not an abort.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "galvane-publish: out of memory\n");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "galvane-publish: stopped by an internal error: %s\n", error.what());
    }
    return kExitFailed;
}
