#pragma once

#include <algorithm>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ftp/upload_window.h"

// An UploadWindow that writes down every call in order, one short line each: "status: Connected",
// "range: 3", "position: 1", "ask: <text> | <caption>"; the end of the run is kept apart.
class RecordingWindow : public UploadWindow {
public:
    // How AskYesNo answers.
    bool answer = false;
    // Called after each recorded line, on the caller's thread.
    std::function<void(const std::string& line)> onCall;

    void SetStatusText(const std::string& text) override { Record("status: " + text); }
    void SetProgressRange(int upper) override { Record("range: " + std::to_string(upper)); }
    void SetProgressPosition(int position) override { Record("position: " + std::to_string(position)); }
    void UploadEnded(const UploadResult& result) override {
        std::lock_guard lock(m_mutex);
        ++m_ends;
        m_result = result;
        m_callsAtEnd = m_calls.size();
    }
    bool AskYesNo(const std::string& text, const std::string& caption) override {
        Record("ask: " + text + " | " + caption);
        return answer;
    }

    std::vector<std::string> Calls() const {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }
    std::vector<std::string> Statuses() const {
        std::vector<std::string> statuses;
        for (const std::string& call : Calls()) {
            if (call.rfind("status: ", 0) == 0) {
                statuses.push_back(call.substr(8));
            }
        }
        return statuses;
    }
    // How often the end was reported, and whether it came after every other call.
    int Ends() const {
        std::lock_guard lock(m_mutex);
        return m_callsAtEnd == m_calls.size() ? m_ends : -m_ends;
    }
    UploadResult Result() const {
        std::lock_guard lock(m_mutex);
        return m_result;
    }
    bool Saw(const std::string& line) const {
        const auto calls = Calls();
        return std::find(calls.begin(), calls.end(), line) != calls.end();
    }

private:
    void Record(std::string line) {
        {
            std::lock_guard lock(m_mutex);
            m_calls.push_back(line);
        }
        if (onCall) {
            onCall(line);
        }
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
    int m_ends = 0;
    std::size_t m_callsAtEnd = 0;
    UploadResult m_result;
};
