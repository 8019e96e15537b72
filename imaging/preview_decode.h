#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class PixelBudget;

// Pictures decoded small, off the window's thread, for the image order page: its preview and the
// check that marks files which cannot be read before anything is published.

// A picture decoded at a size that fits a box.
struct PreviewPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0xFFRRGGBB, `width` per row
    std::string problem;                // why the picture cannot be shown; empty when it can
    bool stopped = false;               // given up while waiting for memory: a newer request came
};

// Decodes the picture at `path` scaled, up or down, to fit `boxWidth` x `boxHeight`, keeping its
// proportions. The decode's memory is reserved from `budget` first, as the conversion does; a
// picture costing more than the whole budget is refused with a problem, and `stop` (asked while
// waiting) gives up. A file that cannot be read comes back with the reason, in plain words.
PreviewPicture DecodePreview(const std::string& path, int boxWidth, int boxHeight, PixelBudget& budget,
                             const std::function<bool()>& stop);

// Why the picture at `path` cannot be published, or empty when it decodes: a decode at a tiny size,
// so that damaged pixels are found as well as unknown formats and unreadable files.
std::string CheckPicture(const std::string& path, PixelBudget& budget, const std::function<bool()>& stop,
                         bool& stopped);
