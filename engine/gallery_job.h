#pragma once

#include <cstdint>
#include <string>

// A colour as 0x00BBGGRR: red in the lowest byte.
using ColorRef = std::uint32_t;

constexpr ColorRef MakeColorRef(unsigned red, unsigned green, unsigned blue) {
    return (red & 0xFFu) | ((green & 0xFFu) << 8) | ((blue & 0xFFu) << 16);
}
constexpr unsigned RedOf(ColorRef c) {
    return c & 0xFFu;
}
constexpr unsigned GreenOf(ColorRef c) {
    return (c >> 8) & 0xFFu;
}
constexpr unsigned BlueOf(ColorRef c) {
    return (c >> 16) & 0xFFu;
}

// The user's choices for one publication. The wizard's pages fill it in; the run only reads it.
// Members are public and named as the pages and the run know them; the start values are those of
// a fresh program start, before any page has proposed its own.
struct GalleryJob {
    std::string m_strStylePath;
    std::string m_strDestFolder;
    std::string m_strSourceFolder;
    std::string m_strTitle;
    std::string m_strName;
    std::string m_strCommentary;
    std::int32_t m_bUseBkgndImage = 0;
    std::string m_strBkgndImage;
    ColorRef m_crBkgndColor = 0;
    ColorRef m_crTextColor = 0;
    std::int32_t m_nThumbMaxWidth = 0;
    std::int32_t m_nThumbMaxHeight = 0;
    std::int32_t m_nLargeMaxWidth = 0;
    std::int32_t m_nLargeMaxHeight = 0;
    // Below 1 means large pictures are written as GIF.
    std::int32_t m_nJpegQuality = 0;
    std::int32_t m_nStyleCount = 0;
    // Publish the source's subfolders as albums, each into the same relative folder.
    bool m_bAlbums = false;
    std::int32_t m_nSelectedStyle = -1;
};

// The texts the titles page proposes.
inline constexpr const char* kDefaultTitle = "Gallery";
inline constexpr const char* kDefaultName = "Image gallery";
inline constexpr const char* kDefaultCommentary = "This my image gallery for you and your friends.";
