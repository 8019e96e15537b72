#pragma once

#include <string>
#include <vector>

#include "engine/album_tree.h"

// What the pages of one album of a gallery of albums show of the others. Addresses are relative to
// the album's folder and already encoded for a URL; titles are as they are (escaped where used).
struct AlbumNavigation {
    struct Tile {
        std::string link;   // "Day%201/main.htm"
        std::string title;  // "Day 1"
        std::string cover;  // "Day%201/thn_a.jpg", or empty when no picture of it could be shown
        int pictures = 0;   // in the album itself
        int albums = 0;     // directly below it
    };
    struct Step {
        std::string link;  // "../../main.htm"
        std::string title;
    };
    // This album's own title; empty for the top album.
    std::string title;
    // The albums directly below this one, in their order.
    std::vector<Tile> albums;
    // From the top album down to the parent; empty for the top album. The last step is the way up.
    std::vector<Step> trail;
    // The style has no album blocks: each page gets a plain navigation instead.
    bool plain = false;
};

// Every album's start page is "main.htm", whichever layout the style has.
inline constexpr const char* kAlbumStartPage = "main.htm";

// The navigation of `album`, whose ancestors are `trail` (the top first). The top album is called
// `topTitle` in the trail.
AlbumNavigation NavigationOf(const Album& album, const std::vector<const Album*>& trail,
                             const std::string& topTitle);

// A folder path relative to the album, encoded for a URL segment by segment, with a trailing '/'.
std::string AlbumFolderUrl(std::string_view relative);
