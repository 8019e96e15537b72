#include "engine/common_tags.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/album_tags.h"
#include "engine/directory.h"
#include "engine/page_escaping.h"
#include "engine/picture_names.h"
#include "engine/program_info.h"
#include "engine/run_manifest.h"
#include "engine/safe_files.h"

namespace fs = std::filesystem;

std::string PageContext::ThumbnailOf(int index) const {
    return ThumbnailName(images.GetPathAt(static_cast<std::size_t>(index)));
}

std::string PageContext::LargeOf(int index) const {
    const std::string path = images.GetPathAt(static_cast<std::size_t>(index));
    return largePicturesMade ? LargePictureName(path, job.m_nJpegQuality) : std::string(FileNameOf(path));
}

std::string PageContext::ThumbnailUrlOf(int index) const {
    return UrlEncodeName(ThumbnailOf(index));
}

std::string PageContext::ThumbnailTextOf(int index) const {
    return HtmlEscape(ThumbnailOf(index));
}

std::string PageContext::LargeUrlOf(int index) const {
    return UrlEncodeName(LargeOf(index));
}

std::string PageContext::LargeTextOf(int index) const {
    return HtmlEscape(LargeOf(index));
}

namespace {

const PictureWords* WordsOf(const PageContext& context, int index) {
    if (context.words == nullptr || index < 0 || static_cast<std::size_t>(index) >= context.words->size()) {
        return nullptr;
    }
    return &(*context.words)[static_cast<std::size_t>(index)];
}

}  // namespace

std::string PageContext::CaptionTextOf(int index) const {
    const PictureWords* words = WordsOf(*this, index);
    return words != nullptr ? PageTextOfWords(words->caption) : std::string();
}

std::string PageContext::PictureTitleTextOf(int index) const {
    const PictureWords* words = WordsOf(*this, index);
    return words != nullptr ? PageTextOfWords(words->title) : std::string();
}

std::string PageContext::DateTakenTextOf(int index) const {
    const PictureWords* words = WordsOf(*this, index);
    return words != nullptr && words->taken ? words->taken->Display() : std::string();
}

std::string Format(const char* format, int number) {
    char text[256];
    std::snprintf(text, sizeof text, format, number);
    return text;
}

std::string HtmlColor(ColorRef color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", RedOf(color), GreenOf(color), BlueOf(color));
    return text;
}

std::string GeneratorCredit() {
    char version[32];
    std::snprintf(version, sizeof version, "%.3f", kProgramVersion);
    return std::string(kProgramName) + " ver" + version + " [" + kHomePage + "]";
}

namespace {

std::string BackgroundAttribute(PageContext& context) {
    const GalleryJob& job = context.job;
    std::error_code ec;
    if (job.m_bUseBkgndImage == 0 || !fs::is_regular_file(job.m_strBkgndImage, ec)) {
        return {};
    }
    const std::string name(FileNameOf(job.m_strBkgndImage));
    if (!context.backgroundCopied) {
        context.backgroundCopied = true;
        const std::string target = JoinPath(job.m_strDestFolder, name);
        // The picture may already be the file in the destination (a style's own background in a
        // same-folder run): nothing to copy then.
        std::error_code same;
        if (fs::equivalent(job.m_strBkgndImage, target, same)) {
            if (context.files != nullptr) {
                context.files->made.insert(name);
            }
            return "background=\"" + UrlEncodeName(name) + "\"";
        }
        std::string existing, ignored, wanted;
        if (context.keepExistingFiles && fs::exists(target, same) &&
            !(ReadRegularFile(target, existing, ignored) &&
              ReadRegularFile(job.m_strBkgndImage, wanted, ignored) && existing == wanted)) {
            // The name belongs to one of the user's own files: better no background than theirs.
            context.backgroundRefused = true;
            if (context.report != nullptr) {
                context.report->leftOut.push_back(
                    {job.m_strBkgndImage, "a file of the source folder has the name " + name});
            }
        } else {
            std::string reason, bytes;
            if (!ReadRegularFile(job.m_strBkgndImage, bytes, reason)) {
                reason = "cannot read " + job.m_strBkgndImage + ": " + reason;
                if (context.files != nullptr) {
                    context.files->made.insert(name);
                }
                if (context.report != nullptr) {
                    context.report->notWritten.push_back({target, reason});
                }
            } else if (WriteRecorded(context.files, context.report, job.m_strDestFolder, name, bytes,
                                     reason) == WriteOutcome::Failed &&
                       context.report != nullptr) {
                context.report->notWritten.push_back({target, reason});
            }
        }
    }
    if (context.backgroundRefused) {
        return {};
    }
    return "background=\"" + UrlEncodeName(name) + "\"";
}

}  // namespace

void ApplyCommonTags(PageBuffer& page, PageContext& context) {
    const GalleryJob& job = context.job;
    page.ReplacePlaceholder("GALVANECONTENT", GeneratorCredit());
    page.ReplacePlaceholder("<COMMENTARY>", job.m_strCommentary);
    page.ReplacePlaceholder("TITLEOFPAGE", job.m_strTitle);
    page.ReplacePlaceholder("<NAME>", job.m_strName);
    page.ReplacePlaceholder("BKGNDCOLOR", "bgcolor=\"" + HtmlColor(job.m_crBkgndColor) + "\"");
    if (page.Find("BKGNDIMAGE") >= 0) {
        page.ReplacePlaceholder("BKGNDIMAGE", BackgroundAttribute(context));
    }
    page.ReplacePlaceholder("TEXTCOLOR", "text=\"" + HtmlColor(job.m_crTextColor) + "\"");
    ApplyAlbumTags(page, context.albums);
}

void ApplyPictureWords(PageBuffer& page, const PageContext& context, int index,
                       const WordsPlaceholders& names) {
    const bool shown = index >= 0 && index < context.PictureCount();
    if (page.Find(names.caption) >= 0) {
        page.ReplacePlaceholder(names.caption, shown ? context.CaptionTextOf(index) : std::string());
    }
    if (page.Find(names.title) >= 0) {
        page.ReplacePlaceholder(names.title, shown ? context.PictureTitleTextOf(index) : std::string());
    }
    if (page.Find(names.dateTaken) >= 0) {
        page.ReplacePlaceholder(names.dateTaken, shown ? context.DateTakenTextOf(index) : std::string());
    }
    if (names.altText != nullptr && page.Find(names.altText) >= 0) {
        std::string alt;
        if (shown) {
            alt = context.CaptionTextOf(index);
            if (alt.empty()) {
                alt = context.ThumbnailTextOf(index);
            }
        }
        page.ReplacePlaceholder(names.altText, alt);
    }
}

void WritePage(const PageBuffer& page, PageContext& context, const std::string& name) {
    const std::string path = JoinPath(context.job.m_strDestFolder, name);
    std::string reason;
    if (WriteRecorded(context.files, context.report, context.job.m_strDestFolder, name, page.Text(),
                      reason) != WriteOutcome::Failed) {
        ++context.pagesWritten;
    } else if (context.report != nullptr) {
        context.report->notWritten.push_back({path, reason});
    }
}
