#include "cli/terminal_progress.h"

#include <algorithm>
#include <string>

void TerminalProgress::SetProgress(int position, int range) {
    if (range > 0) {
        m_range = range;
    }
    if (!m_visible) {
        return;
    }
    const int percent = std::clamp(m_range > 0 ? position * 100 / m_range : 0, 0, 100);
    if (percent == m_shown) {
        return;
    }
    m_shown = percent;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(kWidth - filled), '.');
    std::fprintf(m_out, "\r[%s] %3d%%", bar.c_str(), percent);
    std::fflush(m_out);
    m_drawn = true;
}

void TerminalProgress::Finish() {
    if (m_drawn) {
        std::fputc('\n', m_out);
        std::fflush(m_out);
        m_drawn = false;
    }
}
