#pragma once

#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ftp/remote_listing.h"
#include "ftp/upload_file_list.h"
#include "ftp/upload_record.h"

// Why a file is sent, or not.
enum class PlanReason {
    Unchanged,        // skipped: the record holds these bytes and the server still lists them as noted
    Full,             // every file is sent
    NotOnServer,      // the server does not list it
    NotRecorded,      // on the server, but no record of Galvane sending it (or no record at all)
    ChangedLocally,   // the local bytes differ from what was sent
    ChangedOnServer,  // the server lists it otherwise than noted after sending: someone changed it
};

struct PlannedFile {
    UploadFile file;
    std::string hash;  // of the local bytes; empty when they could not be read
    bool send = true;
    PlanReason reason = PlanReason::NotOnServer;
};

// The server's state as read once before the upload: the record (if any), the listings, one of each
// folder concerned, and, where a listing shows minutes only, the attributes of the few files it
// cannot vouch for.
struct ServerState {
    bool hasRecord = false;
    UploadRecord record;
    std::map<std::string, RemoteEntry> listing;  // by path below the uploaded folder
    std::set<std::string> folders;               // the folders below it that the listings showed
    MadeFolders madeFolders;                     // the folders Galvane made, as the record says
    // The record's own modification time from its attributes (to the second), when it was read.
    std::optional<std::time_t> recordTime;
    // Files of NeedVerifying whose attributes were read, and those of them that show the file as
    // Galvane left it. One in doubt whose attributes could not be read is sent (or, dropped, kept)
    // without being named as changed.
    std::set<std::string> checked;
    std::set<std::string> verified;
};

struct UploadPlan {
    std::vector<PlannedFile> files;  // in the local list's order
    // Files Galvane sent earlier that are no longer local and that the server still lists as noted.
    std::vector<std::string> removals;
    // Files Galvane sent earlier that are no longer local but that someone changed on the server:
    // they stay, and are named.
    std::vector<std::string> keptChanged;
    // Record entries of files no longer local that stay on the server (kept, or not removed yet):
    // carried into the next record so that a later upload still knows them as Galvane's.
    UploadRecord carried;
};

struct PlanOptions {
    bool full = false;        // send every file
    bool keepRemote = false;  // remove nothing
};

// Whether the server's listing of a file is what the record noted right after sending it, as far as
// the listing tells.
bool ListedAsRecorded(const RemoteEntry& listed, const RecordedFile& recorded);

// Recorded files that a listing with minutes only cannot vouch for: those listed as recorded in the
// minute the record itself was written, or later. An edit made on the server after the upload, in
// that same minute and to the same size, would be listed just the same; an edit in any later minute
// shows. The record's minute is its own line in the listing where the server lists it, else its
// time from `recordTime`; with neither, every file listed to the minute is in doubt. Their
// attributes tell (AttributesAsRecorded); until then the plan treats them as changed on the server.
std::vector<std::string> NeedVerifying(const ServerState& server);

// Whether a file's attributes (size, or -1 where only the time was read; modification time to the
// second) show it as Galvane left it: of the recorded size, and older than the record, which is
// written in a later second than every file it names; an edit after the upload is not older. A
// time recorded to the second (by an earlier version) must match exactly.
bool AttributesAsRecorded(const RecordedFile& recorded, std::int64_t size, std::time_t modified,
                          std::time_t recordTime);

// What an upload does with each local file and with the files it sent earlier, from the local list
// (with each file's hash) and the server's state. Pure: nothing is read or sent.
UploadPlan MakeUploadPlan(std::vector<PlannedFile> local, const ServerState& server,
                          const PlanOptions& options);
