#include "engine/page_generation.h"

#include <array>

#include "engine/layouts.h"
#include "engine/template_markers.h"

namespace {

constexpr std::array<LayoutGenerator, 3> kGenerators = {
    GenerateMainIndexPage,
    GenerateFrameMainListImage,
    GenerateMainSmallLarge,
};

}  // namespace

int GeneratePage(PageBuffer& templ, int kind, int role, PageContext& context) {
    if (kind < 0 || kind >= static_cast<int>(kGenerators.size()) || RoleMarker(kind, role).empty()) {
        return 1;
    }
    templ.ReplacePlaceholder(KindMarker(kind), "");
    templ.ReplacePlaceholder(RoleMarker(kind, role), "");
    kGenerators[static_cast<std::size_t>(kind)](templ, role, context);
    return 1;
}

int CountOccurrences(const PageBuffer& page, std::string_view pattern) {
    if (pattern.empty()) {
        return 0;
    }
    const std::string text = page.Text();
    int count = 0;
    for (auto p = text.find(pattern); p != std::string::npos; p = text.find(pattern, p + pattern.size())) {
        ++count;
    }
    return count;
}
