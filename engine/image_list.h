#pragma once

#include <cstddef>
#include <string>
#include <vector>

// One picture to publish: the whole path of its source file.
struct ImageEntry {
    std::string path;
    // In a gallery of albums, the album's folder relative to the destination; empty for the top.
    std::string album;
};

// The pictures of a gallery in publication order.
class ImageList {
public:
    void RemoveAll() { m_entries.clear(); }
    void Add(const std::string& path) { m_entries.push_back({path, {}}); }
    void Add(const ImageEntry& entry) { m_entries.push_back(entry); }
    std::size_t GetSize() const { return m_entries.size(); }
    // An index at or past the end gives the last entry; an empty list gives an empty path.
    std::string GetPathAt(std::size_t index) const;
    // Removes up to `count` entries from `index` on and closes the gap.
    void RemoveAt(std::size_t index, std::size_t count = 1);
    ImageEntry& ElementAt(std::size_t index) { return m_entries.at(index); }
    const ImageEntry& ElementAt(std::size_t index) const { return m_entries.at(index); }

private:
    std::vector<ImageEntry> m_entries;
};
