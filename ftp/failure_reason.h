#pragma once

#include <curl/curl.h>

#include <string>

// What one failed request tells about its failure, gathered while it ran.
struct FailureFacts {
    CURLcode result = CURLE_OK;
    std::string curlMessage;  // curl's error buffer
    std::string serverReply;  // the server's latest reply line, when it was an error (4xx, 5xx)
    std::string hostKeyProblem;
    bool connectionLost = false;  // the control connection is gone
};

// The short reason shown on the status line's second line and on galvane-publish's stderr, such as
// "530 Login incorrect.", "unknown host" or "the server's certificate is not trusted". Never holds
// the password, even when a server echoes it.
std::string DescribeFailure(const FailureFacts& facts, const std::string& password);

// "SHA256:" and the unpadded base64 of the key's SHA-256, as ssh-keygen -l shows it.
std::string Sha256Fingerprint(const unsigned char* key, std::size_t size);
