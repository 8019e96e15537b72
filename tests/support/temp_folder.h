#pragma once

#include <string>
#include <string_view>

// A fresh folder under the system's temporary folder, removed with everything in it on destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return m_path; }
    // path + "/" + name
    std::string operator/(std::string_view name) const;
    // Creates (or replaces) a file below the folder, making its parent folders.
    std::string Write(std::string_view name, std::string_view content) const;
    std::string MakeFolder(std::string_view name) const;

private:
    std::string m_path;
};

std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
