#include "ftp/ftp_uploader.h"

#include <utility>

#include "engine/directory.h"
#include "ftp/upload_file_list.h"
#include "ftp/upload_status_texts.h"

using namespace upload_status;

FtpUploader::FtpUploader(UploadWindow& window) : m_window(window) {}

void FtpUploader::SetInputs(FtpUploadInputs inputs) {
    m_inputs = std::move(inputs);
}

void FtpUploader::SetSettings(FtpUploadSettings settings) {
    m_settings = std::move(settings);
}

void FtpUploader::SetConnectTimeout(std::chrono::seconds timeout) {
    m_timeouts.connect = timeout;
}

void FtpUploader::SetStallTimeout(std::chrono::seconds timeout) {
    m_timeouts.stall = timeout;
}

void FtpUploader::Run() {
    m_filesSent = 0;
    m_filesFailed = 0;
    m_filesSkipped = 0;
    m_completed = false;
    m_fellBack = false;
    if (m_session.IsAborted()) {
        return;
    }
    try {
        RunSteps();
    } catch (...) {
        // Memory exhaustion or any other unexpected error ends the run like a lost connection;
        // nothing is thrown out of the worker thread.
        try {
            m_files.clear();
            Terminate();
        } catch (...) {
        }
    }
    if (!m_session.IsAborted()) {
        m_window.UploadEnded({m_completed.load(), m_filesSent.load(), m_filesSkipped.load(),
                              m_filesFailed.load(), m_fellBack.load()});
    }
}

void FtpUploader::RunSteps() {
    Status(kConnecting);
    FtpConnectOptions options{
        m_settings.passive, m_settings.caFile, m_settings.knownHosts,
        [this](const std::string& fingerprint) { return TrustNewHostKey(fingerprint); }};
    if (!m_session.Open(m_timeouts, std::move(options))) {
        Status(kNoSession);
        return;
    }
    if (!Connect()) {
        return;
    }
    Status(kConnected);
    if (!m_inputs.subfolder.empty() && !EnterSubfolder()) {
        return;
    }
    SendFiles();
}

bool FtpUploader::Connect() {
    const auto address = ParseServerText(m_inputs.server);
    const bool usable =
        address && !HasControlCharacters(m_inputs.login) && !HasControlCharacters(m_inputs.password);
    switch (usable ? m_session.Connect(*address, m_inputs.login, m_inputs.password)
                   : ConnectOutcome::NotCreated) {
        case ConnectOutcome::Connected:
            return true;
        case ConnectOutcome::NotCreated:
            CloseConnection();
            Status(kNoConnection);  // after CloseConnection, so that it stays
            return false;
        case ConnectOutcome::Failed:
            Terminate();  // a refused login or an unknown server
            return false;
        case ConnectOutcome::Aborted:
            CloseConnection();
            return false;
    }
    return false;
}

bool FtpUploader::EnterSubfolder() {
    const std::string& subfolder = m_inputs.subfolder;
    FtpOutcome changed = m_session.ChangeDirectory(subfolder);
    if (changed == FtpOutcome::Done) {
        return true;
    }
    if (changed != FtpOutcome::Refused) {
        EndAfterFailure(changed);
        return false;
    }
    if (!AskYesNo(kSubfolderQuestion, kSubfolderQuestionCaption)) {
        CloseConnection();
        Status(kSubfolderDeclined);
        return false;
    }
    // One create request only: the parents of a folder of several levels must exist already.
    const FtpOutcome created = m_session.MakeDirectory(subfolder);
    if (created == FtpOutcome::ConnectionLost || created == FtpOutcome::Aborted) {
        EndAfterFailure(created);
        return false;
    }
    changed = m_session.ChangeDirectory(subfolder);
    if (changed == FtpOutcome::Done) {
        return true;
    }
    if (changed != FtpOutcome::Refused) {
        EndAfterFailure(changed);
        return false;
    }
    CloseConnection();
    Status(kSubfolderNotCreated);
    return false;
}

void FtpUploader::SendFiles() {
    m_files = ListUploadFiles(m_inputs.localFolder);
    const int count = static_cast<int>(m_files.size());
    std::map<std::string, RemoteEntry> remote;
    if (!m_settings.full && count > 0 && !ReadRemoteFolder(remote)) {
        return;
    }
    SetProgressRange(count);
    SetProgressPosition(0);
    for (int i = 0; i < count; ++i) {
        SetProgressPosition(i);
        const UploadFile& file = m_files[static_cast<std::size_t>(i)];
        const std::string& path = file.path;
        const std::string name(FileNameOf(path));
        const auto held = remote.find(name);
        if (held != remote.end() && IsUnchanged(held->second, file.size, file.modified)) {
            ++m_filesSkipped;
            Status(Transfered(i + 1, count));
            continue;
        }
        const FtpOutcome sent = Put(path, name, file.modified);
        if (sent == FtpOutcome::Done) {
            ++m_filesSent;
            Status(Transfered(i + 1, count));
            continue;
        }
        if (sent == FtpOutcome::Aborted) {
            m_files.clear();
            CloseConnection();
            return;
        }
        ++m_filesFailed;
        const std::string reason = m_session.LastFailure();
        Status(WithReason(FileTransferError(i, path, m_inputs.server, m_inputs.subfolder, name), reason));
        if (!reason.empty() && !m_session.IsAborted()) {
            m_window.ReportFailure(name + ": " + reason);
        }
        if (sent == FtpOutcome::ConnectionLost) {
            m_files.clear();
            Terminate();  // every later file would fail the same way
            return;
        }
    }
    SetProgressPosition(count);
    m_files.clear();
    Status(kTransferComplete);
    m_completed = true;
    CloseConnection();
}

// Active mode needs the server to connect back, which NAT routers and some servers do not allow.
// The first file that shows it is sent again in passive mode, and so is everything after it.
FtpOutcome FtpUploader::Put(const std::string& path, const std::string& name, std::time_t modified) {
    const FtpOutcome sent = m_session.PutFile(path, name, modified);
    if (sent == FtpOutcome::Done || sent == FtpOutcome::Aborted || !m_session.LastFailedInActiveMode()) {
        return sent;
    }
    FallBackToPassive();
    return m_session.PutFile(path, name, modified);
}

void FtpUploader::FallBackToPassive() {
    m_session.SwitchToPassive();
    m_fellBack = true;
    Status(kPassiveFallback);
}

// One listing of the remote folder, not one request per file. A server that gives none (or none
// that can be read) gets every file; a lost connection ends the run as a failed file would.
bool FtpUploader::ReadRemoteFolder(std::map<std::string, RemoteEntry>& remote) {
    std::string listing;
    bool machineReadable = false;
    FtpOutcome listed = m_session.ListFolder(listing, machineReadable);
    if (listed != FtpOutcome::Done && listed != FtpOutcome::Aborted && m_session.LastFailedInActiveMode()) {
        FallBackToPassive();
        listed = m_session.ListFolder(listing, machineReadable);
    }
    switch (listed) {
        case FtpOutcome::Done:
            remote = machineReadable ? ParseMlsd(listing) : ParseList(listing, std::time(nullptr));
            return true;
        case FtpOutcome::Refused:
            return true;
        case FtpOutcome::ConnectionLost:
        case FtpOutcome::Aborted:
            m_files.clear();
            EndAfterFailure(listed);
            return false;
    }
    return true;
}

bool FtpUploader::TrustNewHostKey(const std::string& fingerprint) {
    switch (m_settings.newHostKey) {
        case NewHostKey::Trust:
            return true;
        case NewHostKey::Refuse:
            return false;
        case NewHostKey::Ask:
            break;
    }
    return AskYesNo(HostKeyQuestion(m_inputs.server, fingerprint), kHostKeyQuestionCaption);
}

void FtpUploader::EndAfterFailure(FtpOutcome outcome) {
    if (outcome == FtpOutcome::Aborted) {
        CloseConnection();
    } else {
        Terminate();
    }
}

// The general failure path. The reason is said again after CloseConnection's "Disconnect", so that
// the line that stays tells the user the run failed.
void FtpUploader::Terminate() {
    const std::string reason = m_session.LastFailure();
    Status(kTerminated);
    CloseConnection();
    Status(WithReason(kTerminated, reason));
    if (!reason.empty() && !m_session.IsAborted()) {
        m_window.ReportFailure(reason);
    }
}

void FtpUploader::CloseConnection() {
    m_session.Close();
    Status(kDisconnect);
}

void FtpUploader::Abort() {
    m_session.Abort();
}

void FtpUploader::Status(const std::string& text) {
    if (!m_session.IsAborted()) {
        m_window.SetStatusText(text);
    }
}

void FtpUploader::SetProgressRange(int upper) {
    if (!m_session.IsAborted()) {
        m_window.SetProgressRange(upper);
    }
}

void FtpUploader::SetProgressPosition(int position) {
    if (!m_session.IsAborted()) {
        m_window.SetProgressPosition(position);
    }
}

bool FtpUploader::AskYesNo(const std::string& text, const std::string& caption) {
    return !m_session.IsAborted() && m_window.AskYesNo(text, caption);
}
