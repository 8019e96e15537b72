#include "ftp/ftp_uploader.h"

#include <algorithm>
#include <utility>

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
    m_filesRemoved = 0;
    m_replacedChanged.clear();
    m_keptChanged.clear();
    m_main.lost = false;
    m_main.reconnectFailed = false;
    m_trustedHostKey.clear();
    m_stopSending = false;
    m_completed = false;
    m_fellBack = false;
    if (IsAborted()) {
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
    m_closing.clear();  // the logins closed aside are through
    if (!IsAborted()) {
        m_window.UploadEnded(Result());
    }
}

UploadResult FtpUploader::Result() const {
    UploadResult result;
    result.completed = m_completed.load();
    result.sent = m_filesSent.load();
    result.skipped = m_filesSkipped.load();
    result.failed = m_filesFailed.load();
    result.fellBackToPassive = m_fellBack.load();
    result.removed = m_filesRemoved.load();
    result.replacedChanged = m_replacedChanged;
    result.keptChanged = m_keptChanged;
    return result;
}

void FtpUploader::RunSteps() {
    Status(kConnecting);
    if (!Session().Open(m_timeouts, ConnectOptions(true))) {
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

// Only the first login may ask about a new host key; the others take the key it was asked about.
FtpConnectOptions FtpUploader::ConnectOptions(bool mayAsk) {
    return {m_settings.passive || m_fellBack.load(), m_settings.caFile, m_settings.knownHosts,
            [this, mayAsk](const std::string& fingerprint) { return TrustNewHostKey(fingerprint, mayAsk); }};
}

int FtpUploader::ConnectionCount() const {
    return std::clamp(m_settings.connections, 1, kMaxUploadConnections);
}

bool FtpUploader::Connect() {
    const auto address = ParseServerText(m_inputs.server);
    const bool usable =
        address && !HasControlCharacters(m_inputs.login) && !HasControlCharacters(m_inputs.password);
    switch (usable ? Session().Connect(*address, m_inputs.login, m_inputs.password)
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
    FtpOutcome changed = Session().ChangeDirectory(subfolder);
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
    const FtpOutcome created = Session().MakeDirectory(subfolder);
    if (created == FtpOutcome::ConnectionLost || created == FtpOutcome::Aborted) {
        EndAfterFailure(created);
        return false;
    }
    changed = Session().ChangeDirectory(subfolder);
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

// Said once, by the first login to find out; the others follow without a word.
void FtpUploader::FallBackToPassive(Connection& connection) {
    connection.session.SwitchToPassive();
    if (!m_fellBack.exchange(true)) {
        Status(kPassiveFallback);
    }
}

bool FtpUploader::TrustNewHostKey(const std::string& fingerprint, bool mayAsk) {
    switch (m_settings.newHostKey) {
        case NewHostKey::Trust:
            return true;
        case NewHostKey::Refuse:
            return false;
        case NewHostKey::Ask:
            break;
    }
    std::lock_guard lock(m_reportMutex);
    if (!m_trustedHostKey.empty() || !mayAsk) {
        return fingerprint == m_trustedHostKey;
    }
    const bool trusted = AskYesNo(HostKeyQuestion(m_inputs.server, fingerprint), kHostKeyQuestionCaption);
    if (trusted) {
        m_trustedHostKey = fingerprint;
    }
    return trusted;
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
void FtpUploader::Terminate(const Connection& failed) {
    const std::string reason = failed.session.LastFailure();
    Status(kTerminated);
    CloseConnection();
    Status(WithReason(kTerminated, reason));
    if (!reason.empty()) {
        ReportFailure(reason);
    }
}

void FtpUploader::CloseConnection() {
    Session().Close();
    Status(kDisconnect);
}

void FtpUploader::Abort() {
    m_stopSending = true;
    m_main.session.Abort();
    std::lock_guard lock(m_extraMutex);
    for (const auto& connection : m_extra) {
        connection->session.Abort();
    }
}

void FtpUploader::Status(const std::string& text) {
    std::lock_guard lock(m_reportMutex);
    if (!IsAborted()) {
        m_window.SetStatusText(text);
    }
}

void FtpUploader::SetProgressRange(int upper) {
    std::lock_guard lock(m_reportMutex);
    if (!IsAborted()) {
        m_window.SetProgressRange(upper);
    }
}

void FtpUploader::SetProgressPosition(int position) {
    std::lock_guard lock(m_reportMutex);
    if (!IsAborted()) {
        m_window.SetProgressPosition(position);
    }
}

bool FtpUploader::AskYesNo(const std::string& text, const std::string& caption) {
    std::lock_guard lock(m_reportMutex);
    return !IsAborted() && m_window.AskYesNo(text, caption);
}

void FtpUploader::ReportFailure(const std::string& reason) {
    std::lock_guard lock(m_reportMutex);
    if (!IsAborted()) {
        m_window.ReportFailure(reason);
    }
}
