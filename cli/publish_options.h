#pragma once

#include <optional>
#include <string>

#include "engine/gallery_job.h"
#include "ftp/ftp_uploader.h"

// What galvane-publish was asked to do, as typed.
struct PublishOptions {
    std::string source;
    std::string dest;
    std::string style;
    bool useOriginal = false;
    std::string title = kDefaultTitle;
    std::string name = kDefaultName;
    std::string commentary = kDefaultCommentary;
    ColorRef bgColor = 0x00FFFFFF;
    ColorRef textColor = 0;
    std::string bgImage;
    bool noBgImage = false;
    int thumbWidth = 100;
    int thumbHeight = 100;
    int largeWidth = 0;
    int largeHeight = 0;
    int quality = 75;
    bool listStyles = false;
    bool quiet = false;
    bool rebuild = false;
    bool keepStale = false;
    bool dryRun = false;
    bool sortByDate = false;  // --sort date
    bool albums = false;
    bool help = false;
    bool version = false;

    std::string ftpServer;
    std::string ftpLogin;
    std::string ftpSubfolder;
    bool createSubfolder = false;
    bool passive = false;
    std::string ftpCaFile;
    bool acceptNewHostKey = false;
    bool fullUpload = false;
    bool keepRemote = false;
    int connections = kDefaultUploadConnections;  // logins sending files at the same time
    std::string uploadOnly;

    bool Publishes() const { return uploadOnly.empty() && !listStyles && !help && !version; }
    bool Uploads() const { return !ftpServer.empty() || !uploadOnly.empty(); }
};

// Parses the command line; on a malformed one returns nothing and sets `error` to one sentence
// naming the option and what it takes.
std::optional<PublishOptions> ParsePublishOptions(int argc, const char* const* argv, std::string& error);

// "RRGGBB" (or "#RRGGBB"), hex digits in either case, red first.
std::optional<ColorRef> ParseHtmlColor(const std::string& text);
// "WxH" with whole numbers from 0.
bool ParseSize(const std::string& text, int& width, int& height);
// A whole number in [low, high].
std::optional<int> ParseNumber(const std::string& text, int low, int high);

// What an option's value must look like ("0 to 100"); empty for an option that takes any text.
std::string AllowedValue(const std::string& option);
// The one line printed for an error in the command line: the error and where to read more.
std::string UsageErrorLine(const std::string& error);

extern const char* const kPublishUsage;
