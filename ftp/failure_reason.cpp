#include "ftp/failure_reason.h"

#include <openssl/evp.h>

namespace {

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

std::string CertificateProblem(const std::string& message) {
    if (Contains(message, "expired")) {
        return "the server's certificate has expired";
    }
    if (Contains(message, "host name") || Contains(message, "subject name") || Contains(message, "match")) {
        return "the server's certificate is for another name";
    }
    return "the server's certificate is not trusted";
}

std::string WithoutPassword(std::string text, const std::string& password) {
    if (password.empty()) {
        return text;
    }
    for (auto at = text.find(password); at != std::string::npos; at = text.find(password, at)) {
        text.replace(at, password.size(), "******");
        at += 6;
    }
    return text;
}

std::string Describe(const FailureFacts& facts) {
    if (!facts.hostKeyProblem.empty()) {
        return facts.hostKeyProblem;
    }
    switch (facts.result) {
        case CURLE_COULDNT_RESOLVE_HOST:
            return "unknown host";
        case CURLE_COULDNT_CONNECT:
            return Contains(facts.curlMessage, "imed out") ? "timed out" : "connection refused";
        case CURLE_OPERATION_TIMEDOUT:
        case CURLE_FTP_ACCEPT_TIMEOUT:
            return "timed out";
        case CURLE_PEER_FAILED_VERIFICATION:
            return CertificateProblem(facts.curlMessage);
        case CURLE_USE_SSL_FAILED:
            return "the server does not offer TLS";
        case CURLE_SSL_CONNECT_ERROR:
            return facts.serverReply.empty() ? "the TLS handshake failed" : facts.serverReply;
        case CURLE_LOGIN_DENIED:
            return facts.serverReply.empty() ? "login refused" : facts.serverReply;
        case CURLE_READ_ERROR:
            return "the local file could not be read";
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
            // What curl adds to these (socket calls, errno values) means nothing to the user.
            return facts.serverReply.empty() ? "the server closed the connection" : facts.serverReply;
        default:
            break;
    }
    if (!facts.serverReply.empty()) {
        return facts.serverReply;
    }
    if (facts.connectionLost) {
        return "the server closed the connection";
    }
    // Curl's own message for this one failure can name its internals ("sa_addr inet_ntop() failed
    // with errno 97"); the code's general text never does.
    return curl_easy_strerror(facts.result);
}

}  // namespace

std::string DescribeFailure(const FailureFacts& facts, const std::string& password) {
    return WithoutPassword(Describe(facts), password);
}

std::string Sha256Fingerprint(const unsigned char* key, std::size_t size) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(key, size, digest, &length, EVP_sha256(), nullptr) != 1) {
        return "SHA256:?";
    }
    unsigned char encoded[4 * ((EVP_MAX_MD_SIZE + 2) / 3) + 1];
    int written = EVP_EncodeBlock(encoded, digest, static_cast<int>(length));
    while (written > 0 && encoded[written - 1] == '=') {
        --written;
    }
    return "SHA256:" + std::string(reinterpret_cast<const char*>(encoded), static_cast<std::size_t>(written));
}
