#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/page_buffer.h"

// The page buffer used for real pages. It gives exactly the results of searching the whole text
// from position 0 after every edit, at a cost that grows linearly with the page:
//  - the text lives in a gap buffer, so edits that walk forward through the page move little;
//  - each pattern searched remembers where its first occurrence is, and an edit only marks the
//    few positions around itself as unknown, so the next search looks there and nowhere else.
class GapPageBuffer final : public PageBuffer {
public:
    // Pages smaller than `rememberFrom` bytes are searched outright: remembering costs more than
    // it saves on them.
    explicit GapPageBuffer(std::size_t rememberFrom = 16 * 1024) : m_rememberFrom(rememberFrom) {}

    std::unique_ptr<PageBuffer> NewEmpty() const override {
        return std::make_unique<GapPageBuffer>(m_rememberFrom);
    }
    void Load(std::string_view text) override;
    std::size_t Size() const override { return m_data.size() - GapSize(); }
    std::string Text() const override;
    std::ptrdiff_t Find(std::string_view text) override;
    void Replace(std::size_t start, std::size_t end, std::string_view text) override;
    void RepeatRange(std::size_t start, std::size_t end, std::size_t copies) override;
    bool WriteTo(const std::string& path) const override;

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // What is known of one pattern's occurrences: none starts before `lo`; starts in [lo, hi)
    // are unknown; when `nextKnown`, the first one starting at `hi` or later is `next`.
    struct KnownMatches {
        std::string pattern;
        std::size_t lo = 0;
        std::size_t hi = 0;
        std::size_t next = kNone;
        bool nextKnown = false;
    };

    std::size_t GapSize() const { return m_gapEnd - m_gapStart; }
    void MoveGap(std::size_t position);
    void ReserveGap(std::size_t length);
    std::string CopyRange(std::size_t start, std::size_t end) const;
    // First occurrence starting in [from, limit), or kNone.
    std::size_t FindStartingIn(std::string_view pattern, std::size_t from, std::size_t limit) const;
    KnownMatches& KnownFor(std::string_view pattern);
    void NoteEdit(std::size_t start, std::size_t oldEnd, std::size_t newLength);
    static void NoteEdit(KnownMatches& known, std::size_t start, std::size_t oldEnd, std::size_t newEnd);

    std::vector<char> m_data;  // text before the gap, the gap, text after the gap
    std::size_t m_gapStart = 0;
    std::size_t m_gapEnd = 0;
    std::vector<KnownMatches> m_known;
    std::size_t m_rememberFrom;
};
