#include "engine/album_tags.h"

#include <algorithm>

#include "engine/common_tags.h"
#include "engine/directory.h"
#include "engine/page_escaping.h"

namespace {

struct Block {
    std::string_view open;
    std::string_view close;
};

constexpr Block kAlbumsBlock{"<!--GALVANE-ALBUMS-->", "<!--/GALVANE-ALBUMS-->"};
constexpr Block kAlbumItem{"<!--GALVANE-ALBUM-->", "<!--/GALVANE-ALBUM-->"};
constexpr Block kUpBlock{"<!--GALVANE-UP-->", "<!--/GALVANE-UP-->"};
constexpr Block kTrailBlock{"<!--GALVANE-TRAIL-->", "<!--/GALVANE-TRAIL-->"};
constexpr Block kStepItem{"<!--GALVANE-STEP-->", "<!--/GALVANE-STEP-->"};

// The inside of the first `block` in `text` and where the block lies, markers included.
struct Found {
    std::size_t start = std::string::npos;
    std::size_t end = 0;
    std::string_view inner;
};

Found FindBlock(std::string_view text, const Block& block) {
    const std::size_t open = text.find(block.open);
    if (open == std::string_view::npos) {
        return {};
    }
    const std::size_t innerStart = open + block.open.size();
    const std::size_t close = text.find(block.close, innerStart);
    if (close == std::string_view::npos) {
        return {};
    }
    return {open, close + block.close.size(), text.substr(innerStart, close - innerStart)};
}

// The block's inside with its repeated part once per value set, then the block's own words.
std::string ExpandBlock(std::string_view inner, const Block& item,
                        const std::vector<std::vector<std::pair<std::string_view, std::string>>>& items,
                        const std::vector<std::pair<std::string_view, std::string>>& words) {
    const Found part = item.open.empty() ? Found{} : FindBlock(inner, item);
    if (part.start == std::string::npos) {
        return FillWords(inner, words);
    }
    std::string repeated;
    for (const auto& values : items) {
        repeated += FillWords(part.inner, values);
    }
    // Words of the block around the repeated part are filled in the text around it only.
    return FillWords(inner.substr(0, part.start), words) + repeated +
           FillWords(inner.substr(part.end), words);
}

// Cuts out or expands the first occurrence of the block in the page; false when there is none.
bool ApplyBlock(PageBuffer& page, const Block& block, bool show, const Block& item,
                const std::vector<std::vector<std::pair<std::string_view, std::string>>>& items,
                const std::vector<std::pair<std::string_view, std::string>>& words) {
    const std::ptrdiff_t at = page.Find(block.open);
    if (at < 0) {
        return false;
    }
    const std::string text = page.Text();
    const Found found = FindBlock(std::string_view(text).substr(static_cast<std::size_t>(at)), block);
    if (found.start == std::string::npos) {
        return false;
    }
    const std::size_t start = static_cast<std::size_t>(at);
    page.Replace(start, start + found.end,
                 show ? ExpandBlock(found.inner, item, items, words) : std::string());
    return true;
}

// An album none of whose pictures could be shown: a transparent dot, so the tile keeps its shape.
constexpr const char* kNoCover =
    "data:image/gif;base64,R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7";

std::string Count(int n) {
    return Format("%d", n);
}

std::string FallbackNavigation(const AlbumNavigation& nav) {
    std::string html = "<nav class=\"galvane-albums\">";
    if (!nav.trail.empty()) {
        html += "<p>Up: <a href=\"" + nav.trail.back().link + "\" target=\"_top\">" +
                HtmlEscape(nav.trail.back().title) + "</a></p>";
    }
    if (!nav.albums.empty()) {
        html += "<ul>";
        for (const AlbumNavigation::Tile& tile : nav.albums) {
            html += "<li><a href=\"" + tile.link + "\" target=\"_top\">" + HtmlEscape(tile.title) + "</a> (" +
                    Count(tile.pictures) + " pictures, " + Count(tile.albums) + " albums)</li>";
        }
        html += "</ul>";
    }
    return html + "</nav>\n";
}

}  // namespace

std::string FillWords(std::string_view text,
                      const std::vector<std::pair<std::string_view, std::string>>& words) {
    struct Hit {
        std::size_t at;
        std::size_t length;
        const std::string* value;
    };
    std::vector<Hit> hits;
    for (const auto& [word, value] : words) {
        const std::size_t at = word.empty() ? std::string_view::npos : text.find(word);
        if (at != std::string_view::npos) {
            hits.push_back({at, word.size(), &value});
        }
    }
    std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.at < b.at; });
    std::string out;
    std::size_t done = 0;
    for (const Hit& hit : hits) {
        if (hit.at < done) {
            continue;
        }
        out.append(text.substr(done, hit.at - done));
        out += *hit.value;
        done = hit.at + hit.length;
    }
    out.append(text.substr(done));
    return out;
}

bool StyleHasAlbumBlocks(const std::string& stylePath) {
    for (const DirectoryEntry& entry : ListDirectory(stylePath)) {
        std::string text;
        if (entry.isDirectory || !MatchesWildcard("*.htm*", entry.name) ||
            !ReadWholeFile(JoinPath(stylePath, entry.name), text)) {
            continue;
        }
        for (const Block* block : {&kAlbumsBlock, &kUpBlock, &kTrailBlock}) {
            if (text.find(block->open) != std::string::npos) {
                return true;
            }
        }
    }
    return false;
}

void ApplyAlbumTags(PageBuffer& page, const AlbumNavigation* nav) {
    std::vector<std::vector<std::pair<std::string_view, std::string>>> tiles, steps;
    std::vector<std::pair<std::string_view, std::string>> up, here;
    const bool below = nav != nullptr && !nav->trail.empty();
    const bool withAlbums = nav != nullptr && !nav->albums.empty();
    if (nav != nullptr) {
        for (const AlbumNavigation::Tile& tile : nav->albums) {
            tiles.push_back({{"ALBUMLINK", tile.link},
                             {"ALBUMTITLE", HtmlEscape(tile.title)},
                             {"ALBUMCOVER", tile.cover.empty() ? kNoCover : tile.cover},
                             {"ALBUMNPHOTOS", Count(tile.pictures)},
                             {"ALBUMNALBUMS", Count(tile.albums)}});
        }
        for (const AlbumNavigation::Step& step : nav->trail) {
            steps.push_back({{"STEPLINK", step.link}, {"STEPTITLE", HtmlEscape(step.title)}});
        }
        if (below) {
            up = {{"ALBUMUPLINK", nav->trail.back().link},
                  {"ALBUMUPTITLE", HtmlEscape(nav->trail.back().title)}};
        }
        here = {{"ALBUMHERE", HtmlEscape(nav->title)}};
    }
    bool any = false;
    any |= ApplyBlock(page, kAlbumsBlock, withAlbums, kAlbumItem, tiles, {});
    any |= ApplyBlock(page, kUpBlock, below, Block{}, {}, up);
    any |= ApplyBlock(page, kTrailBlock, below, kStepItem, steps, here);
    if (any || nav == nullptr || !nav->plain || (!below && !withAlbums)) {
        return;
    }
    const std::ptrdiff_t body = page.Find("</body>");
    if (body >= 0) {
        page.Replace(static_cast<std::size_t>(body), static_cast<std::size_t>(body),
                     FallbackNavigation(*nav));
    }
}
