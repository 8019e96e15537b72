// The variant placeholders in generated pages.

#include "engine/variant_tags.h"

#include <gtest/gtest.h>

#include "tests/engine/generation_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

class VariantTags : public GenerationTest {
protected:
    void GenerateWith(const std::string& templ, std::vector<PictureVariants> variants) {
        GapPageBuffer page;
        page.Load(templ);
        const auto role = RecognizeTemplate(page);
        ASSERT_TRUE(role.has_value()) << templ;
        PageContext context{job, images};
        context.variants = std::move(variants);
        GeneratePage(page, role->kind, role->role, context);
    }

    static PictureVariants Made() {
        PictureVariants made;
        made.largeWidth = 1024;
        made.webpWidths = {640, 1280, 2048};
        made.jpegWidths = {640, 1280, 2048};
        made.doubleThumbnailWebp = made.doubleThumbnailJpeg = true;
        return made;
    }
};

}  // namespace

TEST_F(VariantTags, PicturePagesListTheLargeVariantsAsSrcsets) {
    images.Add("/photos/a b,c.tif");
    images.Add("/photos/d.jpg");
    PictureVariants gifOnly;
    gifOnly.largeWidth = 800;
    GenerateWith("<MAIN-INDEX-PAGE><PAGE> PICTURE|WEBPWIDTHS|JPEGWIDTHS|WEBPWIDTHS", {Made(), gifOnly});
    // Names are spelled as PICTURE spells them (a comma inside an address is part of it), so a
    // browser meeting a.jpg in the list and in a src holds one file under one address.
    EXPECT_EQ(Page("imagepage1.htm"),
              " a%20b,c.jpg|"
              "a%20b,c-640w.webp 640w, a%20b,c-1280w.webp 1280w, a%20b,c-2048w.webp 2048w|"
              "a%20b,c-640w.jpg 640w, a%20b,c.jpg 1024w, a%20b,c-1280w.jpg 1280w, "
              "a%20b,c-2048w.jpg 2048w|WEBPWIDTHS");
    // Without WebP files the WebP list names the designed file, so the markup stays valid.
    EXPECT_EQ(Page("imagepage2.htm"), " d.jpg|d.jpg 800w|d.jpg 800w|WEBPWIDTHS");
}

TEST_F(VariantTags, ALargePictureWiderThanEveryWebpFileTopsTheWebpList) {
    images.Add("/photos/a.jpg");
    PictureVariants kept;  // the large picture at the photo's size, 4000 pixels wide
    kept.largeWidth = 4000;
    kept.webpWidths = {960, 1920};
    kept.jpegWidths = {960, 1920};
    GenerateWith("<MAIN-INDEX-PAGE><PAGE> WEBPWIDTHS|JPEGWIDTHS", {kept});
    EXPECT_EQ(
        Page("imagepage1.htm"),
        " a-960w.webp 960w, a-1920w.webp 1920w, a.jpg 4000w|a-960w.jpg 960w, a-1920w.jpg 1920w, a.jpg 4000w");
}

// The JPEG file at twice a desktop limit (made as JPEG for speed) tops the WebP list, under the
// name the JPEG list gives it, with a comma-led name spelled as everywhere else.
TEST_F(VariantTags, TheJpegFileAtTwiceTheLimitTopsTheWebpList) {
    images.Add("/photos/a.jpg");
    images.Add("/photos/,b.jpg");
    PictureVariants limited;
    limited.largeWidth = 1024;
    limited.webpWidths = {800, 1024};
    limited.jpegWidths = {800, 2048};
    limited.wideJpegWidth = 2048;
    PictureVariants webpOnly = limited;
    webpOnly.jpegWidths.clear();
    GenerateWith("<MAIN-INDEX-PAGE><PAGE> WEBPWIDTHS|JPEGWIDTHS", {limited, webpOnly});
    EXPECT_EQ(Page("imagepage1.htm"),
              " a-800w.webp 800w, a-1024w.webp 1024w, a-2048w.jpg 2048w|a-800w.jpg 800w, a.jpg 1024w, "
              "a-2048w.jpg 2048w");
    EXPECT_EQ(Page("imagepage2.htm"),
              " ./,b-800w.webp 800w, ./,b-1024w.webp 1024w, ./,b-2048w.jpg 2048w|./,b.jpg 1024w");
}

// A leading comma would be read as the list's separator and dropped from the address: such a
// name is written "./,..." (the same address), in every list and wherever the picture tops one.
TEST_F(VariantTags, ANameStartingWithACommaKeepsItInEveryList) {
    images.Add("/photos/,dunes, north.jpg");
    PictureVariants kept = Made();
    kept.largeWidth = 4000;
    GenerateWith("<MAIN-INDEX-PAGE><PAGE> PICTURE|WEBPWIDTHS|JPEGWIDTHS", {kept});
    EXPECT_EQ(Page("imagepage1.htm"),
              " ,dunes,%20north.jpg|"
              "./,dunes,%20north-640w.webp 640w, ./,dunes,%20north-1280w.webp 1280w, "
              "./,dunes,%20north-2048w.webp 2048w, ./,dunes,%20north.jpg 4000w|"
              "./,dunes,%20north-640w.jpg 640w, ./,dunes,%20north-1280w.jpg 1280w, "
              "./,dunes,%20north-2048w.jpg 2048w, ./,dunes,%20north.jpg 4000w");
    // Thumbnails start with "thn_": their commas need nothing.
    GenerateWith("<FRAME-MAIN-LIST-IMAGE><LIST><BEGINTABLE>THUMBNAIL|WEBPTHUMBS|JPEGTHUMBS<ENDTABLE>",
                 {kept});
    EXPECT_EQ(Page("listpage.htm"),
              "thn_,dunes,%20north.jpg|thn_,dunes,%20north.jpg, thn_,dunes,%20north@2x.webp 2x|"
              "thn_,dunes,%20north.jpg, thn_,dunes,%20north@2x.jpg 2x");
}

TEST_F(VariantTags, ThumbnailSlotsEachGetTheirOwnPicture) {
    SetPictures(3);
    PictureVariants webpOnly;  // the style asked for the WebP list alone
    webpOnly.doubleThumbnailWebp = true;
    GenerateWith(
        "<MAIN-INDEX-PAGE><INDEX>"
        "[THUMBNAIL WEBPTHUMBS JPEGTHUMBS LINKTOPAGE][THUMBNAIL WEBPTHUMBS JPEGTHUMBS LINKTOPAGE]",
        {Made(), webpOnly, PictureVariants{}});
    EXPECT_EQ(Page("indexpage1.htm"),
              "[thn_p1.jpg thn_p1.jpg, thn_p1@2x.webp 2x "
              "thn_p1.jpg, thn_p1@2x.jpg 2x  HREF=\"imagepage1.htm\" ]"
              "[thn_p2.jpg thn_p2.jpg, thn_p2@2x.webp 2x thn_p2.jpg  HREF=\"imagepage2.htm\" ]");
    EXPECT_EQ(Page("indexpage2.htm"),
              "[thn_p3.jpg thn_p3.jpg thn_p3.jpg  HREF=\"imagepage3.htm\" ]"
              "[empty.gif empty.gif empty.gif ]");
}

TEST_F(VariantTags, EveryLayoutFillsThemAndTemplatesWithoutThemAreUntouched) {
    images.Add("/photos/a.jpg");
    GenerateWith("<MAIN-SMALL-LARGE><LARGE> PICTURE JPEGWIDTHS", {Made()});
    EXPECT_EQ(Page("largepage1.htm"),
              " a.jpg a-640w.jpg 640w, a.jpg 1024w, a-1280w.jpg 1280w, a-2048w.jpg 2048w");
    GenerateWith("<MAIN-SMALL-LARGE><SMALL> THUMBNAIL JPEGTHUMBS", {Made()});
    EXPECT_EQ(Page("smallpage1.htm"), " thn_a.jpg thn_a.jpg, thn_a@2x.jpg 2x");
    GenerateWith("<FRAME-MAIN-LIST-IMAGE><IMAGE> PICTURE WEBPWIDTHS", {Made()});
    EXPECT_EQ(Page("imagepage1.htm"), " a.jpg a-640w.webp 640w, a-1280w.webp 1280w, a-2048w.webp 2048w");
    GenerateWith("<FRAME-MAIN-LIST-IMAGE><LIST><BEGINTABLE>THUMBNAIL WEBPTHUMBS<ENDTABLE>", {Made()});
    EXPECT_EQ(Page("listpage.htm"), "thn_a.jpg thn_a.jpg, thn_a@2x.webp 2x");
    // A template that uses none keeps a picture's name as it is, even one that spells a placeholder.
    images.RemoveAll();
    images.Add("/photos/WEBPWIDTHS.jpg");
    GenerateWith("<MAIN-INDEX-PAGE><PAGE> PICTURE", {Made()});
    EXPECT_EQ(Page("imagepage1.htm"), " WEBPWIDTHS.jpg");
}

// The size placeholders stand wherever PICTURE does, every occurrence of them, even before PICTURE
// (whose name begins theirs) and in a picture named like them; pictures of unknown size get 0.
TEST_F(VariantTags, TheLargePicturesSizeFillsEveryOccurrenceOnEveryPicturePage) {
    images.Add("/photos/PICTUREWIDTH.jpg");
    images.Add("/photos/b.jpg");
    images.Add("/photos/c.jpg");
    PictureVariants portrait;
    portrait.largeWidth = 768;
    portrait.largeHeight = 1024;
    PictureVariants wide;
    wide.largeWidth = 1600;
    wide.largeHeight = 900;
    const std::string templ = "PICTUREWIDTHxPICTUREHEIGHT PICTURE PICTUREHEIGHT/PICTUREWIDTH IMFILENAME";
    GenerateWith("<MAIN-INDEX-PAGE><PAGE> " + templ, {portrait, wide});
    EXPECT_EQ(Page("imagepage1.htm"), " 768x1024 PICTUREWIDTH.jpg 1024/768 PICTUREWIDTH.jpg");
    EXPECT_EQ(Page("imagepage2.htm"), " 1600x900 b.jpg 900/1600 b.jpg");
    EXPECT_EQ(Page("imagepage3.htm"), " 0x0 c.jpg 0/0 c.jpg");
    GenerateWith("<MAIN-SMALL-LARGE><LARGE> " + templ, {portrait, wide});
    EXPECT_EQ(Page("largepage2.htm"), " 1600x900 b.jpg 900/1600 b.jpg");
    GenerateWith("<FRAME-MAIN-LIST-IMAGE><IMAGE> PICTUREHEIGHT PICTURE PICTUREWIDTH", {portrait, wide});
    EXPECT_EQ(Page("imagepage1.htm"), " 1024 PICTUREWIDTH.jpg 768");
    // Thumbnail pages show no large picture: the words stay as they are there.
    GenerateWith("<MAIN-SMALL-LARGE><SMALL> THUMBNAIL PICTUREWIDTH", {portrait, wide});
    EXPECT_EQ(Page("smallpage2.htm"), " thn_b.jpg PICTUREWIDTH");
    EXPECT_EQ(TemplateVariantRequest("<img height=\"PICTUREHEIGHT\">"),
              (VariantRequest{false, false, false, false, true}));
}

// The bundled styles offer WebP files at several sizes beside the designed JPEG pictures; JPEG
// lists, which only browsers without WebP would use, would cost a publish more encoding time.
TEST(VariantRequests, TheBundledStylesAskForTheWebpLists) {
    for (const char* style : {"Classic", "Frames", "Slides"}) {
        EXPECT_EQ(StyleVariantRequest(std::string(GALVANE_STYLES_DIR) + "/###" + style),
                  (VariantRequest{true, false, true, false, true}))
            << style;
    }
}

TEST(VariantRequests, AStyleAsksByUsingThePlaceholdersInItsTemplates) {
    EXPECT_FALSE(TemplateVariantRequest("<img src=\"PICTURE\"> THUMBNAIL").Any());
    EXPECT_EQ(TemplateVariantRequest("WEBPWIDTHS JPEGTHUMBS"), (VariantRequest{true, false, false, true}));
    TempFolder style;
    style.Write("a.htm", "JPEGWIDTHS");
    style.Write("b.html", "WEBPTHUMBS");
    style.Write("c.css", "WEBPWIDTHS");  // not a template
    EXPECT_EQ(StyleVariantRequest(style.path()), (VariantRequest{false, true, true, false}));
    EXPECT_FALSE(StyleVariantRequest("").Any());
}
