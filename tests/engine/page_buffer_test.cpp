#include "engine/gap_page_buffer.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/naive_page_buffer.h"
#include "tests/support/temp_folder.h"

namespace {

// Drives the fast buffer and the reference with the same random edits and compares every search.
// Patterns share prefixes and overlap themselves so that edits create and destroy matches at their
// edges, which is where remembered positions go wrong.
class BufferPair {
public:
    void Load(const std::string& text) {
        fast.Load(text);
        naive.Load(text);
    }
    std::ptrdiff_t Find(std::string_view pattern) {
        const auto expected = naive.Find(pattern);
        EXPECT_EQ(fast.Find(pattern), expected) << "pattern " << pattern;
        return expected;
    }
    void Replace(std::size_t s, std::size_t e, std::string_view text) {
        fast.Replace(s, e, text);
        naive.Replace(s, e, text);
    }
    void Repeat(std::size_t s, std::size_t e, std::size_t n) {
        fast.RepeatRange(s, e, n);
        naive.RepeatRange(s, e, n);
    }
    GapPageBuffer fast{0};  // remembers from the first byte, so every search takes that path
    NaivePageBuffer naive;
};

const std::vector<std::string> kPatterns = {"AB",    "ABA",  "BAB", "AAAA", "THUMBNAIL",
                                            "THUMB", "NAIL", "B",   "ABAB"};

std::string RandomText(std::mt19937& rng, std::size_t length) {
    static const std::string pieces[] = {
        "A", "B", "AB", "THUMB", "NAIL", "THUMBNAIL", "x", "\n", std::string(1, '\0')};
    std::string text;
    while (text.size() < length) {
        text += pieces[rng() % std::size(pieces)];
    }
    return text;
}

TEST(GapPageBuffer, RandomEditsAgreeWithSearchingFromTheStart) {
    std::mt19937 rng(20261207);
    for (int trial = 0; trial < 300; ++trial) {
        BufferPair pair;
        if (trial % 3 == 0) {
            pair.fast = GapPageBuffer(64);  // some pages cross the size where remembering starts
        }
        pair.Load(RandomText(rng, rng() % 200));
        for (int step = 0; step < 60; ++step) {
            const std::string& pattern = kPatterns[rng() % kPatterns.size()];
            const std::size_t size = pair.naive.Size();
            switch (rng() % 4) {
                case 0: {  // replace the first occurrence, as placeholders are
                    const auto p = pair.Find(pattern);
                    if (p >= 0) {
                        pair.Replace(static_cast<std::size_t>(p),
                                     static_cast<std::size_t>(p) + pattern.size(),
                                     RandomText(rng, rng() % 12));
                    }
                    break;
                }
                case 1: {  // an edit anywhere
                    const std::size_t s = size ? rng() % (size + 1) : 0;
                    const std::size_t e = s + (size > s ? rng() % std::min<std::size_t>(size - s + 1, 8) : 0);
                    pair.Replace(s, e, RandomText(rng, rng() % 6));
                    break;
                }
                case 2: {
                    if (size > 2 && rng() % 4 == 0) {
                        const std::size_t s = rng() % (size - 1);
                        pair.Repeat(s, s + 1 + rng() % std::min<std::size_t>(size - s - 1, 10), rng() % 4);
                    }
                    break;
                }
                default:
                    pair.Find(pattern);
            }
            ASSERT_EQ(pair.fast.Size(), pair.naive.Size());
        }
        ASSERT_EQ(pair.fast.Text(), pair.naive.Text()) << "trial " << trial;
    }
}

TEST(GapPageBuffer, SearchesAcrossTheGap) {
    GapPageBuffer page{0};
    page.Load("aaaaTHUMBNAILbbbb");
    page.Replace(2, 2, "");  // gap now sits at 2
    page.Replace(8, 8, "");  // gap inside the word
    EXPECT_EQ(page.Find("THUMBNAIL"), 4);
    page.Replace(4, 13, "x");
    EXPECT_EQ(page.Find("THUMBNAIL"), PageBuffer::kNotFound);
    page.Replace(5, 5, "THUMB");
    page.Replace(10, 10, "NAIL");
    EXPECT_EQ(page.Find("THUMBNAIL"), 5);
    EXPECT_EQ(page.Text(), "aaaaxTHUMBNAILbbbb");
}

TEST(GapPageBuffer, CarriesBinaryTextUnchangedAndWritesItByteForByte) {
    std::string binary;
    for (int i = 0; i < 256; ++i) {
        binary += static_cast<char>(i);
    }
    binary += "TITLEOFPAGE\xc3\x28\xff";
    GapPageBuffer page;
    page.Load(binary);
    ASSERT_TRUE(page.ReplacePlaceholder("TITLEOFPAGE", std::string("\0t\0", 3)));
    TempFolder dir;
    ASSERT_TRUE(page.WriteTo(dir / "out.htm"));
    std::string expected = binary;
    expected.replace(256, 11, std::string("\0t\0", 3));
    EXPECT_EQ(ReadFile(dir / "out.htm"), expected);
    EXPECT_FALSE(page.WriteTo(dir / "missing/folder/out.htm"));
}

TEST(GapPageBuffer, ManyForwardReplacementsStayLinear) {
    // 200,000 placeholders replaced one after the other, each searched from the start: a buffer
    // that rescanned or moved the whole text each time would take hours here.
    std::string text;
    for (int i = 0; i < 200000; ++i) {
        text += "<td>THUMBNAIL</td>\n";
    }
    GapPageBuffer page;
    page.Load(text);
    int replaced = 0;
    while (page.ReplacePlaceholder("THUMBNAIL", "thn_picture.jpg")) {
        page.Find("THFILENAME");
        ++replaced;
    }
    EXPECT_EQ(replaced, 200000);
    EXPECT_EQ(page.Size(), text.size() + 200000u * 6u);
}

TEST(ReadWholeFile, ReadsBytesAndReportsMissingFiles) {
    TempFolder dir;
    const std::string path = dir.Write("t.htm", std::string("a\0b\r\n", 5));
    std::string text;
    ASSERT_TRUE(ReadWholeFile(path, text));
    EXPECT_EQ(text, std::string("a\0b\r\n", 5));
    EXPECT_FALSE(ReadWholeFile(dir / "none.htm", text));
    EXPECT_TRUE(text.empty());
}

}  // namespace
