#include "engine/progress.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

struct RecordingSink : ProgressSink {
    void SetProgress(int position, int range) override { calls.emplace_back(position, range); }
    std::vector<std::pair<int, int>> calls;
};

std::vector<int> ConversionValues(int pictures) {
    RecordingSink sink;
    ConversionProgress progress(sink, pictures);
    for (int i = 0; i < 2 * pictures; ++i) {
        progress.Step();
    }
    std::vector<int> values;
    for (const auto& [position, range] : sink.calls) {
        EXPECT_EQ(range, 0);  // the conversion never touches the range
        values.push_back(position);
    }
    return values;
}

TEST(ConversionProgress, StepsTowardEighty) {
    EXPECT_EQ(ConversionValues(0), std::vector<int>{});
    EXPECT_EQ(ConversionValues(1), (std::vector<int>{40, 80}));
    EXPECT_EQ(ConversionValues(2), (std::vector<int>{20, 40, 60, 80}));
    EXPECT_EQ(ConversionValues(3), (std::vector<int>{13, 26, 40, 53, 66, 80}));
    EXPECT_EQ(ConversionValues(7), (std::vector<int>{5, 11, 17, 22, 28, 34, 40, 45, 51, 57, 62, 68, 74, 79}));
}

}  // namespace
