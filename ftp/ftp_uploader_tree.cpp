// The folders of an upload below the uploaded one: one listing of each, and the missing ones made
// before any file is sent.
#include <set>
#include <utility>

#include "ftp/ftp_uploader.h"
#include "ftp/remote_folder_names.h"
#include "ftp/upload_tree.h"

namespace {

// "a/b/c" and what lies above it: "a/b", "a".
void AddWithParents(std::string_view folder, std::set<std::string>& folders) {
    while (!folder.empty() && folders.insert(std::string(folder)).second) {
        folder = FolderOfName(folder);
    }
}

std::string Below(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

}  // namespace

// The uploaded folder's listing, then that of each folder that holds local files or files the record
// names, when the listing above it shows it: one request each, none for a folder not on the server.
// A listing read ahead on another login stands for the request; one of a folder that the listing
// above does not show is left out, as if never read.
bool FtpUploader::ReadRemoteTree(ServerState& state, const ListedAhead& ahead) {
    std::set<std::string> wanted;
    for (const std::string& folder : m_folders) {
        AddWithParents(folder, wanted);
    }
    if (state.hasRecord) {
        for (const auto& entry : state.record) {
            AddWithParents(FolderOfName(entry.first), wanted);
        }
        for (const std::string& folder : state.madeFolders) {
            AddWithParents(folder, wanted);
        }
    }
    if (!ReadRemoteFolder("", state, ahead)) {
        return false;
    }
    // In the set's order a folder comes after the one that holds it.
    for (const std::string& folder : wanted) {
        if (state.folders.count(folder) && !ReadRemoteFolder(folder, state, ahead)) {
            return false;
        }
    }
    return true;
}

// A server that gives no listing (or none that can be read) gets every file of that folder.
bool FtpUploader::ReadRemoteFolder(const std::string& below, ServerState& state, const ListedAhead& ahead) {
    FolderListing listed;
    const auto early = ahead.find(below);
    if (early != ahead.end()) {
        if (!early->second) {
            return true;  // refused on the other login
        }
        listed = *early->second;
    } else {
        const FtpOutcome outcome = ListOneFolder(Main(), below, listed);
        if (outcome == FtpOutcome::ConnectionLost || outcome == FtpOutcome::Aborted) {
            EndAfterFailure(outcome);
            return false;
        }
        if (outcome != FtpOutcome::Done) {
            return true;
        }
    }
    for (auto& [name, entry] :
         listed.machineReadable ? ParseMlsd(listed.text) : ParseList(listed.text, std::time(nullptr))) {
        state.listing[Below(below, name)] = entry;
    }
    for (const std::string& name : ParseFolderNames(listed.text, listed.machineReadable)) {
        state.folders.insert(Below(below, name));
    }
    return true;
}

FtpOutcome FtpUploader::ListOneFolder(Connection& connection, const std::string& below,
                                      FolderListing& listed) {
    return Request(connection,
                   [&] { return connection.session.ListFolder(listed.text, listed.machineReadable, below); });
}

// Each local folder the server does not have, parents first, on the first login before any file.
// One the server refuses is named; its files then fail one by one with their own texts.
bool FtpUploader::MakeRemoteFolders(const ServerState& state) {
    m_madeFolders = state.madeFolders;
    for (const std::string& folder : m_folders) {
        if (state.folders.count(folder)) {
            continue;
        }
        const FtpOutcome made = Request(Main(), [&] { return Session().MakeFolderBelow(folder); });
        if (made == FtpOutcome::ConnectionLost || made == FtpOutcome::Aborted) {
            EndAfterFailure(made);
            return false;
        }
        if (made == FtpOutcome::Done) {
            m_madeFolders.insert(folder);
        } else {
            ReportFailure(folder + ": folder not created: " + Session().LastFailure());
        }
    }
    return true;
}

// After the dropped files are deleted: a folder Galvane made that is no longer local goes too, the
// deepest first, if the server finds it empty. One that still holds anything (someone else's file)
// is refused by the server and stays, still Galvane's for a later upload; one no longer on the
// server is forgotten. A folder Galvane did not make is never removed.
void FtpUploader::RemoveDroppedFolders(const ServerState& state) {
    if (m_settings.keepRemote || m_filesFailed > 0) {
        return;
    }
    const std::set<std::string> local(m_folders.begin(), m_folders.end());
    for (auto folder = state.madeFolders.rbegin(); folder != state.madeFolders.rend(); ++folder) {
        if (local.count(*folder) || Main().reconnectFailed || IsAborted()) {
            continue;
        }
        if (!state.folders.count(*folder) ||
            Request(Main(), [&] { return Session().RemoveFolderBelow(*folder); }) == FtpOutcome::Done) {
            m_madeFolders.erase(*folder);
        }
    }
}

// One listing of each folder a file was sent to.
void FtpUploader::ReadSentListings(const Batch& batch, std::map<std::string, RemoteEntry>& listed) {
    std::set<std::string> folders;
    for (const auto& entry : batch.sent) {
        folders.insert(std::string(FolderOfName(entry.first)));
    }
    for (const std::string& folder : folders) {
        std::string listing;
        bool machineReadable = false;
        if (Request(Main(), [&] { return Session().ListFolder(listing, machineReadable, folder); }) !=
            FtpOutcome::Done) {
            continue;
        }
        for (auto& [name, entry] :
             machineReadable ? ParseMlsd(listing) : ParseList(listing, std::time(nullptr))) {
            listed[Below(folder, name)] = entry;
        }
    }
}
