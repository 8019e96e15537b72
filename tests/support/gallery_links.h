#pragma once

#include <string>
#include <vector>

// The local links (href and src values) of every ".htm*" page in a folder that name no file there.
// Each is reported as "page: link". Absolute addresses, fragments and queries are left aside.
std::vector<std::string> DanglingLocalLinks(const std::string& folder);

// The local href/src values of one page's text, in text order.
std::vector<std::string> LocalLinksOf(const std::string& html);
