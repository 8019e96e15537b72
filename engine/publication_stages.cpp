#include "engine/publication_stages.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "engine/directory.h"
#include "engine/gap_page_buffer.h"
#include "engine/page_generation.h"
#include "engine/safe_files.h"
#include "engine/template_markers.h"

namespace {

std::string RealPath(const std::string& path) {
    const std::unique_ptr<char, void (*)(void*)> real(::realpath(path.c_str(), nullptr), std::free);
    return real ? std::string(real.get()) : std::string();
}

// Why a style entry is not copied, or empty when it may be.
std::string WhyNotCopied(const std::string& styleReal, const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return SystemReason(errno);
    }
    if (S_ISLNK(st.st_mode)) {
        // A link may only stand for another file of the style: never for a private file elsewhere.
        const std::string target = RealPath(path);
        struct stat resolved {};
        if (target.empty() || styleReal.empty() ||
            target.compare(0, styleReal.size() + 1, styleReal + "/") != 0) {
            return "a symbolic link to a file outside the style folder";
        }
        if (::stat(target.c_str(), &resolved) != 0 || !S_ISREG(resolved.st_mode)) {
            return "a symbolic link to something that is not a regular file";
        }
        return {};
    }
    return S_ISREG(st.st_mode) ? std::string() : "not a regular file";
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsTemplateText(const std::string& name, const std::string& text) {
    if (!MatchesWildcard("*.htm*", name)) {
        return false;
    }
    GapPageBuffer page;
    page.Load(text);
    return RecognizeTemplate(page).has_value();
}

// Generates the pages of one template text; false when it is none.
bool GenerateFrom(const std::string& text, PageContext& context) {
    GapPageBuffer page;
    page.Load(text);
    const auto recognised = RecognizeTemplate(page);
    if (recognised) {
        GeneratePage(page, recognised->kind, recognised->role, context);
    }
    return recognised.has_value();
}

}  // namespace

StyleCopy CopyStyleFiles(const std::string& stylePath, const std::string& destFolder, bool keepExisting,
                         RunReport& report, RunFiles* files) {
    StyleCopy result;
    const std::string styleReal = RealPath(stylePath);
    for (const DirectoryEntry& entry : ListDirectory(stylePath)) {
        if (entry.isDirectory) {
            continue;
        }
        const std::string source = JoinPath(stylePath, entry.name);
        const std::string target = JoinPath(destFolder, entry.name);
        if (const std::string why = WhyNotCopied(styleReal, source); !why.empty()) {
            report.leftOut.push_back({source, why});
            continue;
        }
        std::string bytes, existing, reason;
        if (!ReadRegularFile(source, bytes, reason)) {
            report.leftOut.push_back({source, reason});
            continue;
        }
        if (keepExisting && Exists(target) &&
            !(ReadRegularFile(target, existing, reason) && existing == bytes)) {
            if (IsTemplateText(entry.name, bytes)) {
                result.templatesInStyle.push_back(source);
            } else {
                report.leftOut.push_back({source, "a file of the source folder has this name"});
            }
            continue;
        }
        if (files != nullptr && files->dryRun && IsTemplateText(entry.name, bytes)) {
            // A dry run writes no template copy: the pages are made from the style's own file.
            result.templatesInStyle.push_back(source);
            continue;
        }
        if (WriteRecorded(files, &report, destFolder, entry.name, bytes, reason) == WriteOutcome::Failed) {
            report.notWritten.push_back({target, reason});
            continue;
        }
        result.copies.insert(entry.name);
    }
    return result;
}

void GenerateGalleryPages(PageContext& context, const StyleCopy& style, const std::atomic<bool>& cancel) {
    const std::string& dest = context.job.m_strDestFolder;
    for (const DirectoryEntry& entry : ListDirectory(dest)) {
        if (entry.isDirectory || !MatchesWildcard("*.htm*", entry.name)) {
            continue;
        }
        const bool copy = style.copies.count(entry.name) != 0;
        if (cancel && !copy) {
            continue;
        }
        const std::string path = JoinPath(dest, entry.name);
        GapPageBuffer page;
        std::string text, reason;
        if (!ReadRegularFile(path, text, reason)) {
            if (context.report != nullptr) {
                context.report->leftOut.push_back({path, reason});
            }
            continue;
        }
        page.Load(text);
        text = {};
        const auto recognised = RecognizeTemplate(page);
        if (!recognised) {
            continue;
        }
        if (copy && context.files != nullptr) {
            // A template copy goes again: it is no file of the gallery.
            context.files->made.erase(entry.name);
            context.files->written.Forget(entry.name);
        }
        if (copy && std::remove(path.c_str()) != 0 && context.report != nullptr) {
            context.report->notWritten.push_back(
                {path, "the template copy could not be removed: " + SystemReason(errno)});
        }
        if (!cancel) {
            GeneratePage(page, recognised->kind, recognised->role, context);
        }
    }
    for (const std::string& path : style.templatesInStyle) {
        std::string text, reason;
        if (!cancel && ReadRegularFile(path, text, reason)) {
            GenerateFrom(text, context);
        }
    }
}
