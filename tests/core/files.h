#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

// Files for the tests: a fresh folder that goes with everything in it, and whole files
// written and read back.
namespace testfiles {

class TemporaryFolder {
public:
    TemporaryFolder()
    {
        // A new name until one is free: create_directory says false when the name is taken.
        std::random_device seed;
        std::mt19937_64 names(std::uint64_t(seed()) << 32 | seed());
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = base / ("qorutil-test-" + std::to_string(names()));
            if (std::filesystem::create_directory(path_))
                return;
        }
        throw std::runtime_error("no free temporary folder name in " + base.string());
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// The whole file, or "<no file>" when it cannot be read.
inline std::string readFile(const std::filesystem::path &path)
{
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : std::string("<no file>");
}

inline bool writeFile(const std::filesystem::path &path, std::string_view bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    return file.write(bytes.data(), std::streamsize(bytes.size())) && file.flush();
}

} // namespace testfiles
