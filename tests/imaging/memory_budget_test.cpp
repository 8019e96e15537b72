// The memory budget of the conversion: what Vimbral estimates a picture costs, how PixelBudget
// hands out reservations, and conversions of pictures whose headers claim huge sizes.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "engine/directory.h"
#include "imaging/conversion.h"
#include "imaging/pixel_budget.h"
#include "imaging/vimbral/vimbral.h"

#include "tests/imaging/test_pictures.h"

namespace {

constexpr std::int64_t kMegabyte = 1 << 20;

// A progressive JPEG of a few hundred bytes whose frame header claims width x height.
std::string CraftedJpegBytes(int width, int height) {
    TempFolder scratch;
    const std::string small =
        MakeWithMagick(scratch, "small.jpg", 48, 48, "-interlace JPEG -sampling-factor 2x2", Noise);
    return WithJpegSize(ReadFile(small), width, height);
}

std::int64_t PeakMemoryOf(const std::string& path, int width, int height) {
    vimbral::Image image = vimbral::InitImageObject(path.c_str(), nullptr, -1, -1);
    const std::int64_t bytes = vimbral::GetPeakMemory(image, width, height, vimbral::kFormatJpeg);
    vimbral::DeleteImageObject(image);
    return bytes;
}

TEST(PeakMemory, AProgressiveHeaderCostsItsClaimedSizeHoweverSmallTheResult) {
    TempFolder folder;
    const std::string progressive = folder.Write("p.jpg", CraftedJpegBytes(29000, 6800));
    const std::string baseline =
        folder.Write("b.jpg", WithJpegSize(ReadFile(MakeJpeg(folder, "s.jpg", 48, 48)), 29000, 6800));
    ASSERT_EQ(SizeOf(progressive), (Size{29000, 6800}));
    // libjpeg keeps 2 bytes per sample of a 4:2:0 picture: 3 bytes per pixel.
    const std::int64_t coefficients = std::int64_t{29000} * 6800 * 3;
    EXPECT_GE(PeakMemoryOf(progressive, 640, 150), coefficients);
    EXPECT_LT(PeakMemoryOf(progressive, 640, 150), coefficients * 11 / 10);
    // A baseline JPEG is decoded a strip at a time.
    EXPECT_LT(PeakMemoryOf(baseline, 640, 150), 20 * kMegabyte);
    // Decoding into memory at full size costs the result too.
    EXPECT_GE(PeakMemoryOf(baseline, 29000, 6799), std::int64_t{29000} * 6799 * 3);
}

TEST(PixelBudgetTest, ServesInOrderRefusesWhatCanNeverFitAndGivesUpWhenStopped) {
    PixelBudget budget(100);
    const auto never = [] { return false; };
    EXPECT_FALSE(budget.Reserve(101, never));
    auto first = budget.Reserve(60, never);
    ASSERT_TRUE(first);
    // 50 waits for the first; 10, asked later, would fit now but waits its turn behind the 50,
    // which holds its share until the 10 is served: the 10 then sees both.
    std::atomic<int> served{0};
    std::atomic<bool> tenDone{false};
    std::int64_t reservedWhenTenServed = 0;
    std::thread fifty([&] {
        auto r = budget.Reserve(50, never);
        ++served;
        while (!tenDone) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the 50 asks first
    std::thread ten([&] {
        auto r = budget.Reserve(10, never);
        reservedWhenTenServed = budget.Reserved();
        ++served;
        tenDone = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(served, 0);
    first.reset();
    fifty.join();
    ten.join();
    EXPECT_EQ(reservedWhenTenServed, 60);
    EXPECT_EQ(budget.Reserved(), 0);
    EXPECT_LE(budget.Peak(), 100);

    // A request that gives up leaves the queue: the one behind it is served.
    auto big = budget.Reserve(90, never);
    std::atomic<bool> stop{false};
    std::optional<PixelBudget::Reservation> stopped;
    std::thread waiting([&] { stopped = budget.Reserve(50, [&] { return stop.load(); }); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stop = true;
    waiting.join();
    EXPECT_FALSE(stopped);
    EXPECT_TRUE(budget.Reserve(10, never));
}

struct NoProgress : ProgressSink {
    void SetProgress(int, int) override {}
};

class CraftedHeaders : public ::testing::Test {
protected:
    CraftedHeaders() : source(folder.MakeFolder("src")) {
        job.m_strSourceFolder = source;
        job.m_nThumbMaxWidth = 100;
        job.m_nThumbMaxHeight = 100;
        job.m_nLargeMaxWidth = 640;
        job.m_nLargeMaxHeight = 480;
        job.m_nJpegQuality = 75;
        for (int i = 0; i < 3; ++i) {
            const std::string name = "photo" + std::to_string(i) + ".jpg";
            std::filesystem::copy_file(MakeJpeg(folder, name, 900, 600), JoinPath(source, name));
            images.Add(JoinPath(source, name));
        }
    }

    void AddCrafted(const std::string& name, int width, int height) {
        images.Add(folder.Write("src/" + name, CraftedJpegBytes(width, height)));
    }

    // Converts on `workers` workers into a fresh folder; returns the converter's refusals.
    std::vector<VimbralConverter::Refusal> Convert(unsigned workers, PixelBudget& budget) {
        job.m_strDestFolder = folder.MakeFolder("dest" + std::to_string(++runs));
        NoProgress progress;
        std::atomic<bool> cancel{false};
        VimbralConverter converter(workers, &budget);
        budget.ResetPeak();
        converter.ConvertImages(job, images, progress, cancel);
        EXPECT_EQ(budget.Reserved(), 0);
        EXPECT_LE(budget.Peak(), budget.Capacity());
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(SizeOf(JoinPath(job.m_strDestFolder, "photo" + std::to_string(i) + ".jpg")),
                      (Size{640, 426}));
        }
        return converter.RefusedPictures();
    }

    std::string Out(const std::string& name) const { return JoinPath(job.m_strDestFolder, name); }

    TempFolder folder;
    std::string source;
    GalleryJob job;
    ImageList images;
    int runs = 0;
};

TEST_F(CraftedHeaders, TheProcessBudgetConvertsThemOneAtATimeOnAnyNumberOfWorkers) {
    AddCrafted("crafted1.jpg", 29000, 6800);
    AddCrafted("crafted2.jpg", 29000, 6800);
    const std::int64_t cost = std::int64_t{29000} * 6800 * 3;  // the coefficients alone
    PixelBudget& budget = PixelBudget::Process();
    ASSERT_LT(budget.Capacity(), 1024 * kMegabyte);
    for (const unsigned workers : {2u, 16u}) {
        SCOPED_TRACE(workers);
        EXPECT_TRUE(Convert(workers, budget).empty());
        EXPECT_EQ(SizeOf(Out("crafted1.jpg")), (Size{640, 150}));
        EXPECT_EQ(SizeOf(Out("thn_crafted2.jpg")), (Size{100, 23}));
        // Each was accounted for, and never two at once.
        EXPECT_GE(budget.Peak(), cost);
        EXPECT_LT(budget.Peak(), 2 * cost);
    }
}

TEST_F(CraftedHeaders, APictureBeyondTheBudgetIsRefusedWithAReasonAndTheRestStillConverted) {
    AddCrafted("huge.jpg", 29000, 6800);
    AddCrafted("big1.jpg", 4000, 3000);
    AddCrafted("big2.jpg", 4000, 3000);
    AddCrafted("big3.jpg", 4000, 3000);
    const std::int64_t bigCost = std::int64_t{4000} * 3000 * 3;
    PixelBudget budget(64 * kMegabyte);
    for (const unsigned workers : {2u, 16u}) {
        SCOPED_TRACE(workers);
        const auto refused = Convert(workers, budget);
        ASSERT_EQ(refused.size(), 1u);
        EXPECT_EQ(refused[0].path, JoinPath(source, "huge.jpg"));
        EXPECT_NE(refused[0].reason.find("MB of memory"), std::string::npos) << refused[0].reason;
        EXPECT_FALSE(FileExists(Out("huge.jpg")));
        EXPECT_FALSE(FileExists(Out("thn_huge.jpg")));
        for (const char* name : {"big1.jpg", "big2.jpg", "big3.jpg"}) {
            EXPECT_EQ(SizeOf(Out(name)), (Size{640, 480}));
        }
        // The big ones fit one at a time beside the photographs.
        EXPECT_GE(budget.Peak(), bigCost);
        EXPECT_LT(budget.Peak(), 2 * bigCost);
    }
}

}  // namespace
