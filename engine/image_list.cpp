#include "engine/image_list.h"

#include <algorithm>

std::string ImageList::GetPathAt(std::size_t index) const {
    if (m_entries.empty()) {
        return {};
    }
    return m_entries[std::min(index, m_entries.size() - 1)].path;
}

void ImageList::RemoveAt(std::size_t index, std::size_t count) {
    if (index >= m_entries.size()) {
        return;
    }
    const std::size_t end = std::min(m_entries.size(), index + count);
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index),
                    m_entries.begin() + static_cast<std::ptrdiff_t>(end));
}
