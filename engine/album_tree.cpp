#include "engine/album_tree.h"

#include <sys/stat.h>

#include <set>
#include <utility>

#include "engine/directory.h"
#include "engine/source_scan.h"

namespace {

using FolderId = std::pair<dev_t, ino_t>;

class AlbumWalk {
public:
    AlbumWalk(const std::string& source, const std::vector<std::string>& excluded, AlbumScan& scan)
        : m_source(source), m_scan(scan) {
        for (const std::string& folder : excluded) {
            struct stat st {};
            if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                m_excluded.insert({st.st_dev, st.st_ino});
            }
        }
    }

    void Fill(Album& album, const std::string& folder) {
        for (const DirectoryEntry& entry : ListDirectory(folder)) {
            if (!entry.isDirectory) {
                continue;
            }
            const std::string relative =
                album.relativePath.empty() ? entry.name : album.relativePath + "/" + entry.name;
            if (entry.name.front() == '.') {
                LeaveOut(relative, "a hidden folder");
                continue;
            }
            const std::string path = JoinPath(folder, entry.name);
            struct stat st {};
            if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
                continue;
            }
            const FolderId id{st.st_dev, st.st_ino};
            if (m_excluded.contains(id)) {
                LeaveOut(relative, "the destination folder");
                continue;
            }
            if (!m_visited.insert(id).second) {
                LeaveOut(relative, "reached again through a link");
                continue;
            }
            Album child;
            child.relativePath = relative;
            child.title = entry.name;
            ScanSourceFolder(path, child.pictures);
            Fill(child, path);
            if (child.pictures.GetSize() == 0 && child.albums.empty()) {
                LeaveOut(relative, "holds no pictures and no albums");
                continue;
            }
            album.albums.push_back(std::move(child));
        }
    }

    void Start(Album& top) {
        struct stat st {};
        if (::stat(m_source.c_str(), &st) == 0) {
            m_visited.insert({st.st_dev, st.st_ino});
        }
        ScanSourceFolder(m_source, top.pictures);
        Fill(top, m_source);
    }

private:
    void LeaveOut(const std::string& relative, const char* reason) {
        m_scan.foldersLeftOut.push_back({relative, reason});
    }

    const std::string& m_source;
    AlbumScan& m_scan;
    std::set<FolderId> m_visited;
    std::set<FolderId> m_excluded;
};

template <typename A, typename Out>
void WalkInto(A& album, Out& out) {
    out.push_back(&album);
    for (auto& child : album.albums) {
        WalkInto(child, out);
    }
}

}  // namespace

int Album::PicturesInTree() const {
    int count = static_cast<int>(pictures.GetSize());
    for (const Album& child : albums) {
        count += child.PicturesInTree();
    }
    return count;
}

std::vector<const Album*> Album::Walk() const {
    std::vector<const Album*> out;
    WalkInto(*this, out);
    return out;
}

std::vector<Album*> Album::Walk() {
    std::vector<Album*> out;
    WalkInto(*this, out);
    return out;
}

AlbumScan ScanAlbums(const std::string& sourceFolder, const std::vector<std::string>& excluded) {
    AlbumScan scan;
    AlbumWalk(sourceFolder, excluded, scan).Start(scan.top);
    return scan;
}

AlbumCover CoverOf(const Album& album) {
    for (std::size_t i = 0; i < album.pictures.GetSize(); ++i) {
        const std::string_view name = FileNameOf(album.pictures.ElementAt(i).path);
        if (MatchesWildcard("cover.*", name) || MatchesWildcard("folder.*", name)) {
            return {&album, i};
        }
    }
    if (album.pictures.GetSize() > 0) {
        return {&album, 0};
    }
    for (const Album& child : album.albums) {
        if (const AlbumCover cover = CoverOf(child); cover.album != nullptr) {
            return cover;
        }
    }
    return {};
}
