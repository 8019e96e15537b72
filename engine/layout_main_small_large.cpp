#include "engine/common_tags.h"
#include "engine/layouts.h"
#include "engine/variant_tags.h"

// Two parallel slide shows, one of thumbnails and one of large pictures, each page linked to its
// twin in the other sequence.
namespace {

constexpr int kRoleMain = 0;
constexpr int kRoleSmall = 1;
constexpr int kRoleLarge = 2;

struct Sequence {
    const char* pageFormat;  // this sequence's page names
    const char* twinFormat;  // the other sequence's page names
    const char* picture;     // placeholder of the picture shown
    const char* back;
    const char* forward;
    const char* twin;
    bool large;
};

constexpr Sequence kSmall = {"smallpage%d.htm",        "largepage%d.htm", "THUMBNAIL", "LINKTOBACKSMALLPAGE",
                             "LINKTOFORWARDSMALLPAGE", "LINKTOLARGEPAGE", false};
constexpr Sequence kLarge = {"largepage%d.htm",        "smallpage%d.htm", "PICTURE", "LINKTOBACKLARGEPAGE",
                             "LINKTOFORWARDLARGEPAGE", "LINKTOSMALLPAGE", true};

void WriteMainPage(PageBuffer& page, PageContext& ctx) {
    // With no pictures there is no first slide: the links stay on the start page.
    const bool any = ctx.PictureCount() > 0;
    page.ReplacePlaceholder("LINKTOFIRSTSMALLPAGE", any ? Format("smallpage%d.htm", 1) : "main.htm");
    page.ReplacePlaceholder("LINKTOFIRSTLARGEPAGE", any ? Format("largepage%d.htm", 1) : "main.htm");
    page.ReplacePlaceholder("<IMAGES>", Format("%d", ctx.PictureCount()));
    ApplyCommonTags(page, ctx);
    WritePage(page, ctx, "main.htm");
}

void WriteSequence(PageBuffer& templ, PageContext& ctx, const Sequence& seq) {
    const int n = ctx.PictureCount();
    const std::string_view picture = seq.picture;
    auto page = templ.NewEmpty();
    const VariantRequest asked = TemplateVariantRequest(templ.Text());
    for (int i = 0; i < n; ++i) {
        page->CopyFrom(templ);
        if (seq.large) {
            ApplyLargeSizeTags(*page, ctx, asked, i);
        }
        const std::ptrdiff_t pi = page->Find(picture);
        const std::ptrdiff_t fi = page->Find("IMFILENAME");
        if (pi >= 0) {
            page->Replace(static_cast<std::size_t>(pi), static_cast<std::size_t>(pi) + picture.size(),
                          seq.large ? ctx.LargeUrlOf(i) : ctx.ThumbnailUrlOf(i));
        }
        if (fi >= 0) {
            page->ReplacePlaceholder("IMFILENAME", seq.large ? ctx.LargeTextOf(i) : ctx.ThumbnailTextOf(i));
        }
        ApplyPictureWords(*page, ctx, i, kPictureWordsPlaceholders);
        if (seq.large) {
            ApplyLargeVariantTags(*page, ctx, asked, i);
        } else {
            ApplyThumbnailVariantTags(*page, ctx, asked, i);
        }
        page->ReplacePlaceholder(seq.back, i == 0 ? "main.htm" : Format(seq.pageFormat, i));
        page->ReplacePlaceholder(seq.forward, i + 1 == n ? "main.htm" : Format(seq.pageFormat, i + 2));
        for (int twice = 0; twice < 2; ++twice) {
            page->ReplacePlaceholder(seq.twin, Format(seq.twinFormat, i + 1));
        }
        page->ReplacePlaceholder("LINKTOMAINPAGE", "main.htm");
        page->ReplacePlaceholder("<IMAGE>", Format("%d", i + 1));
        page->ReplacePlaceholder("<IMAGES>", Format("%d", n));
        ApplyCommonTags(*page, ctx);
        WritePage(*page, ctx, Format(seq.pageFormat, i + 1));
    }
}

}  // namespace

void GenerateMainSmallLarge(PageBuffer& templ, int role, PageContext& context) {
    switch (role) {
        case kRoleMain:
            WriteMainPage(templ, context);
            break;
        case kRoleSmall:
            WriteSequence(templ, context, kSmall);
            break;
        case kRoleLarge:
            WriteSequence(templ, context, kLarge);
            break;
        default:
            break;
    }
}
