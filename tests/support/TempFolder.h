// A fresh folder under the system's temporary folder for one test's files, removed with the object.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace kt4r_test {

class TempFolder {
public:
    explicit TempFolder(const std::string& prefix)
        : mPath(std::filesystem::temp_directory_path() /
                (prefix + "-" + std::to_string(::getpid()) + "-" + std::to_string(reinterpret_cast<uintptr_t>(this))))
    {
        std::filesystem::create_directories(mPath);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return mPath; }
    std::string PathOf(const std::string& name) const { return (mPath / name).string(); }

private:
    std::filesystem::path mPath;
};

} // namespace kt4r_test
