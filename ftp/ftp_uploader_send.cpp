// Sending the planned files over several logins at once: each takes the next file of the plan, and
// every finished file is reported from one place, in the order the files finish.
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "ftp/ftp_uploader.h"
#include "ftp/sending_order.h"
#include "ftp/upload_status_texts.h"

using namespace upload_status;

// False when the run ended here (aborted, or no login left to finish it).
bool FtpUploader::SendPlanned(const UploadPlan& plan, const ServerState& state, UploadRecord& next) {
    Batch batch;
    batch.plan = &plan;
    batch.previous = &state.record;
    batch.count = static_cast<int>(plan.files.size());
    int toSend = 0;
    for (const PlannedFile& planned : plan.files) {
        toSend += planned.send ? 1 : 0;
    }
    // A login more costs a few round trips: none for files the server holds already.
    const int logins = std::min(ConnectionCount(), std::max(1, toSend));
    if (logins > 1) {
        std::vector<SendingItem> items;
        items.reserve(plan.files.size());
        for (const PlannedFile& planned : plan.files) {
            items.push_back({planned.file.name, planned.file.size, planned.send});
        }
        batch.order = SendingOrder(items);
    }
    {
        // Logins made to read attributes go on sending; one that did not get through is made anew.
        std::lock_guard lock(m_extraMutex);
        std::erase_if(m_extra, [](const auto& connection) {
            return !connection->ready || connection->reconnectFailed;
        });
        while (static_cast<int>(m_extra.size()) > std::max(0, logins - 1)) {
            CloseAside(std::move(m_extra.back()));
            m_extra.pop_back();
        }
        for (int k = static_cast<int>(m_extra.size()) + 1; k < logins && !IsAborted(); ++k) {
            m_extra.push_back(std::make_unique<Connection>());
            m_extra.back()->loggingIn = true;
        }
    }
    {
        std::vector<std::jthread> threads;
        for (const auto& connection : m_extra) {
            threads.emplace_back([this, &connection, &batch] { SendWithExtraLogin(*connection, batch); });
        }
        SendFromPlan(Main(), batch);
    }  // every login is through
    {
        std::lock_guard lock(m_extraMutex);
        m_extra.clear();
    }
    if (IsAborted()) {
        CloseConnection();
        return false;
    }
    for (const PlannedFile& planned : plan.files) {
        if (planned.reason == PlanReason::ChangedOnServer && batch.sent.count(planned.file.name)) {
            m_replacedChanged.push_back(planned.file.name);  // in the list's order, not the finishing one
        }
    }
    next.insert(batch.unchanged.begin(), batch.unchanged.end());
    m_keptChanged = plan.keptChanged;
    // The first login finishes the run; files nobody could take mean every login was lost.
    if (Main().reconnectFailed || batch.handled < batch.count) {
        Terminate();
        return false;
    }
    if (m_filesFailed == 0) {
        RemoveDropped(plan, state.record, next);
        RemoveDroppedFolders(state);
    } else {
        for (const std::string& name : plan.removals) {
            next[name] = state.record.at(name);  // a run with failures deletes nothing
        }
    }
    NoteSentFiles(batch, next);
    WriteRecord(next, state);
    if (IsAborted()) {
        CloseConnection();
        return false;
    }
    if (Main().reconnectFailed) {
        Terminate();
        return false;
    }
    return true;
}

// A login beside the first, with the same scheme, login and folder. One the server does not allow
// (too many connections, say) just takes no file: the others send them.
void FtpUploader::SendWithExtraLogin(Connection& connection, Batch& batch) {
    FtpSession& session = connection.session;
    try {
        if (LogIn(connection)) {
            SendFromPlan(connection, batch);
        }
        session.Close();  // logs out at once: the server has one login less to keep
    } catch (...) {
        // Out of memory or the like: this login sends no more; a file it had taken stays unfinished,
        // which ends the run.
        connection.reconnectFailed = true;
    }
}

void FtpUploader::SendFromPlan(Connection& connection, Batch& batch) {
    int index = 0;
    while (!connection.reconnectFailed && TakeNextFile(batch, index)) {
        const PlannedFile& planned = batch.plan->files[static_cast<std::size_t>(index)];
        const UploadFile& file = planned.file;
        if (!planned.send) {
            {
                std::lock_guard lock(m_reportMutex);
                batch.unchanged[file.name] = batch.previous->at(file.name);
                ++m_filesSkipped;
            }
            FinishFile(batch, "", "");
            continue;
        }
        FtpSession& session = connection.session;
        const FtpOutcome outcome = Request(connection, [&] { return session.PutFile(file.path, file.name); });
        if (outcome == FtpOutcome::Done) {
            {
                std::lock_guard lock(m_reportMutex);
                ++m_filesSent;
                batch.sent[file.name] = &planned;
                m_lastArrival = std::chrono::steady_clock::now();
            }
            FinishFile(batch, "", "");
            continue;
        }
        if (outcome == FtpOutcome::Aborted) {
            m_stopSending = true;
            return;
        }
        ++m_filesFailed;
        const std::string reason = session.LastFailure();
        FinishFile(
            batch,
            WithReason(FileTransferError(index, file.path, m_inputs.server, m_inputs.subfolder, file.name),
                       reason),
            reason.empty() ? "" : file.name + ": " + reason);
    }
}

// The progress bar shows the files finished when a file is taken; with one login that is the position
// before each file, as it always was.
bool FtpUploader::TakeNextFile(Batch& batch, int& index) {
    std::lock_guard lock(m_reportMutex);
    if (batch.next >= batch.count) {
        CancelPendingLogins();
    }
    if (m_stopSending || IsAborted() || batch.next >= batch.count) {
        return false;
    }
    index = batch.order.empty() ? batch.next : batch.order[static_cast<std::size_t>(batch.next)];
    ++batch.next;
    if (batch.shownPosition != batch.handled) {
        batch.shownPosition = batch.handled;
        SetProgressPosition(batch.handled);
    }
    return true;
}

// Every file is taken: a login still on its way would only keep the run waiting for it (a server
// that lets it wait, up to the connect timeout).
void FtpUploader::CancelPendingLogins() {
    std::lock_guard lock(m_extraMutex);
    for (const auto& connection : m_extra) {
        if (connection->loggingIn) {
            connection->session.Abort();
        }
    }
}

// One status text per finished file: "Transfered N file(s) to M" with the files finished so far, or
// the file's error text. Once every file is taken, the bar follows each file that finishes.
void FtpUploader::FinishFile(Batch& batch, const std::string& status, const std::string& failure) {
    std::lock_guard lock(m_reportMutex);
    ++batch.handled;
    Status(status.empty() ? Transfered(batch.handled, batch.count) : status);
    if (!failure.empty()) {
        ReportFailure(failure);
    }
    if (batch.next >= batch.count && batch.handled < batch.count && batch.shownPosition != batch.handled) {
        batch.shownPosition = batch.handled;
        SetProgressPosition(batch.handled);
    }
}
