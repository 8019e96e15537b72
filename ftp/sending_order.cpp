#include "ftp/sending_order.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>

namespace {

std::string_view FolderOf(const std::string& name) {
    const auto slash = name.rfind('/');
    return slash == std::string::npos ? std::string_view() : std::string_view(name).substr(0, slash);
}

// The files to send of one folder's run, positions in list order, spread by size.
void SpreadBySize(const std::vector<SendingItem>& items, std::vector<int> run, std::vector<int>& order) {
    // Largest first; equal sizes keep the list's order.
    std::stable_sort(run.begin(), run.end(), [&](int a, int b) { return items[a].size > items[b].size; });
    long double total = 0;
    for (const int index : run) {
        total += static_cast<long double>(std::max<std::int64_t>(0, items[index].size));
    }
    const long double average = run.empty() ? 0 : total / static_cast<long double>(run.size());
    std::size_t large = 0;
    std::size_t small = run.size();  // one past the smallest left
    long double handedOut = 0;
    for (std::size_t taken = 0; large < small; ++taken) {
        const bool behind = handedOut <= average * static_cast<long double>(taken);
        const int index = behind ? run[large++] : run[--small];
        handedOut += static_cast<long double>(std::max<std::int64_t>(0, items[index].size));
        order.push_back(index);
    }
}

}  // namespace

std::vector<int> SendingOrder(const std::vector<SendingItem>& items) {
    std::vector<int> order;
    order.reserve(items.size());
    std::size_t start = 0;
    while (start < items.size()) {
        const std::string_view folder = FolderOf(items[start].name);
        std::size_t end = start;
        std::vector<int> toSend;
        for (; end < items.size() && FolderOf(items[end].name) == folder; ++end) {
            if (items[end].send) {
                toSend.push_back(static_cast<int>(end));
            } else {
                order.push_back(static_cast<int>(end));
            }
        }
        SpreadBySize(items, std::move(toSend), order);
        start = end;
    }
    return order;
}
