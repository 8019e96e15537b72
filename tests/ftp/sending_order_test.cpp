// The order in which several logins take the files: every file once, the large ones spread among the
// small ones, each folder's files together, and the files the server holds already first.
#include <gtest/gtest.h>

#include <algorithm>

#include "ftp/sending_order.h"

namespace {

TEST(SendingOrder, TakesEveryFileOnceAndSpreadsTheLargeOnesAmongTheSmall) {
    // As a gallery lists them: the large pictures together, then the pages.
    std::vector<SendingItem> items;
    for (int i = 0; i < 4; ++i) {
        items.push_back({"photo" + std::to_string(i) + ".jpg", 1000 + i});
    }
    for (int i = 0; i < 12; ++i) {
        items.push_back({"page" + std::to_string(i) + ".htm", 10 + i});
    }
    const std::vector<int> order = SendingOrder(items);

    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> everyPosition(items.size());
    for (std::size_t i = 0; i < everyPosition.size(); ++i) {
        everyPosition[i] = static_cast<int>(i);
    }
    EXPECT_EQ(sorted, everyPosition);

    // One large file in every four taken, so that four logins have about one each at any time; the
    // largest first, and the smallest pages between them.
    std::vector<int> largeAt;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (items[static_cast<std::size_t>(order[k])].size >= 1000) {
            largeAt.push_back(static_cast<int>(k));
        }
    }
    EXPECT_EQ(largeAt, (std::vector<int>{0, 4, 8, 12}));
    EXPECT_EQ(order[0], 3);
    EXPECT_EQ(order[1], 4);  // page0.htm, the smallest
    EXPECT_EQ(order[2], 5);

    // Files of one size keep the list's order.
    const std::vector<int> same = SendingOrder({{"a.htm", 5}, {"b.htm", 5}, {"c.htm", 5}});
    EXPECT_EQ(same, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(SendingOrder({}).empty());
}

TEST(SendingOrder, KeepsEachFolderTogetherAndPutsWhatIsNotSentFirst) {
    const std::vector<SendingItem> items = {
        {"a.htm", 10, true},           {"b.jpg", 900, false},   {"c.jpg", 1000, true},
        {"sub/x.jpg", 500, true},      {"sub/y.htm", 5, false}, {"sub/z.jpg", 600, true},
        {"d.htm", 20, true},  // the login folder again, after "sub": a run of its own
        {"sub/deeper/w.htm", 1, true},
    };
    EXPECT_EQ(SendingOrder(items), (std::vector<int>{1, 2, 0, 4, 5, 3, 6, 7}));
}

}  // namespace
