#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "ftp/ftp_uploader.h"
#include "tests/ftp/recording_window.h"
#include "tests/support/ftp_test_server.h"
#include "tests/support/temp_folder.h"

// Bytes that differ from file to file and hold every byte value.
inline std::string PatternBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 16);
    }
    return bytes;
}

// Server options with one kind of misbehaviour, on the given file names.
inline FtpTestServerOptions Misbehaving(std::vector<std::string> FtpTestServerOptions::*kind,
                                        std::vector<std::string> names) {
    FtpTestServerOptions options;
    options.*kind = std::move(names);
    return options;
}

// Settings for one login that sends the files one after the other: the designed sequence of
// commands and status texts, which these tests pin.
inline FtpUploadSettings OneConnection(FtpUploadSettings settings = {}) {
    settings.connections = 1;
    return settings;
}

// A local folder, a test server, and an uploader reporting to a recording window. The uploader sends
// over one login (OneConnection) unless a test sets its own settings.
class UploadTest : public ::testing::Test {
protected:
    UploadTest() {
        // Proxy settings of the machine would send the tests' traffic elsewhere.
        for (const char* name : {"ftp_proxy", "FTP_PROXY", "all_proxy", "ALL_PROXY"}) {
            ::unsetenv(name);
        }
        uploader.SetSettings(OneConnection());
    }

    void StartServer(FtpTestServerOptions options = {}) {
        server = std::make_unique<FtpTestServer>(std::move(options));
        ASSERT_TRUE(server->IsRunning()) << "the test FTP server did not start";
    }

    FtpUploadInputs Inputs(const std::string& subfolder = "") const {
        return {local.path(), server->address(), FtpTestServer::kLogin, FtpTestServer::kPassword, subfolder};
    }

    void Upload(const FtpUploadInputs& inputs) {
        uploader.SetInputs(inputs);
        uploader.Run();
    }

    std::string Remote(const std::string& relative) const { return server->home() + "/" + relative; }

    int Count(const std::string& command) const {
        int count = 0;
        for (const std::string& line : server->Commands()) {
            count += line == command || line.rfind(command + " ", 0) == 0;
        }
        return count;
    }

    TempFolder local;
    std::unique_ptr<FtpTestServer> server;
    RecordingWindow window;
    FtpUploader uploader{window};
};
