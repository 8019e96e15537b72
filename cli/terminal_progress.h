#pragma once

#include <chrono>
#include <cstdio>

#include "engine/progress.h"

// A progress bar redrawn in place on a terminal; silent when `visible` is false.
class TerminalProgress final : public ProgressSink {
public:
    TerminalProgress(std::FILE* out, bool visible) : m_out(out), m_visible(visible) {}
    ~TerminalProgress() override { Finish(); }

    void SetProgress(int position, int range) override;
    // Ends the bar's line.
    void Finish();

private:
    std::FILE* m_out;
    bool m_visible;
    bool m_drawn = false;
    int m_range = 100;
    int m_shown = -1;
};
