// The lines that close an upload, for the cases a real run is slow or awkward to reach: one file,
// an empty folder, removals, files changed on the server.
#include <gtest/gtest.h>

#include "ftp/upload_status_texts.h"

namespace {

using upload_status::UploadCounts;
using upload_status::UploadSummary;

UploadResult Ended(bool completed, int sent, int skipped, int failed) {
    UploadResult result;
    result.completed = completed;
    result.sent = sent;
    result.skipped = skipped;
    result.failed = failed;
    return result;
}

UploadResult Removed(UploadResult result, int removed) {
    result.removed = removed;
    return result;
}

TEST(UploadSummary, SaysWhatTheRunDidInOneLine) {
    EXPECT_EQ(UploadSummary(Ended(true, 1, 0, 0)), "1 file sent, 0 unchanged, 0 failed");
    EXPECT_EQ(UploadSummary(Ended(true, 12, 47, 0)), "12 files sent, 47 unchanged, 0 failed");
    EXPECT_EQ(UploadSummary(Ended(true, 0, 47, 0)), "Nothing to send: the server is up to date");
    EXPECT_EQ(UploadSummary(Ended(true, 0, 0, 0)), "Nothing to send: the folder holds no files");
    // A failed file is never "up to date".
    EXPECT_EQ(UploadSummary(Ended(true, 0, 4, 1)), "0 files sent, 4 unchanged, 1 failed");
    EXPECT_EQ(UploadSummary(Ended(false, 0, 0, 0)), "Upload not finished: nothing was sent");
    EXPECT_EQ(UploadSummary(Ended(false, 3, 2, 1)),
              "Upload not finished: 3 files sent, 2 unchanged, 1 failed");
    // Removals count as work done: the server was not up to date.
    EXPECT_EQ(UploadSummary(Removed(Ended(true, 0, 47, 0), 2)), "0 files sent, 47 unchanged, 0 failed, 2 removed");
    EXPECT_EQ(UploadSummary(Removed(Ended(true, 0, 0, 0), 2)), "0 files sent, 0 unchanged, 0 failed, 2 removed");
    for (const UploadResult& result :
         {Ended(true, 5, 5, 5), Ended(false, 1, 0, 1)}) {
        EXPECT_EQ(UploadSummary(result).find('\n'), std::string::npos);
    }
}

TEST(UploadSummary, NamesWhatChangedOnTheServerInBothForms) {
    UploadResult result = Ended(true, 1, 3, 0);
    result.removed = 1;
    result.replacedChanged = {"a.htm", "b.jpg"};
    result.keptChanged = {"c.jpg"};
    const std::string changed = "; replaced, changed on the server: a.htm, b.jpg; kept, changed on the server: c.jpg";
    EXPECT_EQ(UploadSummary(result), "1 file sent, 3 unchanged, 0 failed, 1 removed" + changed);
    EXPECT_EQ(UploadCounts(result), "1 sent, 3 unchanged, 1 removed, 0 failed" + changed);
    // A file kept because someone changed it is news: the server is not simply up to date.
    UploadResult kept = Ended(true, 0, 3, 0);
    kept.keptChanged = {"c.jpg"};
    EXPECT_EQ(UploadSummary(kept), "0 files sent, 3 unchanged, 0 failed; kept, changed on the server: c.jpg");
}

}  // namespace
