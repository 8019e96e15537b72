#include "engine/picture_selection.h"

#include <string>
#include <unordered_map>

#include "engine/directory.h"
#include "engine/picture_names.h"

namespace {

std::vector<std::string> OutputNamesOf(const std::string& path, int jpegQuality, bool largePicturesMade) {
    std::vector<std::string> names{ThumbnailName(path)};
    if (largePicturesMade) {
        names.push_back(LargePictureName(path, jpegQuality));
    }
    return names;
}

}  // namespace

std::vector<std::size_t> SelectPublishable(
    const ImageList& images, int jpegQuality, bool largePicturesMade, RunReport& report,
    const std::function<std::string(const std::string&)>& whyUnreadable) {
    std::unordered_map<std::string, int> claims;  // output name -> entries that would make it
    if (whyUnreadable) {
        for (std::size_t i = 0; i < images.GetSize(); ++i) {
            for (const std::string& name :
                 OutputNamesOf(images.GetPathAt(i), jpegQuality, largePicturesMade)) {
                ++claims[name];
            }
        }
    }
    std::vector<std::size_t> selected;
    std::unordered_map<std::string, std::size_t> owner;  // output name -> entry that makes it
    for (std::size_t i = 0; i < images.GetSize(); ++i) {
        const std::string path = images.GetPathAt(i);
        const std::vector<std::string> names = OutputNamesOf(path, jpegQuality, largePicturesMade);
        bool contested = false;
        for (const std::string& name : names) {
            contested = contested || claims[name] > 1;
        }
        if (contested) {
            if (const std::string why = whyUnreadable(path); !why.empty()) {
                report.unreadable.push_back({path, why});
                continue;
            }
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
