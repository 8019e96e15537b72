// The file part of an upload: the server's state read once, the plan, the dropped files deleted and
// the record written last; and making a lost connection again.
#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "ftp/file_hash.h"
#include "ftp/ftp_uploader.h"
#include "ftp/upload_status_texts.h"
#include "ftp/upload_tree.h"

using namespace upload_status;

namespace {

// How often a lost connection is made again for one request, and the first pause before it
// (doubled each time).
constexpr int kReconnectTries = 3;
constexpr std::chrono::milliseconds kFirstPause{250};
// A record larger than this is no record of ours.
constexpr std::size_t kRecordLimit = 64u << 20;

}  // namespace

void FtpUploader::SendFiles() {
    UploadTree tree = ListUploadTree(m_inputs.localFolder);
    m_files = std::move(tree.files);
    m_folders = std::move(tree.folders);
    m_madeFolders.clear();
    m_lastArrival.reset();
    const int count = static_cast<int>(m_files.size());
    // The local files are hashed while the server's state is read: the one keeps a processor busy,
    // the other mostly waits on the link.
    ServerState state;
    std::vector<PlannedFile> local;
    local.reserve(m_files.size());
    for (const UploadFile& file : m_files) {
        local.push_back({file, std::string()});
    }
    bool stateRead = true;
    {
        std::jthread hashing([this, &local] { HashLocalFiles(local); });
        // An empty local folder reads and removes nothing: more likely a wrong folder than a gallery
        // whose every file was dropped.
        stateRead = count == 0 || ReadServerState(state);
    }
    if (!stateRead) {
        std::lock_guard lock(m_extraMutex);
        m_extra.clear();  // logins made to read attributes
        return;
    }
    const UploadPlan plan = MakeUploadPlan(std::move(local), state, {m_settings.full, m_settings.keepRemote});
    m_files.clear();
    if (count > 0 && !MakeRemoteFolders(state)) {
        return;
    }
    SetProgressRange(count);
    SetProgressPosition(0);
    UploadRecord next = plan.carried;
    if (count > 0 && !SendPlanned(plan, state, next)) {
        return;
    }
    SetProgressPosition(count);
    Status(kTransferComplete);
    m_completed = true;
    CloseConnection();
}

// On a thread of its own, into a list made beforehand, so that every local file is planned whatever
// happens here. A file left without a hash (the run aborted, or no memory to read it) is sent, and
// not recorded.
void FtpUploader::HashLocalFiles(std::vector<PlannedFile>& planned) const {
    for (PlannedFile& file : planned) {
        if (IsAborted()) {
            return;
        }
        try {
            file.hash = Sha256OfFile(file.file.path);
        } catch (...) {
            file.hash.clear();
        }
    }
}

// The record with one request, the listings with one more for each folder; where a listing shows
// minutes only, the attributes of the files it cannot vouch for. A lost connection that cannot be
// made again ends the run.
bool FtpUploader::ReadServerState(ServerState& state) {
    ListedAhead ahead;
    if (ReadsAhead()) {
        if (!ReadAhead(state, ahead)) {
            return false;
        }
    } else if (!ReadRecord(state)) {
        return false;
    }
    return ReadRemoteTree(state, ahead) && VerifyRecorded(state);
}

bool FtpUploader::ReadRecord(ServerState& state) {
    std::string text;
    const FtpOutcome read = FetchRecord(Main(), text);
    if (read == FtpOutcome::ConnectionLost || read == FtpOutcome::Aborted) {
        EndAfterFailure(read);
        return false;
    }
    if (read == FtpOutcome::Done) {
        TakeRecord(text, state);
    }
    return true;
}

FtpOutcome FtpUploader::FetchRecord(Connection& connection, std::string& text) {
    return Request(connection,
                   [&] { return connection.session.ReadFile(kUploadRecordName, text, kRecordLimit); });
}

void FtpUploader::TakeRecord(const std::string& text, ServerState& state) {
    MadeFolders made;
    if (auto record = ParseUploadRecord(text, &made)) {
        state.hasRecord = true;
        state.record = std::move(*record);
        state.madeFolders = std::move(made);
    }
}

// The files a listing to the minute cannot vouch for (those of the minute the record was written in),
// by their attributes: first the record's own time, then theirs, spread over the logins. Usually few:
// a file is in doubt only until an upload in a later minute has seen it.
bool FtpUploader::VerifyRecorded(ServerState& state) {
    if (NeedVerifying(state).empty()) {
        return true;
    }
    std::map<std::string, std::pair<std::int64_t, std::time_t>> own;
    const FtpOutcome read =
        Request(Main(), [&] { return Session().ReadModifiedTimes({kUploadRecordName}, own); });
    if (read == FtpOutcome::ConnectionLost || read == FtpOutcome::Aborted) {
        EndAfterFailure(read);
        return false;
    }
    if (read != FtpOutcome::Done || !own.count(kUploadRecordName)) {
        return true;  // no attributes to be had: the files in doubt are sent
    }
    const std::time_t recordTime = own.at(kUploadRecordName).second;
    state.recordTime = recordTime;
    const std::vector<std::string> names = NeedVerifying(state);  // fewer, now the record's minute is known
    std::map<std::string, std::pair<std::int64_t, std::time_t>> found;
    if (!ReadTimesPipelined(names, found)) {
        found = ReadAttributesSpread(names);
    }
    if (Main().reconnectFailed || IsAborted()) {
        EndAfterFailure(IsAborted() ? FtpOutcome::Aborted : FtpOutcome::ConnectionLost);
        return false;
    }
    for (const auto& [name, attributes] : found) {
        state.checked.insert(name);
        if (AttributesAsRecorded(state.record.at(name), attributes.first, attributes.second, recordTime)) {
            state.verified.insert(name);
        }
    }
    return true;
}

// Each login takes the next few names until none are left; logins made for it stay for the sending.
std::map<std::string, std::pair<std::int64_t, std::time_t>> FtpUploader::ReadAttributesSpread(
    const std::vector<std::string>& names) {
    // A login costs a few round trips; an SFTP attribute read four or five, an MDTM one.
    const int perLogin = Session().Scheme() == FtpScheme::Sftp ? 4 : 16;
    const int logins = std::min(ConnectionCount(), 1 + static_cast<int>(names.size()) / perLogin);
    const std::size_t chunk = std::max<std::size_t>(1, names.size() / static_cast<std::size_t>(logins * 4));
    std::mutex mutex;
    std::size_t next = 0;
    std::map<std::string, std::pair<std::int64_t, std::time_t>> found;
    const auto work = [&](Connection& connection) {
        while (!connection.reconnectFailed && !IsAborted()) {
            std::vector<std::string> part;
            {
                std::lock_guard lock(mutex);
                for (; next < names.size() && part.size() < chunk; ++next) {
                    part.push_back(names[next]);
                }
            }
            if (part.empty()) {
                return;
            }
            std::map<std::string, std::pair<std::int64_t, std::time_t>> read;
            if (Request(connection, [&] { return connection.session.ReadModifiedTimes(part, read); }) ==
                FtpOutcome::Done) {
                std::lock_guard lock(mutex);
                found.insert(read.begin(), read.end());
            }
        }
    };
    {
        // Logins that read the listings take part too: they are logged in already.
        std::lock_guard lock(m_extraMutex);
        for (int k = static_cast<int>(m_extra.size()) + 1; k < logins && !IsAborted(); ++k) {
            m_extra.push_back(std::make_unique<Connection>());
        }
    }
    OnEveryLogin(work);
    return found;
}

// A file not removed stays in the record: it is still Galvane's.
void FtpUploader::RemoveDropped(const UploadPlan& plan, const UploadRecord& previous, UploadRecord& next) {
    for (const std::string& name : plan.removals) {
        const FtpOutcome removed = Main().reconnectFailed || IsAborted()
                                       ? FtpOutcome::Aborted
                                       : Request(Main(), [&] { return Session().DeleteFile(name); });
        if (removed == FtpOutcome::Done) {
            ++m_filesRemoved;
            continue;
        }
        next[name] = previous.at(name);
        if (removed != FtpOutcome::Aborted && !IsAborted()) {
            ++m_filesFailed;
            ReportFailure(name + ": not removed: " + Session().LastFailure());
        }
    }
}

// What the server lists for each file just sent goes into the record; a file listed with another
// size than was sent (or not at all) is left out, so the next upload sends it again. One listing of
// each folder that received files, once they are all through: no request per file.
void FtpUploader::NoteSentFiles(const Batch& batch, UploadRecord& next) {
    if (batch.sent.empty() || Main().reconnectFailed || IsAborted()) {
        return;
    }
    std::map<std::string, RemoteEntry> listed;
    ReadSentListings(batch, listed);
    for (const auto& [name, planned] : batch.sent) {
        const auto entry = listed.find(name);
        if (entry != listed.end() && entry->second.size == planned->file.size && !planned->hash.empty()) {
            next[name] = {planned->hash, entry->second.size, entry->second.modified};
        }
    }
}

// Last, and only when it says something new. A record that cannot be written leaves the files as
// sent: the next upload, finding the old record, sends what it cannot vouch for.
void FtpUploader::WriteRecord(const UploadRecord& next, const ServerState& previous) {
    // Written again after files were verified, although it says the same: its new time takes them out
    // of doubt for the next upload, once that time is in a later minute than theirs.
    if (Main().reconnectFailed || IsAborted() ||
        (previous.hasRecord && next == previous.record && m_madeFolders == previous.madeFolders &&
         previous.checked.empty())) {
        return;
    }
    // In a later second than any file it names (see AttributesAsRecorded); the final listings have
    // usually taken that long already.
    if (m_lastArrival && !Pause(std::chrono::duration_cast<std::chrono::milliseconds>(
                             *m_lastArrival + std::chrono::seconds(1) - std::chrono::steady_clock::now()))) {
        return;
    }
    const std::string text = FormatUploadRecord(next, m_madeFolders);
    const FtpOutcome written = Request(Main(), [&] { return Session().PutBytes(text, kUploadRecordName); });
    if (written != FtpOutcome::Done && written != FtpOutcome::Aborted && !IsAborted()) {
        ReportFailure(std::string(kUploadRecordName) + ": " + Session().LastFailure());
    }
}

FtpOutcome FtpUploader::Request(Connection& connection, const std::function<FtpOutcome()>& request) {
    const bool isMain = &connection == &Main();
    for (int attempt = 0;; ++attempt) {
        if (connection.lost) {
            if (attempt > 0 && !Pause(kFirstPause * (1 << (attempt - 1)))) {
                return FtpOutcome::Aborted;
            }
            if (!Reconnect(connection, isMain)) {
                if (connection.session.IsAborted()) {
                    return FtpOutcome::Aborted;
                }
                if (attempt >= kReconnectTries) {
                    connection.reconnectFailed = true;
                    return FtpOutcome::ConnectionLost;
                }
                continue;
            }
            connection.lost = false;
        }
        const FtpOutcome outcome = WithPassiveFallback(connection, request);
        if (outcome != FtpOutcome::ConnectionLost) {
            return outcome;
        }
        connection.lost = true;
        if (attempt >= kReconnectTries) {
            return outcome;  // this request fails; the next one makes the connection again first
        }
    }
}

// Active mode needs the server to connect back, which NAT routers and some servers do not allow.
// The first request that shows it is made again in passive mode, and so is everything after it.
FtpOutcome FtpUploader::WithPassiveFallback(Connection& connection,
                                            const std::function<FtpOutcome()>& request) {
    const FtpOutcome outcome = request();
    if (outcome == FtpOutcome::Done || outcome == FtpOutcome::Aborted ||
        !connection.session.LastFailedInActiveMode()) {
        return outcome;
    }
    FallBackToPassive(connection);
    return request();
}

// A login beside the first, with the same scheme, login and folder, made once.
void FtpUploader::OnEveryLogin(const std::function<void(Connection&)>& work,
                               const std::function<void()>& mainDone) {
    std::vector<std::jthread> threads;
    for (const auto& connection : m_extra) {
        threads.emplace_back([this, &connection, &work] {
            try {
                if (LogIn(*connection)) {
                    work(*connection);
                }
            } catch (...) {
                connection->reconnectFailed = true;  // out of memory or the like: this login stops
            }
        });
    }
    work(Main());
    if (mainDone) {
        mainDone();
    }
}

bool FtpUploader::LogIn(Connection& connection) {
    FtpSession& session = connection.session;
    if (!connection.ready) {
        const auto address = ParseServerText(m_inputs.server);
        connection.ready =
            address && session.Open(m_timeouts, ConnectOptions(false)) &&
            session.Connect(*address, m_inputs.login, m_inputs.password) == ConnectOutcome::Connected &&
            (m_inputs.subfolder.empty() || session.ChangeDirectory(m_inputs.subfolder) == FtpOutcome::Done);
    }
    connection.loggingIn = false;
    return connection.ready;
}

// The same scheme, login and folder as before; the failure, if any, is the session's.
bool FtpUploader::Reconnect(Connection& connection, bool mayAsk) {
    FtpSession& session = connection.session;
    session.Close();
    const auto address = ParseServerText(m_inputs.server);
    if (!address || !session.Open(m_timeouts, ConnectOptions(mayAsk)) ||
        session.Connect(*address, m_inputs.login, m_inputs.password) != ConnectOutcome::Connected) {
        return false;
    }
    return m_inputs.subfolder.empty() || session.ChangeDirectory(m_inputs.subfolder) == FtpOutcome::Done;
}

bool FtpUploader::Pause(std::chrono::milliseconds time) const {
    const auto end = std::chrono::steady_clock::now() + time;
    while (!IsAborted() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return !IsAborted();
}
