#pragma once

#include <optional>
#include <string_view>

#include "engine/page_buffer.h"

enum class LayoutKind { MainIndexPage = 0, FrameMainListImage = 1, MainSmallLarge = 2 };

struct TemplateRole {
    int kind = -1;
    int role = -1;
};

inline constexpr int kLayoutRows = 5;
inline constexpr int kMarkersPerRow = 6;

// Row `kind`: the kind marker, then the role markers in test order; empty cells never match.
std::string_view KindMarker(int kind);
std::string_view RoleMarker(int kind, int role);

// The kind and role of a template, judged by the first kind (in table order) whose marker the text
// holds and, within it, the first role marker in table order; nothing when it is no template.
std::optional<TemplateRole> RecognizeTemplate(PageBuffer& page);
