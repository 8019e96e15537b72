#pragma once

#include <filesystem>
#include <string>

#include "tests/support/temp_folder.h"

// Classic asking for every variant: the bundled style, whose pages offer the WebP lists, with the
// JPEG lists added to its <img> elements, written into `folder`. Returns the style's path.
inline std::string ClassicAskingForEveryVariant(const TempFolder& folder) {
    const std::filesystem::path style = folder / "###Every";
    std::filesystem::copy(std::string(GALVANE_STYLES_DIR) + "/###Classic", style,
                          std::filesystem::copy_options::recursive);
    for (const auto& entry : std::filesystem::directory_iterator(style)) {
        if (entry.path().extension() != ".htm") {
            continue;
        }
        std::string text = ReadFile(entry.path().string());
        for (const auto& [from, to] :
             {std::pair<std::string, std::string>{"<img src=\"PICTURE\"",
                                                  "<img src=\"PICTURE\" srcset=\"JPEGWIDTHS\""},
              {"<img src=\"THUMBNAIL\"", "<img src=\"THUMBNAIL\" srcset=\"JPEGTHUMBS\""}}) {
            for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
                text.replace(at, from.size(), to);
            }
        }
        folder.Write(std::filesystem::relative(entry.path(), folder.path()).string(), text);
    }
    return style.string();
}
