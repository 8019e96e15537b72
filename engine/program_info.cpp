#include "engine/program_info.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string ProgramFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return ".";
    }
    return exe.parent_path().string();
}

std::vector<std::string> DataFolders() {
    const std::string program = ProgramFolder();
    std::vector<std::string> folders;
    std::error_code ec;
    for (const fs::path& candidate : {fs::path(program), fs::path(program) / ".." / "share" / "galvane"}) {
        if (fs::is_directory(candidate, ec)) {
            folders.push_back(candidate.lexically_normal().string());
        }
    }
    for (std::string& f : folders) {
        if (f.size() > 1 && f.back() == '/') {
            f.pop_back();
        }
    }
    return folders;
}
