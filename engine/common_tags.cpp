#include "engine/common_tags.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/directory.h"
#include "engine/picture_names.h"
#include "engine/program_info.h"

namespace fs = std::filesystem;

std::string PageContext::ThumbnailOf(int index) const {
    return ThumbnailName(images.GetPathAt(static_cast<std::size_t>(index)));
}

std::string PageContext::LargeOf(int index) const {
    return LargePictureName(images.GetPathAt(static_cast<std::size_t>(index)), job.m_nJpegQuality);
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
        // Copying a file onto itself fails harmlessly here instead of truncating it.
        fs::copy_file(job.m_strBkgndImage, JoinPath(job.m_strDestFolder, name),
                      fs::copy_options::overwrite_existing, ec);
        context.backgroundCopied = true;
    }
    return "background=\"" + name + "\"";
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
}

void WritePage(const PageBuffer& page, PageContext& context, const std::string& name) {
    if (page.WriteTo(JoinPath(context.job.m_strDestFolder, name))) {
        ++context.pagesWritten;
    }
}
