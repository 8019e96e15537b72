#pragma once

#include <curl/curl.h>

#include <string>

// What every FTPS login of an upload asks of curl: TLS for the login and every data connection,
// TLS 1.2 exactly, and the server checked against `caFile` alone (the system's bundle when empty).
// Returns whether curl took every option.
bool SetFtpsOptions(CURL* easy, const std::string& caFile);
