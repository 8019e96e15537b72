#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One file of an upload's list, as far as the order of sending goes.
struct SendingItem {
    std::string name;  // the remote name, '/'-separated below the uploaded folder
    std::int64_t size = 0;
    bool send = true;  // false: the server holds it already, nothing goes over the link
};

// The order in which several logins take the files of a list: positions into `items`, each once.
//
// Every file costs its login a few round trips in which that login sends nothing, whatever the
// file's size. Logins that all happen to be on small files leave the link idle; logins that all
// happen to be on large ones share it and wait on each other. So the large files are spread among
// the small ones: each next file is the largest left while the bytes handed out are behind an even
// pace (the folder's average size per file), the smallest left otherwise.
//
// Files of one folder stay together, in the list's order of folders, so that a login changes folder
// no more often than the list does. Files the server holds already come first in their folder: they
// cost nothing. With one login the list's own order is kept by the caller.
std::vector<int> SendingOrder(const std::vector<SendingItem>& items);
