#include "engine/template_markers.h"

#include <gtest/gtest.h>

#include "engine/gap_page_buffer.h"

namespace {

std::optional<TemplateRole> Recognize(std::string_view text) {
    GapPageBuffer page;
    page.Load(text);
    return RecognizeTemplate(page);
}

void ExpectRole(std::string_view text, int kind, int role) {
    const auto found = Recognize(text);
    ASSERT_TRUE(found.has_value()) << text;
    EXPECT_EQ(found->kind, kind) << text;
    EXPECT_EQ(found->role, role) << text;
}

TEST(RecognizeTemplate, EveryKindAndRole) {
    ExpectRole("<MAIN-INDEX-PAGE><MAIN>", 0, 0);
    ExpectRole("x <INDEX> y <MAIN-INDEX-PAGE>", 0, 1);
    ExpectRole("<PAGE><MAIN-INDEX-PAGE>", 0, 2);
    ExpectRole("<FRAME-MAIN-LIST-IMAGE><FRM>", 1, 0);
    ExpectRole("<FRAME-MAIN-LIST-IMAGE><MAIN>", 1, 1);
    ExpectRole("<FRAME-MAIN-LIST-IMAGE><LIST>", 1, 2);
    ExpectRole("<FRAME-MAIN-LIST-IMAGE><IMAGE>", 1, 3);
    ExpectRole("<FRAME-MAIN-LIST-IMAGE><TOP>", 1, 4);
    ExpectRole("<MAIN-SMALL-LARGE><MAIN>", 2, 0);
    ExpectRole("<MAIN-SMALL-LARGE><SMALL>", 2, 1);
    ExpectRole("<MAIN-SMALL-LARGE><LARGE>", 2, 2);
}

TEST(RecognizeTemplate, TableOrderDecidesNotTextOrder) {
    // Both kind markers: the first kind in table order wins, wherever it stands.
    ExpectRole("<MAIN-SMALL-LARGE><SMALL> <MAIN-INDEX-PAGE><INDEX>", 0, 1);
    // Within a kind the first role in table order wins.
    ExpectRole("<MAIN-INDEX-PAGE><PAGE><INDEX>", 0, 1);
    ExpectRole("<FRAME-MAIN-LIST-IMAGE><LIST> mentions <MAIN>", 1, 1);
}

TEST(RecognizeTemplate, NoTemplateCases) {
    EXPECT_FALSE(Recognize("plain page").has_value());
    EXPECT_FALSE(Recognize("<main-index-page><main>").has_value());
    EXPECT_FALSE(Recognize("<MAIN-INDEX-PAGE><main>").has_value());
    // A kind marker without any of its own roles stops the search: no later kind is tried.
    EXPECT_FALSE(Recognize("<MAIN-INDEX-PAGE><SMALL><MAIN-SMALL-LARGE>").has_value());
    EXPECT_FALSE(Recognize("<INDEXES><PAGES><IMAGES><MAIN-INDEX-PAGE>").has_value());
    EXPECT_FALSE(Recognize(std::string("\0\xff\xfe<MAIN-INDEX-PAGE", 20)).has_value());
}

TEST(MarkerTable, OutOfRangeCellsAreEmpty) {
    EXPECT_TRUE(KindMarker(3).empty());
    EXPECT_TRUE(KindMarker(-1).empty());
    EXPECT_TRUE(RoleMarker(0, 3).empty());
    EXPECT_TRUE(RoleMarker(1, 5).empty());
    EXPECT_EQ(RoleMarker(1, 4), "<TOP>");
}

}  // namespace
