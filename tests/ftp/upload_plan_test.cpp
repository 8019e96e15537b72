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

// A listing to the minute (LIST, SFTP's long names): the record written at 12:34:50 lists as 12:34.
constexpr std::time_t kRecordMinute = 1706704440;  // 2024-01-31 12:34:00 UTC
constexpr std::time_t kRecordWritten = kRecordMinute + 50;

RemoteEntry ByMinute(std::int64_t size, std::time_t minute) {
    return {size, minute, true, false};
}

ServerState ListedToTheMinute() {
    ServerState server;
    server.hasRecord = true;
    server.record = {{"earlier minute", {kHashA, 1, kRecordMinute - 60}},
                     {"record's minute", {kHashA, 1, kRecordMinute}},
                     {"dropped, record's minute", {kHashA, 1, kRecordMinute}},
                     {"edited on server", {kHashA, 1, kRecordMinute}},
                     {"to the second", {kHashA, 1, kRecordMinute}}};
    server.listing = {{kUploadRecordName, ByMinute(300, kRecordMinute)},
                      {"earlier minute", ByMinute(1, kRecordMinute - 60)},
                      {"record's minute", ByMinute(1, kRecordMinute)},
                      {"dropped, record's minute", ByMinute(1, kRecordMinute)},
                      {"edited on server", ByMinute(1, kRecordMinute)},
                      {"to the second", {1, kRecordMinute, false, false}}};
    return server;
}

TEST(UploadPlan, FilesListedInTheRecordsOwnMinuteAreInDoubtUntilTheirAttributesSpeak) {
    ServerState server = ListedToTheMinute();
    const std::vector<std::string> inDoubt = {"dropped, record's minute", "edited on server",
                                              "record's minute"};
    EXPECT_EQ(NeedVerifying(server), inDoubt);

    // The server hides the record from its listing (vsftpd hides dot files): the record's time read
    // from its attributes places it; without that every file listed to the minute is in doubt.
    ServerState hidden = server;
    hidden.listing.erase(kUploadRecordName);
    EXPECT_EQ(NeedVerifying(hidden).size(), 4u);
    hidden.recordTime = kRecordWritten;
    EXPECT_EQ(NeedVerifying(hidden), inDoubt);
    ServerState later = hidden;  // a record written a minute after the files: none in doubt
    later.recordTime = kRecordWritten + 60;
    EXPECT_TRUE(NeedVerifying(later).empty());

    const std::vector<PlannedFile> local = {Local("earlier minute", kHashA), Local("record's minute", kHashA),
                                            Local("edited on server", kHashA),
                                            Local("to the second", kHashA)};
    // Nothing could be read: sent, not named as changed; the dropped one is kept and stays recorded.
    UploadPlan plan = MakeUploadPlan(local, server, {});
    EXPECT_FALSE(plan.files[0].send);
    EXPECT_EQ(plan.files[1].reason, PlanReason::NotRecorded);
    EXPECT_EQ(plan.files[2].reason, PlanReason::NotRecorded);
    EXPECT_FALSE(plan.files[3].send);
    EXPECT_TRUE(plan.removals.empty());
    EXPECT_TRUE(plan.keptChanged.empty());
    EXPECT_EQ(plan.carried.count("dropped, record's minute"), 1u);

    // Read: two as Galvane left them, one edited after the record was written.
    server.checked = {"record's minute", "edited on server", "dropped, record's minute"};
    server.verified = {"record's minute", "dropped, record's minute"};
    plan = MakeUploadPlan(local, server, {});
    EXPECT_EQ(plan.files[1].reason, PlanReason::Unchanged);
    EXPECT_EQ(plan.files[2].reason, PlanReason::ChangedOnServer);
    EXPECT_EQ(plan.removals, std::vector<std::string>{"dropped, record's minute"});
    server.verified = {"record's minute"};
    plan = MakeUploadPlan(local, server, {});
    EXPECT_TRUE(plan.removals.empty());
    EXPECT_EQ(plan.keptChanged, std::vector<std::string>{"dropped, record's minute"});
}

TEST(UploadPlan, AttributesVouchForAFileNoNewerThanTheRecordAndOfItsSize) {
    const RecordedFile byMinute{kHashA, 10, kRecordMinute};
    EXPECT_TRUE(AttributesAsRecorded(byMinute, 10, kRecordMinute + 20, kRecordWritten));
    EXPECT_TRUE(AttributesAsRecorded(byMinute, -1, kRecordWritten - 1, kRecordWritten));  // MDTM: no size
    EXPECT_FALSE(
        AttributesAsRecorded(byMinute, 10, kRecordWritten, kRecordWritten));  // edited after, same second
    EXPECT_FALSE(AttributesAsRecorded(byMinute, 10, kRecordWritten + 1, kRecordWritten));
    EXPECT_FALSE(AttributesAsRecorded(byMinute, 11, kRecordMinute + 20, kRecordWritten));
    // An earlier record kept SFTP's seconds: they must match.
    const RecordedFile bySecond{kHashA, 10, kRecordMinute + 17};
    EXPECT_TRUE(AttributesAsRecorded(bySecond, 10, kRecordMinute + 17, kRecordWritten));
    EXPECT_FALSE(AttributesAsRecorded(bySecond, 10, kRecordMinute + 18, kRecordWritten));
    EXPECT_TRUE(ListedAsRecorded(ByMinute(10, kRecordMinute), bySecond));
    EXPECT_FALSE(ListedAsRecorded(ByMinute(10, kRecordMinute + 60), bySecond));
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
