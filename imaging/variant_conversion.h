#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "imaging/picture_conversion.h"
#include "imaging/variant_plan.h"

// The conversion of one picture whose style asks for variants: the thumbnail, the large picture
// and every variant come from one decode of the source, at the largest size any of them needs
// (a large picture kept at the full size of a source larger than every variant is streamed from
// the file, as it is without variants).

// Which of a picture's outputs must be made again.
struct StaleOutputs {
    bool large = false;
    bool thumbnail = false;
    std::vector<bool> variants;  // by the plan's files

    bool Any() const;
};

StaleOutputs FindStaleOutputs(const ConversionSettings& settings, const std::string& sourcePath,
                              const VariantPlan& plan);

struct VariantConversion {
    HalfResult large;
    HalfResult thumbnail;
    std::vector<HalfResult> variants;  // by the plan's files; Skipped: up to date
};

// Makes the stale outputs; `largeDone` hears of the large picture as soon as it is written. A file
// under a variant's name that does not carry a conversion mark is somebody else's: it is left as
// it is and named NotWritten.
VariantConversion ConvertWithVariants(const ConversionSettings& settings, const std::string& sourcePath,
                                      const VariantPlan& plan, const StaleOutputs& stale,
                                      const std::function<void(const HalfResult&)>& largeDone);

// About the most memory ConvertWithVariants takes at once; empty when the source cannot be read.
std::optional<std::int64_t> VariantConversionMemoryCost(const ConversionSettings& settings,
                                                        const std::string& sourcePath,
                                                        const VariantPlan& plan);
