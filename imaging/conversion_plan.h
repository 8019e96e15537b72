#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <optional>

#include "imaging/output_provenance.h"
#include "imaging/picture_conversion.h"
#include "imaging/variant_plan.h"

// Entries of the picture list that one worker must convert in list order, because their results
// depend on that order: they write a file of the same name (a.bmp and a.tif both make thn_a.jpg
// and a.jpg), or one writes a file over another's source. Each unit holds entry indices in
// ascending order; units are ordered by their first entry. Entries that touch no name in common
// are in different units and may be converted at the same time.
using WorkUnit = std::vector<std::size_t>;

// One file a conversion writes into the destination.
struct PlannedOutput {
    std::string name;
    OutputKind kind;
    std::optional<VariantFile> variant;  // for kind Variant
};

// The outputs of one source picture: the one place that says which files a conversion makes, for
// the plan below, the clean-up of stale files and the dry run. They are its thumbnail, its large
// picture (where one is made) and the variants its style asks for (whose names follow from the
// picture's size, read from its header).
std::vector<PlannedOutput> OutputsOf(const std::string& sourcePath, const ConversionSettings& settings);

// Whether one planned output need not be made again (output_provenance.h, OutputUpToDate).
bool PlannedOutputUpToDate(const ConversionSettings& settings, const std::string& sourcePath,
                           const PlannedOutput& output, const std::optional<SourceIdentity>& identity);

std::vector<WorkUnit> PlanWorkUnits(const std::vector<std::string>& paths,
                                    const ConversionSettings& settings);
// The same for entries converted into folders of their own (a gallery of albums): `settingsOf[i]`
// holds entry i's destination.
std::vector<WorkUnit> PlanWorkUnits(const std::vector<std::string>& paths,
                                    const std::vector<const ConversionSettings*>& settingsOf);
