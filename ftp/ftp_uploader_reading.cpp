// The server's state read over several logins at once: the record and the listings are handed out
// one at a time, the longest first, to the first login and to logins made beside it meanwhile.
#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "ftp/ftp_uploader.h"
#include "ftp/upload_tree.h"

namespace {

// Round trips, roughly. OpenSSH answers a folder read with at most 100 names, so a listing costs one
// per hundred names besides opening and closing the folder; the record is opened, read and closed; a
// login goes through the SSH key exchange, the password, the SFTP channel and the folder.
constexpr std::size_t kNamesPerReply = 100;
constexpr std::size_t kRecordTrips = 4;
constexpr std::size_t kLoginTrips = 12;

// One request of the reading: the record, or the listing of one folder.
struct ReadJob {
    bool record = false;
    std::string folder;
    std::size_t trips = 0;
    FtpOutcome outcome = FtpOutcome::Aborted;  // until read
    bool read = false;                         // answered, Done or refused
    std::string text;
    bool machineReadable = false;
};

std::vector<ReadJob> PlanReading(const std::vector<UploadFile>& files,
                                 const std::vector<std::string>& folders) {
    std::map<std::string, std::size_t> names;
    names[""] = 0;
    for (const std::string& folder : folders) {
        names[folder] = 0;
    }
    for (const UploadFile& file : files) {
        ++names[std::string(FolderOfName(file.name))];
    }
    std::vector<ReadJob> jobs;
    jobs.push_back({true, "", kRecordTrips, FtpOutcome::Aborted, false, {}, false});
    for (const auto& [folder, count] : names) {
        jobs.push_back({false, folder, 2 + count / kNamesPerReply, FtpOutcome::Aborted, false, {}, false});
    }
    std::stable_sort(jobs.begin(), jobs.end(),
                     [](const ReadJob& a, const ReadJob& b) { return a.trips > b.trips; });
    return jobs;
}

}  // namespace

// Over SFTP a listing costs a round trip per hundred names, and curl sends no request before the
// previous one is answered: logins are the only way to have several on the way. FTP lists a folder
// of any size in a few round trips, about what a login costs, and reads as designed.
bool FtpUploader::ReadsAhead() const {
    return ConnectionCount() > 1 && m_main.session.Scheme() == FtpScheme::Sftp;
}

bool FtpUploader::ReadAhead(ServerState& state, ListedAhead& ahead) {
    std::vector<ReadJob> jobs = PlanReading(m_files, m_folders);
    std::size_t total = 0;
    for (const ReadJob& job : jobs) {
        total += job.trips;
    }
    // No other login while the first one would be through before it: a small gallery reads as before.
    const int others =
        total > kLoginTrips ? std::min(ConnectionCount() - 1, static_cast<int>(jobs.size()) - 1) : 0;
    std::mutex mutex;
    std::size_t next = 0;
    FtpOutcome mainFailure = FtpOutcome::Done;
    const auto work = [&](Connection& connection) {
        while (!connection.reconnectFailed && !IsAborted()) {
            ReadJob* job = nullptr;
            {
                std::lock_guard lock(mutex);
                if (next == jobs.size()) {
                    return;
                }
                job = &jobs[next++];
            }
            FolderListing listed;
            const FtpOutcome outcome = job->record ? FetchRecord(connection, listed.text)
                                                   : ListOneFolder(connection, job->folder, listed);
            std::lock_guard lock(mutex);
            job->outcome = outcome;
            job->read = outcome != FtpOutcome::ConnectionLost && outcome != FtpOutcome::Aborted;
            job->text = std::move(listed.text);
            job->machineReadable = listed.machineReadable;
            if (!job->read && &connection == &Main()) {
                mainFailure = outcome;
                next = jobs.size();  // the run ends: the other logins take nothing more
                return;
            }
        }
    };
    {
        std::lock_guard lock(m_extraMutex);
        m_extra.clear();
        for (int k = 0; k < others && !IsAborted(); ++k) {
            m_extra.push_back(std::make_unique<Connection>());
            m_extra.back()->loggingIn = true;
        }
    }
    OnEveryLogin(work, [this] { CancelPendingLogins(); });  // nothing left for a login on its way
    {
        // The logins that got through stay for the sending.
        std::lock_guard lock(m_extraMutex);
        std::erase_if(m_extra, [](const auto& connection) {
            return !connection->ready || connection->reconnectFailed || connection->session.IsAborted();
        });
    }
    if (IsAborted() || mainFailure != FtpOutcome::Done) {
        EndAfterFailure(IsAborted() ? FtpOutcome::Aborted : mainFailure);
        return false;
    }
    for (const ReadJob& job : jobs) {
        if (!job.read) {
            continue;  // lost on another login: the first one reads it below
        }
        if (job.record) {
            if (job.outcome == FtpOutcome::Done) {
                TakeRecord(job.text, state);
            }
        } else if (job.outcome == FtpOutcome::Done) {
            ahead[job.folder] = FolderListing{job.text, job.machineReadable};
        } else {
            ahead[job.folder] = std::nullopt;
        }
    }
    const bool recordRead =
        std::any_of(jobs.begin(), jobs.end(), [](const ReadJob& job) { return job.record && job.read; });
    return recordRead || ReadRecord(state);
}

void FtpUploader::CloseAside(std::unique_ptr<Connection> connection) {
    m_closing.emplace_back([connection = std::move(connection)] { connection->session.Close(); });
}
