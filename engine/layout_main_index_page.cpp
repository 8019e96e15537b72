#include <algorithm>

#include "engine/common_tags.h"
#include "engine/layouts.h"
#include "engine/variant_tags.h"

// Start page, index pages of thumbnails, and one page per picture.
namespace {

constexpr int kRoleMain = 0;
constexpr int kRoleIndex = 1;
constexpr int kRolePage = 2;

void WriteMainPage(PageBuffer& page, PageContext& ctx) {
    page.ReplacePlaceholder("LINKTOFIRSTPAGE", Format("indexpage%d.htm", 1));
    page.ReplacePlaceholder("<PAGES>", Format("%d", ctx.PictureCount()));
    ApplyCommonTags(page, ctx);
    WritePage(page, ctx, "main.htm");
}

// Fills the thumbnail slots of one index page in text order. Returns the number of complete slots
// (thumbnail and link) and leaves `cur` past the pictures shown.
int FillIndexSlots(PageBuffer& page, int& cur, const PageContext& ctx, const VariantRequest& asked) {
    const int n = ctx.PictureCount();
    const int bound = std::max(CountOccurrences(page, "THUMBNAIL"), CountOccurrences(page, "LINKTOPAGE"));
    int k = 0;
    bool found = true;
    for (int round = 0; found; ++round) {
        if (k > 0) {
            ++cur;
        }
        // Past the bound only a name inserted by this loop could still match, so the round is
        // taken as finding neither placeholder, as it would with ordinary names.
        const bool spent = round >= bound;
        const std::ptrdiff_t t = spent ? PageBuffer::kNotFound : page.Find("THUMBNAIL");
        const std::ptrdiff_t f = page.Find("THFILENAME");
        if (t >= 0 || f >= 0) {
            const std::string thumbnail = cur < n ? ctx.ThumbnailUrlOf(cur) : "empty.gif";
            const std::string fileName = cur < n ? ctx.ThumbnailTextOf(cur) : "";
            if (t >= 0) {
                page.Replace(static_cast<std::size_t>(t), static_cast<std::size_t>(t) + 9, thumbnail);
            }
            if (f >= 0) {
                page.ReplacePlaceholder("THFILENAME", fileName);
            }
            ApplyPictureWords(page, ctx, cur < n ? cur : -1, kThumbnailWordsPlaceholders);
        }
        if (t >= 0) {
            ApplyThumbnailVariantTags(page, ctx, asked, cur);
        }
        const std::ptrdiff_t l = spent ? PageBuffer::kNotFound : page.Find("LINKTOPAGE");
        if (l >= 0) {
            const std::string link = cur < n ? Format(" HREF=\"imagepage%d.htm\" ", cur + 1) : "";
            page.Replace(static_cast<std::size_t>(l), static_cast<std::size_t>(l) + 10, link);
        }
        if (t >= 0 && l >= 0) {
            ++k;
        }
        found = t >= 0 || l >= 0;
    }
    return k;
}

void WriteIndexPages(PageBuffer& templ, PageContext& ctx) {
    const int n = ctx.PictureCount();
    auto page = templ.NewEmpty();
    const VariantRequest asked = TemplateVariantRequest(templ.Text());
    int cur = 0;
    bool more = true;
    for (int p = 0; more; ++p) {
        page->CopyFrom(templ);
        const int k = FillIndexSlots(*page, cur, ctx, asked);
        // A template without a complete slot never moves the cursor: it gets one page only.
        more = k > 0 && cur < n;
        page->ReplacePlaceholder("LINKTOBACKINDEX", p == 0 ? "main.htm" : Format("indexpage%d.htm", p));
        page->ReplacePlaceholder("LINKTOFORWARDINDEX", more ? Format("indexpage%d.htm", p + 2) : "main.htm");
        page->ReplacePlaceholder("LINKTOMAINPAGE", "main.htm");
        page->ReplacePlaceholder("<INDEX>", Format("%d", p + 1));
        const int indexes = k > 0 ? (n + k - 1) / k : 1;
        page->ReplacePlaceholder("<INDEXES>", Format("%d", indexes));
        ApplyCommonTags(*page, ctx);
        WritePage(*page, ctx, Format("indexpage%d.htm", p + 1));
    }
}

void WritePicturePages(PageBuffer& templ, PageContext& ctx) {
    const int n = ctx.PictureCount();
    auto page = templ.NewEmpty();
    const VariantRequest asked = TemplateVariantRequest(templ.Text());
    for (int i = 0; i < n; ++i) {
        page->CopyFrom(templ);
        ApplyLargeSizeTags(*page, ctx, asked, i);
        const std::ptrdiff_t pi = page->Find("PICTURE");
        const std::ptrdiff_t fi = page->Find("IMFILENAME");
        if (pi >= 0) {
            page->Replace(static_cast<std::size_t>(pi), static_cast<std::size_t>(pi) + 7, ctx.LargeUrlOf(i));
        }
        if (fi >= 0) {
            page->ReplacePlaceholder("IMFILENAME", ctx.LargeTextOf(i));
        }
        ApplyPictureWords(*page, ctx, i, kPictureWordsPlaceholders);
        ApplyLargeVariantTags(*page, ctx, asked, i);
        page->ReplacePlaceholder("LINKTOBACKPAGE", i == 0 ? "main.htm" : Format("imagepage%d.htm", i));
        page->ReplacePlaceholder("LINKTOFORWARDPAGE",
                                 i + 1 == n ? "main.htm" : Format("imagepage%d.htm", i + 2));
        page->ReplacePlaceholder("LINKTOINDEXPAGE", Format("indexpage%d.htm", 1));
        page->ReplacePlaceholder("LINKTOMAINPAGE", "main.htm");
        page->ReplacePlaceholder("<PAGE>", Format("%d", i + 1));
        page->ReplacePlaceholder("<PAGES>", Format("%d", n));
        ApplyCommonTags(*page, ctx);
        WritePage(*page, ctx, Format("imagepage%d.htm", i + 1));
    }
}

}  // namespace

void GenerateMainIndexPage(PageBuffer& templ, int role, PageContext& context) {
    switch (role) {
        case kRoleMain:
            WriteMainPage(templ, context);
            break;
        case kRoleIndex:
            WriteIndexPages(templ, context);
            break;
        case kRolePage:
            WritePicturePages(templ, context);
            break;
        default:
            break;
    }
}
