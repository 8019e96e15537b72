#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "imaging/picture_conversion.h"

// Entries of the picture list that one worker must convert in list order, because their results
// depend on that order: they write a file of the same name (a.bmp and a.tif both make thn_a.jpg
// and a.jpg), or one writes a file over another's source. Each unit holds entry indices in
// ascending order; units are ordered by their first entry. Entries that touch no name in common
// are in different units and may be converted at the same time.
using WorkUnit = std::vector<std::size_t>;

std::vector<WorkUnit> PlanWorkUnits(const std::vector<std::string>& paths,
                                    const ConversionSettings& settings);

// The names of the files converting the picture at `path` writes into the destination folder: its
// thumbnail, its large picture (where one is made) and the variants its style asks for (whose
// names follow from the picture's size, read from its header).
std::vector<std::string> PlannedOutputNames(const std::string& path, const ConversionSettings& settings);
