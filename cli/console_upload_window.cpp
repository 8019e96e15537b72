#include "cli/console_upload_window.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

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
    if (isTerminal) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        ::tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    const char prompt[] = "FTP password: ";
    [[maybe_unused]] auto shown = ::write(tty, prompt, sizeof prompt - 1);
    password.clear();
    char c = 0;
    while (::read(tty, &c, 1) == 1 && c != '\n' && c != '\r') {
        password += c;
    }
    if (isTerminal) {
        ::tcsetattr(tty, TCSAFLUSH, &saved);
    }
    shown = ::write(tty, "\n", 1);
    ::close(tty);
    return isTerminal;
}
