// The record an upload keeps on the server, and the plan made from it.
#include <gtest/gtest.h>

#include "ftp/file_hash.h"
#include "ftp/upload_plan.h"
#include "ftp/upload_record.h"

namespace {

const std::string kHashA = Sha256OfBytes("a");
const std::string kHashB = Sha256OfBytes("b");

TEST(UploadRecord, ReadsBackWhatItWroteAndRefusesAnythingDamaged) {
    const UploadRecord record = {{"name with  spaces.htm", {kHashA, 12, 1706745598}},
                                 {"b.jpg", {kHashB, 0, -5}}};
    const std::string text = FormatUploadRecord(record);
    EXPECT_EQ(text.substr(0, text.find('\n')), "galvane-upload-record 1");
    ASSERT_TRUE(ParseUploadRecord(text).has_value());
    EXPECT_EQ(*ParseUploadRecord(text), record);
    EXPECT_EQ(ParseUploadRecord("galvane-upload-record 1\n")->size(), 0u);

    // A name that would split a line is never written.
    EXPECT_EQ(*ParseUploadRecord(FormatUploadRecord({{"bad\nname", {kHashA, 1, 1}}})), UploadRecord{});

    for (const std::string& damaged : std::vector<std::string>{
             std::string(),                                                     // empty
             std::string("galvane-upload-record 2\n"),                          // a later version
             text.substr(0, text.size() - 1),                                   // cut short
             "galvane-upload-record 1\n" + kHashA + " 12 x a.htm\n",            // a time that is no number
             "galvane-upload-record 1\n" + kHashA.substr(1) + " 12 1 a.htm\n",  // a short hash
             "galvane-upload-record 1\n" + kHashA + " 12 1\n",                  // no name
         }) {
        EXPECT_FALSE(ParseUploadRecord(damaged).has_value()) << damaged;
    }
}

PlannedFile Local(const std::string& name, const std::string& hash) {
    return {{"/local/" + name, name, 1, 100}, hash};
}

TEST(UploadPlan, SkipsOnlyWhatTheRecordAndTheListingBothVouchFor) {
    ServerState server;
    server.hasRecord = true;
    server.record = {{"same", {kHashA, 1, 500}},         {"edited", {kHashA, 1, 500}},
                     {"touched", {kHashA, 1, 500}},      {"gone from server", {kHashA, 1, 500}},
                     {"dropped", {kHashA, 1, 500}},      {"dropped, changed", {kHashA, 1, 500}},
                     {"dropped, gone", {kHashA, 1, 500}}};
    server.listing = {{"same", {1, 500, false}},      {"edited", {1, 500, false}},
                      {"touched", {1, 501, false}},   {"another tool's", {1, 500, false}},
                      {"dropped", {1, 500, false}},   {"dropped, changed", {2, 500, false}},
                      {"unreadable", {1, 500, false}}};
    const std::vector<PlannedFile> local = {
        Local("same", kHashA),           Local("edited", kHashB),
        Local("touched", kHashA),        Local("gone from server", kHashA),
        Local("another tool's", kHashA), Local("new", kHashA),
        Local("unreadable", "")};

    const UploadPlan plan = MakeUploadPlan(local, server, {});

    ASSERT_EQ(plan.files.size(), local.size());
    const std::vector<PlanReason> expected = {PlanReason::Unchanged,       PlanReason::ChangedLocally,
                                              PlanReason::ChangedOnServer, PlanReason::NotOnServer,
                                              PlanReason::NotRecorded,     PlanReason::NotOnServer,
                                              PlanReason::NotRecorded};
    for (std::size_t i = 0; i < local.size(); ++i) {
        EXPECT_EQ(plan.files[i].reason, expected[i]) << plan.files[i].file.name;
        EXPECT_EQ(plan.files[i].send, i != 0) << plan.files[i].file.name;
    }
    // Only Galvane's own file, listed as it was left, goes; a changed one stays and is named.
    EXPECT_EQ(plan.removals, std::vector<std::string>{"dropped"});
    EXPECT_EQ(plan.keptChanged, std::vector<std::string>{"dropped, changed"});
    EXPECT_TRUE(plan.carried.empty());

    const UploadPlan kept = MakeUploadPlan(local, server, {false, true});
    EXPECT_TRUE(kept.removals.empty());
    EXPECT_EQ(kept.carried.count("dropped"), 1u);  // still Galvane's for a later upload

    const UploadPlan full = MakeUploadPlan(local, server, {true, false});
    EXPECT_EQ(full.files[0].reason, PlanReason::Full);
    EXPECT_EQ(full.files[2].reason, PlanReason::ChangedOnServer);  // still named
    EXPECT_EQ(full.removals, std::vector<std::string>{"dropped"});
}

TEST(UploadPlan, AListingThatAgedToADateAloneStillMatchesItsRecord) {
    const auto listed = ParseList("-rw-r--r-- 1 o g 5 Jan 31 12:34 a.htm\r\n", 1706745598);  // 2024-01-31
    const auto aged = ParseList("-rw-r--r-- 1 o g 5 Jan 31  2024 a.htm\r\n", 1735689600);    // 2025-01-01
    const RecordedFile recorded{kHashA, 5, listed.at("a.htm").modified};
    EXPECT_TRUE(ListedAsRecorded(listed.at("a.htm"), recorded));
    EXPECT_TRUE(ListedAsRecorded(aged.at("a.htm"), recorded));
    EXPECT_FALSE(ListedAsRecorded(listed.at("a.htm"), {kHashA, 5, recorded.remoteTime + 60}));
    EXPECT_FALSE(ListedAsRecorded(aged.at("a.htm"), {kHashA, 5, recorded.remoteTime + 24 * 3600}));
    EXPECT_FALSE(ListedAsRecorded(aged.at("a.htm"), {kHashA, 6, recorded.remoteTime}));
}

TEST(UploadPlan, WithoutARecordEverythingIsSentAndNothingRemoved) {
    ServerState server;
    server.listing = {{"a", {1, 100, false}}, {"old", {1, 100, false}}};
    // A record read but unusable counts as none: the uploader leaves hasRecord false.
    server.record = {{"old", {kHashA, 1, 100}}};
    const UploadPlan plan = MakeUploadPlan({Local("a", kHashA)}, server, {});
    EXPECT_TRUE(plan.files[0].send);
    EXPECT_TRUE(plan.removals.empty());
    EXPECT_TRUE(plan.keptChanged.empty());
}

}  // namespace
