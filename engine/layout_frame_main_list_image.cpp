#include <algorithm>

#include "engine/common_tags.h"
#include "engine/layouts.h"
#include "engine/variant_tags.h"

// A frame page around a top strip, a list of every thumbnail and a display area that shows a
// first page, then one page per picture.
namespace {

constexpr int kRoleFrame = 0;
constexpr int kRoleFirst = 1;
constexpr int kRoleList = 2;
constexpr int kRoleImage = 3;
constexpr int kRoleTop = 4;

void WriteAsIs(PageBuffer& page, PageContext& ctx, const char* name) {
    ApplyCommonTags(page, ctx);
    WritePage(page, ctx, name);
}

// Removes the block markers and lets the block stand once per picture. Without both markers there
// is no block and nothing is repeated; with no pictures the block goes, so no slot is left empty.
void RepeatTableBlock(PageBuffer& page, int n) {
    const std::ptrdiff_t b = page.Find("<BEGINTABLE>");
    if (b >= 0) {
        page.Replace(static_cast<std::size_t>(b), static_cast<std::size_t>(b) + 12, "");
    }
    const std::ptrdiff_t e = page.Find("<ENDTABLE>");
    if (e >= 0) {
        page.Replace(static_cast<std::size_t>(e), static_cast<std::size_t>(e) + 10, "");
    }
    if (b < 0 || e < b) {
        return;
    }
    const auto begin = static_cast<std::size_t>(b);
    const auto end = static_cast<std::size_t>(e);
    if (n == 0) {
        page.Replace(begin, end, "");
    } else if (n > 1) {
        page.RepeatRange(begin, end, static_cast<std::size_t>(n - 1));
    }
}

void FillListSlots(PageBuffer& page, const PageContext& ctx, const VariantRequest& asked) {
    const int count = ctx.PictureCount();
    if (count == 0) {
        return;
    }
    const int bound =
        std::max(CountOccurrences(page, "THUMBNAIL"), CountOccurrences(page, "LINKTOIMAGEPAGE"));
    bool found = true;
    for (int n = 0; found; ++n) {
        // Surplus slots show the last picture.
        const int picture = std::min(n, count - 1);
        // Past the bound only a name inserted by this loop could still match.
        const bool spent = n >= bound;
        const std::ptrdiff_t t = spent ? PageBuffer::kNotFound : page.Find("THUMBNAIL");
        const std::ptrdiff_t f = page.Find("THFILENAME");
        if (t >= 0 || f >= 0) {
            if (t >= 0) {
                page.Replace(static_cast<std::size_t>(t), static_cast<std::size_t>(t) + 9,
                             ctx.ThumbnailUrlOf(picture));
            }
            if (f >= 0) {
                page.ReplacePlaceholder("THFILENAME", ctx.ThumbnailTextOf(picture));
            }
            ApplyPictureWords(page, ctx, picture, kThumbnailWordsPlaceholders);
        }
        if (t >= 0) {
            ApplyThumbnailVariantTags(page, ctx, asked, picture);
        }
        const std::ptrdiff_t l = spent ? PageBuffer::kNotFound : page.Find("LINKTOIMAGEPAGE");
        if (l >= 0) {
            page.Replace(static_cast<std::size_t>(l), static_cast<std::size_t>(l) + 15,
                         Format("imagepage%d.htm", picture + 1));
        }
        found = t >= 0 || l >= 0;
    }
}

void WriteListPage(PageBuffer& templ, PageContext& ctx) {
    auto page = templ.NewEmpty();
    page->CopyFrom(templ);
    RepeatTableBlock(*page, ctx.PictureCount());
    FillListSlots(*page, ctx, TemplateVariantRequest(templ.Text()));
    page->ReplacePlaceholder("LINKTOFIRSTPAGE", "firstpage.htm");
    page->ReplacePlaceholder("<IMAGES>", Format("%d", ctx.PictureCount()));
    ApplyCommonTags(*page, ctx);
    WritePage(*page, ctx, "listpage.htm");
}

void WritePicturePages(PageBuffer& templ, PageContext& ctx) {
    const int n = ctx.PictureCount();
    auto page = templ.NewEmpty();
    const VariantRequest asked = TemplateVariantRequest(templ.Text());
    for (int i = 0; i < n; ++i) {
        page->CopyFrom(templ);
        ApplyLargeSizeTags(*page, ctx, asked, i);
        const std::ptrdiff_t pi = page->Find("PICTURE");
        const std::ptrdiff_t fi = page->Find("IMFILEPATH");
        if (pi >= 0) {
            page->Replace(static_cast<std::size_t>(pi), static_cast<std::size_t>(pi) + 7, ctx.LargeUrlOf(i));
        }
        // A path: it may stand in a URL, and the encoded name is safe as text too.
        if (fi >= 0) {
            page->ReplacePlaceholder("IMFILEPATH", ctx.LargeUrlOf(i));
        }
        ApplyPictureWords(*page, ctx, i, kPictureWordsPlaceholders);
        ApplyLargeVariantTags(*page, ctx, asked, i);
        page->ReplacePlaceholder("LINKTOBACKIMAGEPAGE",
                                 i == 0 ? "firstpage.htm" : Format("imagepage%d.htm", i));
        page->ReplacePlaceholder("LINKTOFORWARDIMAGEPAGE",
                                 i + 1 == n ? "firstpage.htm" : Format("imagepage%d.htm", i + 2));
        page->ReplacePlaceholder("LINKTOFIRSTPAGE", "firstpage.htm");
        page->ReplacePlaceholder("<IMAGE>", Format("%d", i + 1));
        page->ReplacePlaceholder("<IMAGES>", Format("%d", n));
        ApplyCommonTags(*page, ctx);
        WritePage(*page, ctx, Format("imagepage%d.htm", i + 1));
    }
}

}  // namespace

void GenerateFrameMainListImage(PageBuffer& templ, int role, PageContext& context) {
    switch (role) {
        case kRoleFrame:
            WriteAsIs(templ, context, "main.htm");
            break;
        case kRoleFirst:
            templ.ReplacePlaceholder("<IMAGES>", Format("%d", context.PictureCount()));
            WriteAsIs(templ, context, "firstpage.htm");
            break;
        case kRoleList:
            WriteListPage(templ, context);
            break;
        case kRoleImage:
            WritePicturePages(templ, context);
            break;
        case kRoleTop:
            WriteAsIs(templ, context, "toppage.htm");
            break;
        default:
            break;
    }
}
