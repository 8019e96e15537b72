#include "ftp/upload_plan.h"

#include <set>
#include <utility>

bool ListedAsRecorded(const RemoteEntry& listed, const RecordedFile& recorded) {
    if (listed.size != recorded.size) {
        return false;
    }
    // A LIST line turns from "Jan 31 12:00" to "Jan 31  2024" as the file ages; a file changed since
    // would be listed with its new time of day again.
    constexpr std::time_t kDay = 24 * 3600;
    return listed.dayPrecision ? listed.modified / kDay == recorded.remoteTime / kDay
                               : listed.modified == recorded.remoteTime;
}

namespace {

PlanReason Decide(const PlannedFile& planned, const ServerState& server, bool full) {
    const auto listed = server.listing.find(planned.file.name);
    const auto recorded = server.record.find(planned.file.name);
    const bool isRecorded = server.hasRecord && recorded != server.record.end();
    if (isRecorded && listed != server.listing.end() && !ListedAsRecorded(listed->second, recorded->second) &&
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
    return PlanReason::Unchanged;
}

}  // namespace

UploadPlan MakeUploadPlan(std::vector<PlannedFile> local, const ServerState& server,
                          const PlanOptions& options) {
    UploadPlan plan;
    std::set<std::string> localNames;
    for (PlannedFile& planned : local) {
        planned.reason = Decide(planned, server, options.full);
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
        if (!ListedAsRecorded(listed->second, recorded)) {
            plan.keptChanged.push_back(name);  // not Galvane's any more
        } else if (options.keepRemote) {
            plan.carried[name] = recorded;
        } else {
            plan.removals.push_back(name);
        }
    }
    return plan;
}
