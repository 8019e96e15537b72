#include "ftp/upload_plan.h"

#include <set>
#include <utility>

namespace {

constexpr std::time_t kMinute = 60;

}  // namespace

bool ListedAsRecorded(const RemoteEntry& listed, const RecordedFile& recorded) {
    if (listed.size != recorded.size) {
        return false;
    }
    // A LIST line turns from "Jan 31 12:00" to "Jan 31  2024" as the file ages; a file changed since
    // would be listed with its new time of day again.
    constexpr std::time_t kDay = 24 * 3600;
    if (listed.dayPrecision) {
        return listed.modified / kDay == recorded.remoteTime / kDay;
    }
    // A record of an earlier version may hold the seconds of SFTP's attributes.
    return listed.minutePrecision ? listed.modified / kMinute == recorded.remoteTime / kMinute
                                  : listed.modified == recorded.remoteTime;
}

std::vector<std::string> NeedVerifying(const ServerState& server) {
    std::vector<std::string> names;
    if (!server.hasRecord) {
        return names;
    }
    std::optional<std::time_t> recordMinute;
    const auto ownLine = server.listing.find(kUploadRecordName);
    if (ownLine != server.listing.end() && !ownLine->second.dayPrecision) {
        recordMinute = ownLine->second.modified / kMinute;
    } else if (server.recordTime) {
        recordMinute = *server.recordTime / kMinute;
    }
    for (const auto& [name, recorded] : server.record) {
        const auto listed = server.listing.find(name);
        if (listed == server.listing.end() || !listed->second.minutePrecision ||
            listed->second.dayPrecision || !ListedAsRecorded(listed->second, recorded)) {
            continue;  // exact to the second, long ago, or changed already as far as the listing tells
        }
        if (!recordMinute || listed->second.modified / kMinute >= *recordMinute) {
            names.push_back(name);
        }
    }
    return names;
}

bool AttributesAsRecorded(const RecordedFile& recorded, std::int64_t size, std::time_t modified,
                          std::time_t recordTime) {
    if (size >= 0 && size != recorded.size) {
        return false;
    }
    // The record is written a second or more after the last file it names: a file of its second or
    // later was changed after it.
    return recorded.remoteTime % kMinute == 0 ? modified < recordTime : modified == recorded.remoteTime;
}

namespace {

// The listing shows the file as recorded, and where it cannot tell, the attributes did.
bool AsRecorded(const std::string& name, const RemoteEntry& listed, const RecordedFile& recorded,
                const ServerState& server, const std::set<std::string>& inDoubt) {
    return ListedAsRecorded(listed, recorded) && (!inDoubt.count(name) || server.verified.count(name));
}

PlanReason Decide(const PlannedFile& planned, const ServerState& server, const std::set<std::string>& inDoubt,
                  bool full) {
    const auto listed = server.listing.find(planned.file.name);
    const auto recorded = server.record.find(planned.file.name);
    const bool isRecorded = server.hasRecord && recorded != server.record.end();
    const bool unproven = inDoubt.count(planned.file.name) && !server.checked.count(planned.file.name);
    if (isRecorded && listed != server.listing.end() && !unproven &&
        !AsRecorded(planned.file.name, listed->second, recorded->second, server, inDoubt) &&
        recorded->second.hash == planned.hash) {
        return PlanReason::ChangedOnServer;  // named even when sending everything
    }
    if (full) {
        return PlanReason::Full;
    }
    if (listed == server.listing.end()) {
        return PlanReason::NotOnServer;
    }
    if (!isRecorded) {
        return PlanReason::NotRecorded;
    }
    if (planned.hash.empty() || recorded->second.hash != planned.hash) {
        return PlanReason::ChangedLocally;
    }
    return unproven ? PlanReason::NotRecorded : PlanReason::Unchanged;
}

}  // namespace

UploadPlan MakeUploadPlan(std::vector<PlannedFile> local, const ServerState& server,
                          const PlanOptions& options) {
    UploadPlan plan;
    std::set<std::string> localNames;
    const std::vector<std::string> doubtful = NeedVerifying(server);
    const std::set<std::string> inDoubt(doubtful.begin(), doubtful.end());
    for (PlannedFile& planned : local) {
        planned.reason = Decide(planned, server, inDoubt, options.full);
        planned.send = planned.reason != PlanReason::Unchanged;
        localNames.insert(planned.file.name);
    }
    plan.files = std::move(local);
    if (!server.hasRecord) {
        return plan;
    }
    for (const auto& [name, recorded] : server.record) {
        if (localNames.count(name) || IsGalvaneOwnName(name)) {
            continue;
        }
        const auto listed = server.listing.find(name);
        if (listed == server.listing.end()) {
            continue;  // gone from the server already: forgotten
        }
        if (inDoubt.count(name) && !server.checked.count(name)) {
            plan.carried[name] = recorded;  // unproven either way: kept, and still Galvane's
        } else if (!AsRecorded(name, listed->second, recorded, server, inDoubt)) {
            plan.keptChanged.push_back(name);  // not Galvane's any more
        } else if (options.keepRemote) {
            plan.carried[name] = recorded;
        } else {
            plan.removals.push_back(name);
        }
    }
    return plan;
}
