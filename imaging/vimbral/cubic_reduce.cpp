#include "imaging/vimbral/cubic_reduce.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vimbral_impl {
namespace {

constexpr int kWeightBits = 14;
constexpr int kWeightOne = 1 << kWeightBits;

// For each output line of one pass: the first input line it reads and its weights in 1/2^14,
// `count` of them, summing to exactly one, so that a flat area stays exactly as it was.
struct Taps {
    int count = 0;
    std::vector<int> first;
    std::vector<std::int16_t> weights;
};

double CatmullRom(double x) {
    x = std::fabs(x);
    if (x < 1.0) {
        return (1.5 * x - 2.5) * x * x + 1.0;
    }
    if (x < 2.0) {
        return ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0;
    }
    return 0.0;
}

Taps MakeTaps(int in, int out) {
    const double factor = static_cast<double>(in) / out;
    const double reach = 2.0 * factor;  // the widened kernel's half width, in input lines
    Taps taps;
    taps.count = std::min(in, static_cast<int>(std::floor(2.0 * reach)) + 2);
    taps.first.resize(out);
    taps.weights.assign(static_cast<std::size_t>(out) * taps.count, 0);
    std::vector<double> w(taps.count);
    for (int i = 0; i < out; ++i) {
        const double centre = (i + 0.5) * factor - 0.5;
        const int low = static_cast<int>(std::floor(centre - reach)) + 1;
        const int start = std::clamp(low, 0, in - taps.count);
        std::fill(w.begin(), w.end(), 0.0);
        double sum = 0.0;
        // Lines beyond an edge repeat the edge's line.
        for (int k = low; k - centre < reach; ++k) {
            const double weight = CatmullRom((k - centre) / factor);
            w[std::clamp(k, 0, in - 1) - start] += weight;
            sum += weight;
        }
        std::int16_t* fixed = &taps.weights[static_cast<std::size_t>(i) * taps.count];
        int total = 0, biggest = 0;
        for (int k = 0; k < taps.count; ++k) {
            fixed[k] = static_cast<std::int16_t>(std::lround(w[k] / sum * kWeightOne));
            total += fixed[k];
            if (std::abs(fixed[k]) > std::abs(fixed[biggest])) {
                biggest = k;
            }
        }
        fixed[biggest] = static_cast<std::int16_t>(fixed[biggest] + kWeightOne - total);
        taps.first[i] = start;
    }
    return taps;
}

// One output line: the weighted sum of `count` input lines of `length` bytes.
void SumLines(const std::uint8_t* const* lines, const std::int16_t* weights, int count, std::size_t length,
              std::uint8_t* out) {
    std::size_t x = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time, two input lines per multiply-add, the sums kept in registers.
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(kWeightOne / 2);
    for (; x + 16 <= length; x += 16) {
        __m128i s0 = half, s1 = half, s2 = half, s3 = half;
        for (int k = 0; k < count; k += 2) {
            const bool pair = k + 1 < count;
            const int second = pair ? weights[k + 1] : 0;
            const __m128i w = _mm_set1_epi32((weights[k] & 0xffff) | (second << 16));
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lines[k] + x));
            const __m128i b =
                pair ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(lines[k + 1] + x)) : zero;
            const __m128i aLow = _mm_unpacklo_epi8(a, zero), aHigh = _mm_unpackhi_epi8(a, zero);
            const __m128i bLow = _mm_unpacklo_epi8(b, zero), bHigh = _mm_unpackhi_epi8(b, zero);
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi16(aLow, bLow), w));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi16(aLow, bLow), w));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi16(aHigh, bHigh), w));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi16(aHigh, bHigh), w));
        }
        const __m128i low = _mm_packs_epi32(_mm_srai_epi32(s0, kWeightBits), _mm_srai_epi32(s1, kWeightBits));
        const __m128i high =
            _mm_packs_epi32(_mm_srai_epi32(s2, kWeightBits), _mm_srai_epi32(s3, kWeightBits));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(low, high));
    }
#endif
    for (; x < length; ++x) {
        std::int32_t sum = kWeightOne / 2;
        for (int k = 0; k < count; ++k) {
            sum += weights[k] * lines[k][x];
        }
        sum >>= kWeightBits;
        out[x] = static_cast<std::uint8_t>(sum < 0 ? 0 : (sum > 255 ? 255 : sum));
    }
}

// Output line j is the weighted sum of the input lines from taps.first[j]; lines hold `length`
// bytes.
void ReduceLines(const std::uint8_t* in, std::uint8_t* out, std::size_t length, const Taps& taps,
                 int outLines) {
    std::vector<const std::uint8_t*> lines(taps.count);
    for (int j = 0; j < outLines; ++j) {
        for (int k = 0; k < taps.count; ++k) {
            lines[k] = in + static_cast<std::size_t>(taps.first[j] + k) * length;
        }
        SumLines(lines.data(), &taps.weights[static_cast<std::size_t>(j) * taps.count], taps.count, length,
                 out + static_cast<std::size_t>(j) * length);
    }
}

// Pixel (x, y) of a width x height picture goes to (y, x), in blocks that stay in the cache.
template <int Bands>
void TurnBands(const std::uint8_t* __restrict in, int width, int height, std::uint8_t* __restrict out,
               int bands) {
    const std::size_t n = Bands > 0 ? Bands : static_cast<std::size_t>(bands);
    constexpr int kBlock = 16;
    for (int x0 = 0; x0 < width; x0 += kBlock) {
        const int x1 = std::min(width, x0 + kBlock);
        for (int y0 = 0; y0 < height; y0 += kBlock) {
            const int y1 = std::min(height, y0 + kBlock);
            for (int x = x0; x < x1; ++x) {
                std::uint8_t* to = out + (static_cast<std::size_t>(x) * height + y0) * n;
                const std::uint8_t* from = in + (static_cast<std::size_t>(y0) * width + x) * n;
                const std::size_t step = static_cast<std::size_t>(width) * n;
                for (int y = y0; y < y1; ++y, to += n, from += step) {
                    // A copy of known size is a move or two; of a size known only here, a call.
                    if constexpr (Bands > 0) {
                        std::memcpy(to, from, Bands);
                    } else {
                        std::memcpy(to, from, n);
                    }
                }
            }
        }
    }
}

void Turn(const std::uint8_t* in, int width, int height, int bands, std::uint8_t* out) {
    switch (bands) {
        case 1:
            return TurnBands<1>(in, width, height, out, bands);
        case 2:
            return TurnBands<2>(in, width, height, out, bands);
        case 3:
            return TurnBands<3>(in, width, height, out, bands);
        case 4:
            return TurnBands<4>(in, width, height, out, bands);
        default:
            return TurnBands<0>(in, width, height, out, bands);
    }
}

// Scratch bytes, left uninitialised: every byte is written before it is read.
std::unique_ptr<std::uint8_t[]> Scratch(std::size_t bytes) {
    return std::unique_ptr<std::uint8_t[]>(new std::uint8_t[bytes]);
}

}  // namespace

bool ReduceCubic(const std::uint8_t* in, int width, int height, int bands, std::uint8_t* out, int outWidth,
                 int outHeight) {
    if (in == nullptr || out == nullptr || bands < 1 || outWidth < 1 || outHeight < 1 || outWidth > width ||
        outHeight > height) {
        return false;
    }
    const std::size_t pixel = static_cast<std::size_t>(bands);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * pixel;
    // Down first: width x outHeight.
    std::unique_ptr<std::uint8_t[]> low;
    const std::uint8_t* lowered = in;
    if (outHeight != height) {
        low = Scratch(rowBytes * outHeight);
        ReduceLines(in, low.get(), rowBytes, MakeTaps(height, outHeight), outHeight);
        lowered = low.get();
    }
    if (outWidth == width) {
        std::memcpy(out, lowered, rowBytes * outHeight);
        return true;
    }
    // Then across, as lines of the picture turned on its side: outWidth lines of outHeight pixels.
    // Each scratch picture is let go as soon as the next holds its pixels (ReduceCubicBytes).
    auto turned = Scratch(rowBytes * outHeight);
    Turn(lowered, width, outHeight, bands, turned.get());
    low.reset();
    const auto narrowed = Scratch(static_cast<std::size_t>(outWidth) * outHeight * pixel);
    ReduceLines(turned.get(), narrowed.get(), static_cast<std::size_t>(outHeight) * pixel,
                MakeTaps(width, outWidth), outWidth);
    turned.reset();
    Turn(narrowed.get(), outHeight, outWidth, bands, out);
    return true;
}

std::int64_t ReduceCubicBytes(int width, int outWidth, int outHeight, int bands) {
    const std::int64_t lowered = static_cast<std::int64_t>(width) * outHeight * bands;
    const std::int64_t narrowed = static_cast<std::int64_t>(outWidth) * outHeight * bands;
    return std::max(2 * lowered, lowered + narrowed);
}

}  // namespace vimbral_impl
