#include "engine/picture_order.h"

#include <algorithm>
#include <numeric>
#include <string>

std::vector<std::size_t> DateTakenOrder(const std::vector<PictureWords>& words) {
    std::vector<std::size_t> order(words.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const auto& x = words[a].taken;
        const auto& y = words[b].taken;
        if (!x || !y) {
            return x.has_value() && !y.has_value();
        }
        return x->OrderKey() < y->OrderKey();
    });
    return order;
}

void SortByDateTaken(ImageList& images, EmbeddedMetadataReader* embedded) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < images.GetSize(); ++i) {
        paths.push_back(images.GetPathAt(i));
    }
    const std::vector<std::size_t> order = DateTakenOrder(ReadAllPictureWords(paths, embedded));
    images.RemoveAll();
    for (const std::size_t i : order) {
        images.Add(paths[i]);
    }
}
