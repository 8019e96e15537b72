// galvane-publish: publishes a gallery without the wizard, for scripts and servers, and uploads
// it (or any folder) by FTP. The same engine, the same job values, the same bytes as the wizard.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "cli/console_upload_window.h"
#include "cli/publish_job.h"
#include "cli/publish_options.h"
#include "cli/terminal_progress.h"
#include "engine/program_version.h"
#include "engine/publication_run.h"
#include "engine/style_library.h"
#include "ftp/ftp_uploader.h"
#include "imaging/conversion.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadInput = 2;

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

int Publish(const PublishOptions& options, GalleryJob& job) {
    std::error_code ec;
    std::filesystem::create_directory(job.m_strDestFolder, ec);
    if (ec) {
        return BadInput("cannot create the destination \"" + job.m_strDestFolder + "\": " + ec.message());
    }
    const auto start = std::chrono::steady_clock::now();
    VimbralConverter converter;
    GalleryPublisher publisher(job, converter);
    publisher.ScanSourceFolder();
    {
        TerminalProgress progress(stderr, !options.quiet && ::isatty(STDERR_FILENO));
        publisher.RunPublication(progress);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto& unreadable = converter.UnreadablePictures();
    const std::size_t total = publisher.m_imageList.GetSize();
    std::printf("%zu pictures converted, %zu could not be read, %d pages written in %.1f s\n",
                total - unreadable.size(), unreadable.size(), publisher.PagesWritten(), seconds);
    for (const std::string& path : unreadable) {
        std::printf("  could not read %s\n", path.c_str());
    }
    std::printf("%s\n",
                std::filesystem::absolute(job.m_strDestFolder + "/main.htm", ec).lexically_normal().c_str());
    return kExitDone;
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
    uploader.SetSettings(std::move(settings));
    uploader.Run();
    std::printf("%d file(s) sent, %d skipped as unchanged, %d failed\n", uploader.FilesSent(),
                uploader.FilesSkipped(), uploader.FilesFailed());
    return uploader.Completed() && uploader.FilesFailed() == 0 ? kExitDone : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = ParsePublishOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "galvane-publish: %s\n\n%s", error.c_str(), kPublishUsage);
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
    if (published != kExitDone || !options->Uploads()) {
        return published;
    }
    return Upload(*options, job->m_strDestFolder);
}
