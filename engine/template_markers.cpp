#include "engine/template_markers.h"

namespace {

constexpr std::string_view kMarkers[kLayoutRows][kMarkersPerRow] = {
    {"<MAIN-INDEX-PAGE>", "<MAIN>", "<INDEX>", "<PAGE>", "", ""},
    {"<FRAME-MAIN-LIST-IMAGE>", "<FRM>", "<MAIN>", "<LIST>", "<IMAGE>", "<TOP>"},
    {"<MAIN-SMALL-LARGE>", "<MAIN>", "<SMALL>", "<LARGE>", "", ""},
    {"", "", "", "", "", ""},
    {"", "", "", "", "", ""},
};

}  // namespace

std::string_view KindMarker(int kind) {
    return (kind >= 0 && kind < kLayoutRows) ? kMarkers[kind][0] : std::string_view{};
}

std::string_view RoleMarker(int kind, int role) {
    return (kind >= 0 && kind < kLayoutRows && role >= 0 && role < kMarkersPerRow - 1)
               ? kMarkers[kind][role + 1]
               : std::string_view{};
}

std::optional<TemplateRole> RecognizeTemplate(PageBuffer& page) {
    for (int kind = 0; kind < kLayoutRows; ++kind) {
        const std::string_view kindMarker = KindMarker(kind);
        if (kindMarker.empty() || page.Find(kindMarker) < 0) {
            continue;
        }
        for (int role = 0; role < kMarkersPerRow - 1; ++role) {
            const std::string_view roleMarker = RoleMarker(kind, role);
            if (!roleMarker.empty() && page.Find(roleMarker) >= 0) {
                return TemplateRole{kind, role};
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}
