#include "engine/picture_selection.h"

#include <string>
#include <unordered_map>

#include "engine/directory.h"
#include "engine/picture_names.h"

std::vector<std::size_t> SelectPublishable(const ImageList& images, int jpegQuality, bool largePicturesMade,
                                           RunReport& report) {
    std::vector<std::size_t> selected;
    std::unordered_map<std::string, std::size_t> owner;  // output name -> entry that makes it
    for (std::size_t i = 0; i < images.GetSize(); ++i) {
        const std::string path = images.GetPathAt(i);
        std::vector<std::string> names{ThumbnailName(path)};
        if (largePicturesMade) {
            names.push_back(LargePictureName(path, jpegQuality));
        }
        const std::string* taken = nullptr;
        std::size_t takenBy = 0;
        for (const std::string& name : names) {
            if (const auto found = owner.find(name); found != owner.end()) {
                taken = &found->first;
                takenBy = found->second;
                break;
            }
        }
        if (taken != nullptr) {
            report.leftOut.push_back({path, "its output " + *taken + " is already made from " +
                                                std::string(FileNameOf(images.GetPathAt(takenBy)))});
            continue;
        }
        for (const std::string& name : names) {
            owner.emplace(name, i);
        }
        selected.push_back(i);
    }
    return selected;
}
