#include "cli/publish_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::optional<PublishOptions> Parse(std::vector<const char*> args, std::string* error = nullptr) {
    args.insert(args.begin(), "galvane-publish");
    std::string message;
    auto options = ParsePublishOptions(static_cast<int>(args.size()), args.data(), message);
    if (error != nullptr) {
        *error = message;
    }
    return options;
}

TEST(PublishOptions, VersionAndHelpPublishNothing) {
    for (const char* option : {"--version", "--help", "-h"}) {
        const auto o = Parse({"--source", "pictures", option});
        ASSERT_TRUE(o) << option;
        EXPECT_FALSE(o->Publishes()) << option;
    }
    EXPECT_TRUE(Parse({"--version"})->version);
    EXPECT_FALSE(Parse({"--help"})->version);
}

TEST(PublishOptions, DefaultsAreTheWizardsProposals) {
    const auto o = Parse({});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->title, "Gallery");
    EXPECT_EQ(o->name, "Image gallery");
    EXPECT_EQ(o->commentary, "This my image gallery for you and your friends.");
    EXPECT_EQ(o->bgColor, 0x00FFFFFFu);
    EXPECT_EQ(o->textColor, 0u);
    EXPECT_EQ(std::make_pair(o->thumbWidth, o->thumbHeight), std::make_pair(100, 100));
    EXPECT_EQ(std::make_pair(o->largeWidth, o->largeHeight), std::make_pair(0, 0));
    EXPECT_EQ(o->quality, 75);
}

TEST(PublishOptions, ValuesAreParsed) {
    const auto o = Parse({"--bg-color", "99663A", "--text-color", "#0c0b0a", "--thumb", "120X90", "--large",
                          "640x0", "--quality", "90", "--title", "Trip", "--use-original", "--quiet"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->bgColor, MakeColorRef(0x99, 0x66, 0x3A));
    EXPECT_EQ(o->textColor, MakeColorRef(0x0C, 0x0B, 0x0A));
    EXPECT_EQ(std::make_pair(o->thumbWidth, o->thumbHeight), std::make_pair(120, 90));
    EXPECT_EQ(std::make_pair(o->largeWidth, o->largeHeight), std::make_pair(640, 0));
    EXPECT_EQ(o->quality, 90);
    EXPECT_TRUE(o->useOriginal && o->quiet);
    EXPECT_EQ(o->title, "Trip");
}

TEST(PublishOptions, GifMeansQualityZeroWhereverItStands) {
    EXPECT_EQ(Parse({"--gif", "--quality", "80"})->quality, 0);
    EXPECT_EQ(Parse({"--quality", "0"})->quality, 0);
}

TEST(PublishOptions, ConnectionsFromOneToEightWithFourUnlessGiven) {
    EXPECT_EQ(Parse({})->connections, 4);
    EXPECT_EQ(Parse({"--connections", "1"})->connections, 1);
    EXPECT_EQ(Parse({"--connections", "8"})->connections, 8);
    EXPECT_FALSE(Parse({"--connections", "2.5"}));
}

TEST(PublishOptions, MalformedInputIsRefusedWithTheOptionNamed) {
    std::string error;
    for (const std::vector<const char*>& args :
         std::vector<std::vector<const char*>>{{"--bg-color", "fffff"},
                                               {"--bg-color", "ggffff"},
                                               {"--text-color", "12345678"},
                                               {"--thumb", "100"},
                                               {"--thumb", "-5x10"},
                                               {"--large", "10x"},
                                               {"--large", "x10"},
                                               {"--quality", "101"},
                                               {"--quality", "7.5"},
                                               {"--quality", ""},
                                               {"--thumb", "99999999999x1"},
                                               {"--title"},
                                               {"--bogus"}}) {
        EXPECT_FALSE(Parse(args, &error)) << args[0];
        EXPECT_NE(error.find(args[0]), std::string::npos) << error;
    }
}

}  // namespace

namespace {

// Each refusal names the option, the form it takes, and the value that was given.
TEST(PublishOptions, ARefusedValueSaysWhatTheOptionTakes) {
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"--quality", "150"}, "--quality takes 0 to 100 (got \"150\")"},
        {{"--large", "800"}, "--large takes WIDTHxHEIGHT, for example 1024x768 (got \"800\")"},
        {{"--thumb", "wide"},
         "--thumb takes WIDTHxHEIGHT, for example 100x100 (0 means no limit that way) "
         "(got \"wide\")"},
        {{"--bg-color", "red"}, "--bg-color takes RRGGBB in hexadecimal, for example ffffff (got \"red\")"},
        {{"--quality"}, "--quality needs a value: 0 to 100"},
        {{"--title"}, "--title needs a value"},
        {{"--connections", "0"}, "--connections takes a whole number from 1 to 8 (got \"0\")"},
        {{"--connections", "9"}, "--connections takes a whole number from 1 to 8 (got \"9\")"},
        {{"--connections"}, "--connections needs a value: a whole number from 1 to 8"},
        {{"--bogus"}, "unknown option --bogus"},
        {{"photos"}, "unexpected argument \"photos\": every value follows its option"},
    };
    for (const auto& [args, expected] : cases) {
        std::string error;
        EXPECT_FALSE(Parse(args, &error));
        EXPECT_EQ(error, expected);
        const std::string line = UsageErrorLine(error);
        EXPECT_EQ(line, "galvane-publish: " + expected + ". Try 'galvane-publish --help'.");
        EXPECT_EQ(line.find('\n'), std::string::npos);
    }
}

}  // namespace
