#include "cli/console_upload_window.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <iterator>
#include <optional>

void ConsoleUploadWindow::SetStatusText(const std::string& text) {
    std::fprintf(m_out, "%s\n", text.c_str());
    std::fflush(m_out);
}

bool ConsoleUploadWindow::AskYesNo(const std::string& text, const std::string& caption) {
    std::fprintf(m_out, "%s: %s %s\n", caption.c_str(), text.c_str(), m_createSubfolder ? "Yes" : "No");
    return m_createSubfolder;
}

void ConsoleUploadWindow::ReportFailure(const std::string& reason) {
    std::fprintf(stderr, "galvane-publish: %s\n", reason.c_str());
}

namespace {

// The terminal as it was before the prompt turned echo off, for the signal handlers: a Ctrl-C at
// the prompt must not leave the user's shell without echo.
int g_tty = -1;
termios g_saved{};
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void RestoreTerminalAndDie(int signal) {
    if (g_tty >= 0) {
        ::tcsetattr(g_tty, TCSAFLUSH, &g_saved);
        [[maybe_unused]] auto shown = ::write(g_tty, "\n", 1);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Echo off for as long as it lives; the terminal's settings come back on every way out.
class EchoOff {
public:
    EchoOff(int tty, const termios& saved) {
        g_tty = tty;
        g_saved = saved;
        struct sigaction action {};
        action.sa_handler = RestoreTerminalAndDie;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            ::sigaction(kEndingSignals[i], &action, &m_previous[i]);
        }
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        ::tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    ~EchoOff() {
        ::tcsetattr(g_tty, TCSAFLUSH, &g_saved);
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            ::sigaction(kEndingSignals[i], &m_previous[i], nullptr);
        }
        g_tty = -1;
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    struct sigaction m_previous[std::size(kEndingSignals)]{};
};

}  // namespace

bool ReadFtpPassword(std::string& password) {
    if (const char* fromEnvironment = std::getenv("GALVANE_FTP_PASSWORD")) {
        password = fromEnvironment;
        return true;
    }
    const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY);
    if (tty < 0) {
        return false;
    }
    termios saved{};
    const bool isTerminal = ::tcgetattr(tty, &saved) == 0;
    std::optional<EchoOff> echoOff;
    if (isTerminal) {
        echoOff.emplace(tty, saved);
    }
    const char prompt[] = "FTP password: ";
    [[maybe_unused]] auto shown = ::write(tty, prompt, sizeof prompt - 1);
    password.clear();
    char c = 0;
    while (::read(tty, &c, 1) == 1 && c != '\n' && c != '\r') {
        password += c;
    }
    echoOff.reset();
    shown = ::write(tty, "\n", 1);
    ::close(tty);
    return isTerminal;
}
