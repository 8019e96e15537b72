#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// The editable text of one page. Every search covers the whole text from position 0, is
// case-sensitive and yields the first occurrence; a placeholder is replaced at its first
// occurrence only. Text is bytes: NULs and invalid UTF-8 are carried through unchanged.
class PageBuffer {
public:
    static constexpr std::ptrdiff_t kNotFound = -1;

    virtual ~PageBuffer() = default;

    virtual std::unique_ptr<PageBuffer> NewEmpty() const = 0;
    virtual void Load(std::string_view text) = 0;
    virtual std::size_t Size() const = 0;
    virtual std::string Text() const = 0;
    // Position of the first occurrence of `text`, or kNotFound.
    virtual std::ptrdiff_t Find(std::string_view text) = 0;
    // Puts `text` in place of [start, end).
    virtual void Replace(std::size_t start, std::size_t end, std::string_view text) = 0;
    // Inserts `copies` further copies of [start, end) at `end`.
    virtual void RepeatRange(std::size_t start, std::size_t end, std::size_t copies) = 0;
    // Writes the whole text, byte for byte, creating or truncating the file.
    virtual bool WriteTo(const std::string& path) const = 0;

    void CopyFrom(const PageBuffer& other) { Load(other.Text()); }

    // Replaces the first occurrence of `name` by `value`; false when `name` is absent.
    bool ReplacePlaceholder(std::string_view name, std::string_view value);
};

// Reads a whole file as bytes into `text`; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& text);
bool WriteWholeFile(const std::string& path, std::string_view text);
