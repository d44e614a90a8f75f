// A fresh folder under the system's temporary folder for one test's files, removed with the object.
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace kt4r_test {

// Creates a new folder "<prefix>-<random>" under the temporary folder (the portable mkdtemp) and answers
// its path, or an empty path when none could be made.
inline std::filesystem::path MakeUniqueFolder(const std::string& prefix)
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    std::error_code error;
    const std::filesystem::path parent = std::filesystem::temp_directory_path(error);
    if (error)
        return {};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = parent / (prefix + "-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate, error))
            return candidate;
    }
    return {};
}

class TempFolder {
public:
    explicit TempFolder(const std::string& prefix) : mPath(MakeUniqueFolder(prefix)) {}
    ~TempFolder()
    {
        std::error_code ignored;
        if (!mPath.empty())
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
