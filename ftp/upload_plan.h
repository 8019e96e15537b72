#pragma once

#include <map>
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

// The server's state as read once before the upload: the record (if any) and the listings, one of
// each folder concerned.
struct ServerState {
    bool hasRecord = false;
    UploadRecord record;
    std::map<std::string, RemoteEntry> listing;  // by path below the uploaded folder
    std::set<std::string> folders;               // the folders below it that the listings showed
    MadeFolders madeFolders;                     // the folders Galvane made, as the record says
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

// What an upload does with each local file and with the files it sent earlier, from the local list
// (with each file's hash) and the server's state. Pure: nothing is read or sent.
UploadPlan MakeUploadPlan(std::vector<PlannedFile> local, const ServerState& server,
                          const PlanOptions& options);
