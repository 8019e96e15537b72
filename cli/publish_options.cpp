#include "cli/publish_options.h"

#include <charconv>
#include <climits>
#include <functional>
#include <map>

const char* const kPublishUsage =
    "usage: galvane-publish --source DIR --dest DIR --style NAME|PATH [options]\n"
    "       galvane-publish --upload-only DIR --ftp-server HOST[:PORT] --ftp-login LOGIN [options]\n"
    "       galvane-publish --list-styles\n"
    "\n"
    "  --style S            display name of a bundled style, or the path of a style folder\n"
    "  --use-original       publish the source pictures as they are (only thumbnails are made,\n"
    "                       and the smaller WebP copies a style asks for); --dest may then be\n"
    "                       left out or name the source folder\n"
    "  --title T            page title (default \"Gallery\")\n"
    "  --name T             short text on every page (default \"Image gallery\")\n"
    "  --commentary T       long text on the first page\n"
    "  --bg-color RRGGBB    background colour (default ffffff)\n"
    "  --text-color RRGGBB  text colour (default 000000)\n"
    "  --bg-image FILE      background picture (default: the style's own background.*)\n"
    "  --no-bg-image        no background picture\n"
    "  --thumb WxH          largest thumbnail (default 100x100; 0 = no limit that way)\n"
    "  --large WxH          largest large picture (default 0x0: pictures keep their size)\n"
    "  --gif                large pictures as GIF\n"
    "  --quality Q          JPEG quality 0..100 (default 75; 0 means GIF)\n"
    "  --rebuild            convert every picture again, also those whose outputs are up to date\n"
    "  --keep-stale         remove nothing: leave the files of earlier runs that this run does not make\n"
    "  --dry-run            print what the run would write, replace and remove, and touch nothing\n"
    "  --sort name|date     order of the pictures: by file name (the default), or by the date they\n"
    "                       were taken, pictures without one last\n"
    "  --albums             publish the source's subfolders too, each as an album in the same\n"
    "                       subfolder of the destination, linked from the album above it\n"
    "  --list-styles        print NAME<Tab>PATH of each style found, then exit\n"
    "  --quiet              no progress bar\n"
    "  --version            print the program's version, then exit\n"
    "  --help               print this text, then exit\n"
    "\n"
    "Upload (after publishing, or alone with --upload-only DIR):\n"
    "  --ftp-server HOST[:PORT] --ftp-login LOGIN [--ftp-subfolder DIR] [--create-subfolder]\n"
    "  The server may start with ftp:// (plain FTP, the default), ftps:// (FTP over TLS, required\n"
    "  for the login and every file) or sftp:// (SFTP over SSH, port 22 unless given).\n"
    "  --passive             passive mode from the start (without it, passive mode takes over when\n"
    "                        the server cannot connect back)\n"
    "  --ftp-ca-file FILE    ftps://: trust the server certificate(s) in FILE (PEM) instead of the\n"
    "                        system's certificate store\n"
    "  --accept-new-host-key sftp://: trust a host key that ~/.ssh/known_hosts does not hold yet and\n"
    "                        add it there (without it, the run stops); a changed key always stops\n"
    "  --full                send every file, also those the server already holds unchanged\n"
    "  --keep-remote         delete nothing on the server (without it, files an earlier upload sent\n"
    "                        that are no longer in the folder are deleted; nothing else ever is)\n"
    "  --connections N       send N files at once, each over a login of its own (1 to 8, default 4);\n"
    "                        1 sends one file after the other\n"
    "  The password is read from GALVANE_FTP_PASSWORD, or asked for on the terminal.\n";

std::optional<int> ParseNumber(const std::string& text, int low, int high) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<ColorRef> ParseHtmlColor(const std::string& text) {
    const std::string digits = !text.empty() && text[0] == '#' ? text.substr(1) : text;
    if (digits.size() != 6) {
        return std::nullopt;
    }
    unsigned value = 0;
    const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + 6, value, 16);
    if (ec != std::errc() || ptr != digits.data() + 6) {
        return std::nullopt;
    }
    return MakeColorRef((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

bool ParseSize(const std::string& text, int& width, int& height) {
    const auto x = text.find_first_of("xX");
    if (x == std::string::npos) {
        return false;
    }
    const auto w = ParseNumber(text.substr(0, x), 0, INT_MAX);
    const auto h = ParseNumber(text.substr(x + 1), 0, INT_MAX);
    if (!w || !h) {
        return false;
    }
    width = *w;
    height = *h;
    return true;
}

std::string AllowedValue(const std::string& option) {
    static const std::map<std::string, std::string> forms = {
        {"--quality", "0 to 100"},
        {"--thumb", "WIDTHxHEIGHT, for example 100x100 (0 means no limit that way)"},
        {"--large", "WIDTHxHEIGHT, for example 1024x768"},
        {"--bg-color", "RRGGBB in hexadecimal, for example ffffff"},
        {"--text-color", "RRGGBB in hexadecimal, for example 000000"},
        {"--ftp-ca-file", "the path of a PEM file"},
        {"--connections", "a whole number from 1 to 8"},
    };
    const auto form = forms.find(option);
    return form != forms.end() ? form->second : std::string();
}

std::string UsageErrorLine(const std::string& error) {
    return "galvane-publish: " + error + ". Try 'galvane-publish --help'.";
}

std::optional<PublishOptions> ParsePublishOptions(int argc, const char* const* argv, std::string& error) {
    PublishOptions o;
    using Setter = std::function<bool(const std::string&)>;
    const std::map<std::string, Setter> withValue = {
        {"--source",
         [&](const std::string& v) {
             o.source = v;
             return true;
         }},
        {"--dest",
         [&](const std::string& v) {
             o.dest = v;
             return true;
         }},
        {"--style",
         [&](const std::string& v) {
             o.style = v;
             return true;
         }},
        {"--title",
         [&](const std::string& v) {
             o.title = v;
             return true;
         }},
        {"--name",
         [&](const std::string& v) {
             o.name = v;
             return true;
         }},
        {"--commentary",
         [&](const std::string& v) {
             o.commentary = v;
             return true;
         }},
        {"--bg-image",
         [&](const std::string& v) {
             o.bgImage = v;
             return true;
         }},
        {"--bg-color",
         [&](const std::string& v) {
             auto c = ParseHtmlColor(v);
             o.bgColor = c.value_or(0);
             return c.has_value();
         }},
        {"--text-color",
         [&](const std::string& v) {
             auto c = ParseHtmlColor(v);
             o.textColor = c.value_or(0);
             return c.has_value();
         }},
        {"--thumb", [&](const std::string& v) { return ParseSize(v, o.thumbWidth, o.thumbHeight); }},
        {"--large", [&](const std::string& v) { return ParseSize(v, o.largeWidth, o.largeHeight); }},
        {"--quality",
         [&](const std::string& v) {
             auto q = ParseNumber(v, 0, 100);
             o.quality = q.value_or(0);
             return q.has_value();
         }},
        {"--sort",
         [&](const std::string& v) {
             o.sortByDate = v == "date";
             return v == "date" || v == "name";
         }},
        {"--ftp-server",
         [&](const std::string& v) {
             o.ftpServer = v;
             return true;
         }},
        {"--ftp-login",
         [&](const std::string& v) {
             o.ftpLogin = v;
             return true;
         }},
        {"--ftp-subfolder",
         [&](const std::string& v) {
             o.ftpSubfolder = v;
             return true;
         }},
        {"--ftp-ca-file",
         [&](const std::string& v) {
             o.ftpCaFile = v;
             return !v.empty();
         }},
        {"--connections",
         [&](const std::string& v) {
             auto n = ParseNumber(v, 1, kMaxUploadConnections);
             o.connections = n.value_or(kDefaultUploadConnections);
             return n.has_value();
         }},
        {"--upload-only",
         [&](const std::string& v) {
             o.uploadOnly = v;
             return true;
         }},
    };
    const std::map<std::string, bool*> flags = {
        {"--use-original", &o.useOriginal},
        {"--no-bg-image", &o.noBgImage},
        {"--list-styles", &o.listStyles},
        {"--quiet", &o.quiet},
        {"--rebuild", &o.rebuild},
        {"--keep-stale", &o.keepStale},
        {"--dry-run", &o.dryRun},
        {"--albums", &o.albums},
        {"--create-subfolder", &o.createSubfolder},
        {"--passive", &o.passive},
        {"--accept-new-host-key", &o.acceptNewHostKey},
        {"--full", &o.fullUpload},
        {"--keep-remote", &o.keepRemote},
        {"--help", &o.help},
        {"--version", &o.version},
        {"-h", &o.help},
    };
    bool gif = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--gif") {
            gif = true;
        } else if (const auto flag = flags.find(arg); flag != flags.end()) {
            *flag->second = true;
        } else if (const auto option = withValue.find(arg); option != withValue.end()) {
            const std::string allowed = AllowedValue(arg);
            if (i + 1 >= argc) {
                error = arg + " needs a value" + (allowed.empty() ? "" : ": " + allowed);
                return std::nullopt;
            }
            const std::string value = argv[++i];
            if (!option->second(value)) {
                error = arg + " takes " + allowed + " (got \"" + value + "\")";
                return std::nullopt;
            }
        } else if (arg.empty() || arg[0] != '-') {
            error = "unexpected argument \"" + arg + "\": every value follows its option";
            return std::nullopt;
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (gif) {
        o.quality = 0;
    }
    return o;
}
