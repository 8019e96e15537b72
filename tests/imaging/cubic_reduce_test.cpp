#include "imaging/vimbral/cubic_reduce.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

using vimbral_impl::ReduceCubic;
using Pixels = std::vector<std::uint8_t>;

double Kernel(double x) {
    x = std::fabs(x);
    return x < 1 ? 1.5 * x * x * x - 2.5 * x * x + 1 : x < 2 ? -0.5 * x * x * x + 2.5 * x * x - 4 * x + 2 : 0;
}

// The reduction written out plainly, in doubles and without fixed point or vector code: each output sample a
// weighted mean of the input samples within twice the factor of its centre, positions beyond an edge taking
// the edge's value.
std::vector<double> Reference1D(const std::vector<double>& in, int out) {
    const int n = static_cast<int>(in.size());
    const double factor = static_cast<double>(n) / out;
    std::vector<double> result(out);
    for (int i = 0; i < out; ++i) {
        const double centre = (i + 0.5) * factor - 0.5;
        double sum = 0, weights = 0;
        for (int k = static_cast<int>(std::floor(centre - 2 * factor)); k <= centre + 2 * factor; ++k) {
            const double w = Kernel((k - centre) / factor);
            sum += w * in[std::clamp(k, 0, n - 1)];
            weights += w;
        }
        result[i] = sum / weights;
    }
    return result;
}

Pixels Reference(const Pixels& in, int width, int height, int bands, int outWidth, int outHeight) {
    std::vector<double> down(static_cast<std::size_t>(width) * outHeight * bands);
    for (int x = 0; x < width; ++x) {
        for (int b = 0; b < bands; ++b) {
            std::vector<double> column(height);
            for (int y = 0; y < height; ++y) {
                column[y] = in[(static_cast<std::size_t>(y) * width + x) * bands + b];
            }
            const auto reduced = Reference1D(column, outHeight);
            for (int y = 0; y < outHeight; ++y) {
                // Rounded to 8 bits between the passes, as libvips' reduce does too.
                down[(static_cast<std::size_t>(y) * width + x) * bands + b] =
                    static_cast<double>(std::clamp(std::lround(reduced[y]), 0L, 255L));
            }
        }
    }
    Pixels out(static_cast<std::size_t>(outWidth) * outHeight * bands);
    for (int y = 0; y < outHeight; ++y) {
        for (int b = 0; b < bands; ++b) {
            std::vector<double> row(width);
            for (int x = 0; x < width; ++x) {
                row[x] = down[(static_cast<std::size_t>(y) * width + x) * bands + b];
            }
            const auto reduced = Reference1D(row, outWidth);
            for (int x = 0; x < outWidth; ++x) {
                out[(static_cast<std::size_t>(y) * outWidth + x) * bands + b] =
                    static_cast<std::uint8_t>(std::clamp(std::lround(reduced[x]), 0L, 255L));
            }
        }
    }
    return out;
}

// Noise over a diagonal ramp, with a hard-edged block: ringing, flat areas and detail at once.
Pixels Picture(int width, int height, int bands, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-40, 40);
    Pixels pixels(static_cast<std::size_t>(width) * height * bands);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int b = 0; b < bands; ++b) {
                const bool block = x > width / 3 && x < width / 2 && y > height / 4 && y < height / 2;
                const int ramp = (x * 255 / width + y * 255 / height + 60 * b) / 2;
                pixels[(static_cast<std::size_t>(y) * width + x) * bands + b] = static_cast<std::uint8_t>(
                    block ? 255 * (b % 2) : std::clamp(ramp + noise(random), 0, 255));
            }
        }
    }
    return pixels;
}

}  // namespace

// Sizes that take each path: both passes, one pass only, factors from just above one to beyond
// eight, sides narrower than the kernel, rows not a multiple of the sixteen bytes done at once,
// and one to five bands.
TEST(CubicReduce, GivesThePlainReductionWithinRounding) {
    struct Case {
        int width, height, bands, outWidth, outHeight;
    };
    const Case cases[] = {{231, 130, 3, 205, 115}, {231, 130, 3, 128, 72}, {231, 130, 3, 100, 56},
                          {231, 130, 3, 231, 40},  {231, 130, 3, 60, 130}, {400, 300, 4, 47, 35},
                          {97, 61, 1, 9, 7},       {5, 3, 3, 2, 1},        {70, 1, 3, 11, 1},
                          {1, 90, 2, 1, 13},       {64, 48, 5, 33, 25},    {333, 17, 3, 331, 16}};
    unsigned seed = 1;
    for (const Case& c : cases) {
        const Pixels in = Picture(c.width, c.height, c.bands, seed++);
        Pixels out(static_cast<std::size_t>(c.outWidth) * c.outHeight * c.bands, 7);
        ASSERT_TRUE(ReduceCubic(in.data(), c.width, c.height, c.bands, out.data(), c.outWidth, c.outHeight));
        const Pixels want = Reference(in, c.width, c.height, c.bands, c.outWidth, c.outHeight);
        int worst = 0;
        double total = 0;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const int difference = std::abs(out[i] - want[i]);
            worst = std::max(worst, difference);
            total += difference;
        }
        const std::string label = std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
                                  std::to_string(c.bands) + " -> " + std::to_string(c.outWidth) + "x" +
                                  std::to_string(c.outHeight);
        EXPECT_LE(worst, 1) << label;
        EXPECT_LT(total / static_cast<double>(out.size()), 0.02) << label;
    }
}

TEST(CubicReduce, KeepsFlatAreasExactAndRefusesWhatItCannotDo) {
    const Pixels grey(300 * 200 * 3, 137);
    Pixels out(123 * 77 * 3, 0);
    ASSERT_TRUE(ReduceCubic(grey.data(), 300, 200, 3, out.data(), 123, 77));
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t v) { return v == 137; }));
    // The same size is a copy.
    const Pixels in = Picture(40, 30, 3, 9);
    Pixels same(in.size(), 0);
    ASSERT_TRUE(ReduceCubic(in.data(), 40, 30, 3, same.data(), 40, 30));
    EXPECT_EQ(same, in);
    // Never enlarges, never an empty side, never without pixels.
    Pixels big(41 * 31 * 3, 5);
    EXPECT_FALSE(ReduceCubic(in.data(), 40, 30, 3, big.data(), 41, 30));
    EXPECT_FALSE(ReduceCubic(in.data(), 40, 30, 3, big.data(), 40, 31));
    EXPECT_FALSE(ReduceCubic(in.data(), 40, 30, 3, big.data(), 0, 10));
    EXPECT_FALSE(ReduceCubic(in.data(), 40, 30, 0, big.data(), 20, 10));
    EXPECT_FALSE(ReduceCubic(nullptr, 40, 30, 3, big.data(), 20, 10));
    EXPECT_TRUE(std::all_of(big.begin(), big.end(), [](std::uint8_t v) { return v == 5; }));
}
