#pragma once

#include "engine/page_buffer.h"

// The page buffer in its plainest form: a string, searched from 0 each time. It is the reference
// the fast buffer is checked against; its cost grows with the square of the page.
class NaivePageBuffer final : public PageBuffer {
public:
    std::unique_ptr<PageBuffer> NewEmpty() const override { return std::make_unique<NaivePageBuffer>(); }
    void Load(std::string_view text) override { m_text.assign(text); }
    std::size_t Size() const override { return m_text.size(); }
    std::string Text() const override { return m_text; }
    std::ptrdiff_t Find(std::string_view text) override {
        const auto p = m_text.find(text);
        return p == std::string::npos ? kNotFound : static_cast<std::ptrdiff_t>(p);
    }
    void Replace(std::size_t start, std::size_t end, std::string_view text) override {
        m_text.replace(start, end - start, text);
    }
    void RepeatRange(std::size_t start, std::size_t end, std::size_t copies) override {
        const std::string block = m_text.substr(start, end - start);
        for (std::size_t i = 0; i < copies; ++i) {
            m_text.insert(end, block);
        }
    }
    bool WriteTo(const std::string& path) const override { return WriteWholeFile(path, m_text); }

private:
    std::string m_text;
};
