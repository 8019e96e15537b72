#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/album_navigation.h"
#include "engine/page_buffer.h"

// The placeholders of a style for a gallery of albums. Each block is cut out whole, its markers
// included, when it has nothing to show (in an album without albums below it, at the top, and in
// every page of a gallery published without albums), so that a page of a flat gallery comes out
// as it would from a template without them.
//
//   <!--GALVANE-ALBUMS--> ... <!--/GALVANE-ALBUMS-->  the albums below this one; inside it
//   <!--GALVANE-ALBUM--> ... <!--/GALVANE-ALBUM-->    is repeated per album, with
//       ALBUMLINK (address of its start page), ALBUMTITLE, ALBUMCOVER (address of its cover
//       thumbnail), ALBUMNPHOTOS (its pictures), ALBUMNALBUMS (albums directly below it)
//   <!--GALVANE-UP--> ... <!--/GALVANE-UP-->          below the top: ALBUMUPLINK, ALBUMUPTITLE
//   <!--GALVANE-TRAIL--> ... <!--/GALVANE-TRAIL-->    below the top: the path from the top, with
//   <!--GALVANE-STEP--> ... <!--/GALVANE-STEP-->      repeated per album above, with STEPLINK and
//       STEPTITLE; and ALBUMHERE (this album's title) after the steps
//
// Each word is replaced at its first occurrence within its block or repeated part, as that text
// stands before any replacement, so a folder name holding a placeholder word stays as it is.
// Titles are HTML-escaped; addresses are percent-encoded.
//
// With a style that has none of the blocks (nav->plain), every page that has something to show
// gets a plain navigation before its first "</body>" instead (the way up and the albums below),
// so that a style made before albums still leads to every album. `nav` null: a gallery without
// albums, where blocks are cut out and nothing is added.
void ApplyAlbumTags(PageBuffer& page, const AlbumNavigation* nav);

// Whether any template of the style folder (its ".htm*" files) holds an album block.
bool StyleHasAlbumBlocks(const std::string& stylePath);

// Replaces the first occurrence of each word of `text` by its value, the occurrences taken in the
// text as it is; an occurrence overlapping an earlier one's is left.
std::string FillWords(std::string_view text,
                      const std::vector<std::pair<std::string_view, std::string>>& words);
