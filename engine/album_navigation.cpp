#include "engine/album_navigation.h"

#include "engine/directory.h"
#include "engine/page_escaping.h"
#include "engine/picture_names.h"

std::string AlbumFolderUrl(std::string_view relative) {
    std::string url;
    while (!relative.empty()) {
        const auto slash = relative.find('/');
        url += UrlEncodeName(relative.substr(0, slash)) + "/";
        relative = slash == std::string_view::npos ? std::string_view() : relative.substr(slash + 1);
    }
    return url;
}

AlbumNavigation NavigationOf(const Album& album, const std::vector<const Album*>& trail,
                             const std::string& topTitle) {
    AlbumNavigation nav;
    nav.title = album.title;
    for (const Album& child : album.albums) {
        AlbumNavigation::Tile tile;
        const std::string folder = AlbumFolderUrl(child.title);
        tile.link = folder + kAlbumStartPage;
        tile.title = child.title;
        tile.pictures = static_cast<int>(child.pictures.GetSize());
        tile.albums = static_cast<int>(child.albums.size());
        if (const AlbumCover cover = CoverOf(child); cover.album != nullptr) {
            // The cover lies in the child or below it: its path past this album's folder.
            const std::string& path = cover.album->relativePath;
            const std::size_t skip = album.relativePath.empty() ? 0 : album.relativePath.size() + 1;
            tile.cover = AlbumFolderUrl(std::string_view(path).substr(skip)) +
                         UrlEncodeName(ThumbnailName(cover.album->pictures.GetPathAt(cover.index)));
        }
        nav.albums.push_back(std::move(tile));
    }
    for (std::size_t i = 0; i < trail.size(); ++i) {
        std::string link;
        for (std::size_t up = i; up < trail.size(); ++up) {
            link += "../";
        }
        nav.trail.push_back({link + kAlbumStartPage, i == 0 ? topTitle : trail[i]->title});
    }
    return nav;
}
