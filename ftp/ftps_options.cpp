#include "ftp/ftps_options.h"

bool SetFtpsOptions(CURL* easy, const std::string& caFile) {
    bool ok = true;
    const auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
    };
    set(CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    set(CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    // TLS 1.2 exactly: over TLS 1.3 this libcurl loses the end of a file on the data connection
    // (vsftpd answers 426) and cannot resume the session that servers require for it.
    set(CURLOPT_SSLVERSION,
        static_cast<long>(CURL_SSLVERSION_TLSv1_2) | static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_2));
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.empty()) {
        set(CURLOPT_CAINFO, caFile.c_str());
    }
    // The certificate file alone, without the folder of hashed certificates that Debian's libcurl
    // also names by default: curl keeps a store read from a file alone for later connections, but
    // reads the file again for every connection when a folder is named too, ~20 ms for the
    // system's bundle, for every file.
    set(CURLOPT_CAPATH, static_cast<const char*>(nullptr));
    return ok;
}
