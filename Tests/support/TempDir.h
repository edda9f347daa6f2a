#pragma once
// A fresh folder below the system's temporary folder, removed with its contents.
#include <filesystem>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};
