#include "engine/gap_page_buffer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

void GapPageBuffer::Load(std::string_view text) {
    m_data.assign(text.begin(), text.end());
    m_gapStart = m_gapEnd = m_data.size();
    m_known.clear();
}

std::string GapPageBuffer::Text() const {
    return CopyRange(0, Size());
}

std::string GapPageBuffer::CopyRange(std::size_t start, std::size_t end) const {
    std::string out;
    out.reserve(end - start);
    if (start < m_gapStart) {
        out.append(m_data.data() + start, std::min(end, m_gapStart) - start);
    }
    if (end > m_gapStart) {
        const std::size_t from = std::max(start, m_gapStart);
        out.append(m_data.data() + from + GapSize(), end - from);
    }
    return out;
}

void GapPageBuffer::MoveGap(std::size_t position) {
    char* data = m_data.data();
    if (position < m_gapStart) {
        const std::size_t n = m_gapStart - position;
        std::memmove(data + m_gapEnd - n, data + position, n);
        m_gapStart -= n;
        m_gapEnd -= n;
    } else if (position > m_gapStart) {
        const std::size_t n = position - m_gapStart;
        std::memmove(data + m_gapStart, data + m_gapEnd, n);
        m_gapStart += n;
        m_gapEnd += n;
    }
}

void GapPageBuffer::ReserveGap(std::size_t length) {
    if (GapSize() >= length) {
        return;
    }
    const std::size_t size = Size();
    const std::size_t capacity = std::max(size * 2, size + length) + 256;
    std::vector<char> grown(capacity);
    std::copy_n(m_data.begin(), m_gapStart, grown.begin());
    const std::size_t tail = m_data.size() - m_gapEnd;
    std::copy_n(m_data.begin() + static_cast<std::ptrdiff_t>(m_gapEnd), tail,
                grown.begin() + static_cast<std::ptrdiff_t>(capacity - tail));
    m_data.swap(grown);
    m_gapEnd = capacity - tail;
}

void GapPageBuffer::Replace(std::size_t start, std::size_t end, std::string_view text) {
    const std::size_t size = Size();
    end = std::min(end, size);
    start = std::min(start, end);
    MoveGap(start);
    m_gapEnd += end - start;
    ReserveGap(text.size());
    // std::copy rather than memcpy: an empty text may carry a null pointer.
    std::copy(text.begin(), text.end(), m_data.begin() + static_cast<std::ptrdiff_t>(m_gapStart));
    m_gapStart += text.size();
    NoteEdit(start, end, text.size());
}

void GapPageBuffer::RepeatRange(std::size_t start, std::size_t end, std::size_t copies) {
    end = std::min(end, Size());
    if (copies == 0 || start >= end) {
        return;
    }
    const std::string block = CopyRange(start, end);
    MoveGap(end);
    ReserveGap(block.size() * copies);
    for (std::size_t i = 0; i < copies; ++i) {
        std::copy(block.begin(), block.end(), m_data.begin() + static_cast<std::ptrdiff_t>(m_gapStart));
        m_gapStart += block.size();
    }
    NoteEdit(end, end, block.size() * copies);
}

bool GapPageBuffer::WriteTo(const std::string& path) const {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) {
        return false;
    }
    const std::size_t tail = m_data.size() - m_gapEnd;
    bool written = std::fwrite(m_data.data(), 1, m_gapStart, file.get()) == m_gapStart;
    written = written && std::fwrite(m_data.data() + m_gapEnd, 1, tail, file.get()) == tail;
    return std::fclose(file.release()) == 0 && written;
}

std::size_t GapPageBuffer::FindStartingIn(std::string_view pattern, std::size_t from,
                                          std::size_t limit) const {
    const std::size_t size = Size();
    const std::size_t p = pattern.size();
    if (p > size) {
        return kNone;
    }
    limit = std::min(limit, size - p + 1);
    if (from >= limit) {
        return kNone;
    }
    const char* data = m_data.data();
    // Occurrences wholly before the gap.
    if (from < m_gapStart) {
        const std::size_t end = std::min(m_gapStart, limit + p - 1);
        const std::string_view before(data + from, end - from);
        const auto hit = before.find(pattern);
        if (hit != std::string_view::npos) {
            return from + hit;
        }
    }
    // Occurrences that straddle the gap.
    if (p > 1 && m_gapStart > 0 && m_gapStart < size) {
        const std::size_t first = std::max(from, m_gapStart >= p - 1 ? m_gapStart - (p - 1) : 0);
        if (first < limit && first < m_gapStart) {
            const std::string seam = CopyRange(first, std::min(size, m_gapStart + p - 1));
            const auto hit = seam.find(pattern);
            if (hit != std::string::npos && first + hit < limit) {
                return first + hit;
            }
        }
    }
    // Occurrences wholly after the gap.
    const std::size_t start = std::max(from, m_gapStart);
    if (start < limit) {
        const std::size_t end = std::min(size, limit + p - 1);
        const std::string_view after(data + start + GapSize(), end - start);
        const auto hit = after.find(pattern);
        if (hit != std::string_view::npos) {
            return start + hit;
        }
    }
    return kNone;
}

GapPageBuffer::KnownMatches& GapPageBuffer::KnownFor(std::string_view pattern) {
    for (KnownMatches& known : m_known) {
        if (known.pattern == pattern) {
            return known;
        }
    }
    m_known.push_back({std::string(pattern)});
    return m_known.back();
}

std::ptrdiff_t GapPageBuffer::Find(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    if (Size() < m_rememberFrom && m_known.empty()) {
        const std::size_t hit = FindStartingIn(text, 0, kNone);
        return hit == kNone ? kNotFound : static_cast<std::ptrdiff_t>(hit);
    }
    KnownMatches& known = KnownFor(text);
    std::size_t hit =
        known.nextKnown ? FindStartingIn(text, known.lo, known.hi) : FindStartingIn(text, known.lo, kNone);
    if (hit == kNone && known.nextKnown) {
        hit = known.next;
    }
    known.lo = known.hi = (hit == kNone ? Size() : hit);
    known.next = hit;
    known.nextKnown = true;
    return hit == kNone ? kNotFound : static_cast<std::ptrdiff_t>(hit);
}

void GapPageBuffer::NoteEdit(std::size_t start, std::size_t oldEnd, std::size_t newLength) {
    for (KnownMatches& known : m_known) {
        NoteEdit(known, start, oldEnd, start + newLength);
    }
}

void GapPageBuffer::NoteEdit(KnownMatches& k, std::size_t start, std::size_t oldEnd, std::size_t newEnd) {
    // Occurrences starting in [touched, newEnd) may have appeared or gone; those wholly before
    // `start` are as they were, and those after the edit moved with the text behind it.
    const std::size_t p = k.pattern.size();
    const std::size_t touched = start + 1 >= p ? start + 1 - p : 0;
    const auto moved = [&](std::size_t x) { return x - oldEnd + newEnd; };

    if (k.nextKnown && k.next != kNone && k.next < touched) {
        return;  // the window and the known occurrence both stand before the edit
    }
    const bool nextSurvives = k.nextKnown && (k.next == kNone || k.next >= oldEnd);
    if (!nextSurvives) {
        k.lo = k.hi = std::min(k.lo, touched);
        k.nextKnown = false;
        return;
    }
    if (k.lo == k.hi) {
        // Nothing was unknown: only the edit itself needs a fresh look.
        k.lo = touched;
        k.hi = newEnd;
    } else {
        const std::size_t hiMoved = k.hi >= oldEnd ? moved(k.hi) : (k.hi > touched ? newEnd : k.hi);
        k.lo = std::min(k.lo, touched);
        k.hi = std::max(hiMoved, newEnd);
    }
    if (k.next != kNone) {
        k.next = moved(k.next);
    }
}
