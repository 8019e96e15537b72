#pragma once

#include <string>
#include <vector>

#include "engine/image_list.h"
#include "engine/run_report.h"

// One album of a gallery of albums: a folder of the source and the albums below it. The top album
// is the source folder itself; every other one is published into the same relative folder of the
// destination.
struct Album {
    // The folder relative to the source ("" for the top, "2026/Rome" below), with '/' between names.
    std::string relativePath;
    // The folder's own name as it is (the top album has none).
    std::string title;
    ImageList pictures;
    std::vector<Album> albums;

    // Pictures of this album and of every album below it.
    int PicturesInTree() const;
    // This album and every album below it, top first, each before its own albums.
    std::vector<const Album*> Walk() const;
    std::vector<Album*> Walk();
};

// The folders a scan left out, by path relative to the source, with the reason.
struct AlbumScan {
    Album top;
    std::vector<FileProblem> foldersLeftOut;
};

// Walks the source folder once. The top album's pictures are those ScanSourceFolder finds; every
// subfolder at any depth that holds pictures or albums is an album, its albums in listing order.
// Left out and named: hidden folders (a name starting with a dot), folders reached again (a link
// back to a folder of the walk, compared by device and inode), folders holding neither pictures
// nor albums, and `excluded` folders and those below them (the destination inside the source).
AlbumScan ScanAlbums(const std::string& sourceFolder, const std::vector<std::string>& excluded = {});

// The picture that shows an album: its first picture named "cover.*" or "folder.*" (any letter
// case), else its first picture, else the cover of its first album that has one. Returns the
// album holding it and the picture's index there, or null.
struct AlbumCover {
    const Album* album = nullptr;
    std::size_t index = 0;
};
AlbumCover CoverOf(const Album& album);
