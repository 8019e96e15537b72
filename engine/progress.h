#pragma once

#include <string>

// Where a run reports how far it has come: a bar position on a range that a call may reset.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // With range > 0 the range becomes 0..range first; the position is always set. Returns once
    // the position is applied.
    virtual void SetProgress(int position, int range) = 0;
    // The picture the conversion is at: its place in the list counted from 1, the list's length and
    // its file name. It leaves the bar alone; a sink that shows no names ignores it.
    virtual void SetCurrentPicture(int /*number*/, int /*count*/, const std::string& /*name*/) {}
};

// Progress values a run reports at its fixed moments.
inline constexpr int kProgressRange = 100;
inline constexpr int kProgressAfterConversion = 80;
inline constexpr int kProgressAfterStyleCopy = 90;
inline constexpr int kProgressDone = 100;

// The conversion's share of the bar: 2 steps per picture from 0 towards 80, kept as a running
// double so the last value may show 79 (7 pictures) before the run sets 80.
class ConversionProgress {
public:
    ConversionProgress(ProgressSink& sink, int pictureCount)
        : m_sink(sink), m_count(pictureCount), m_step(pictureCount > 0 ? 80.0 / (2.0 * pictureCount) : 0.0) {}

    // Entry `index` (from 0) is the one the bar waits for now.
    void Picture(int index, const std::string& name) { m_sink.SetCurrentPicture(index + 1, m_count, name); }

    void Step() {
        m_position += m_step;
        m_sink.SetProgress(static_cast<int>(m_position), 0);
    }

private:
    ProgressSink& m_sink;
    int m_count;
    double m_step;
    double m_position = 0.0;
};
