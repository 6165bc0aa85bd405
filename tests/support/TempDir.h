#pragma once
// A fresh directory per test, removed with everything in it afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <unistd.h>

namespace lemnar::test {

class TTempDir {
  public:
    TTempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // The process in the name: the same test may run in two builds at once.
        std::string name = std::string("lemnar_shell_") + info->test_suite_name() + "_" +
                           info->name() + "_" + std::to_string(::getpid());
        for (char& c : name) {
            if (c == '/') {
                c = '_';
            }
        }
        Dir = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(Dir);
        std::filesystem::create_directories(Dir);
    }
    ~TTempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(Dir, ignored);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    std::filesystem::path operator/(std::string_view name) const { return Dir / name; }
    const std::filesystem::path& Path() const { return Dir; }

  private:
    std::filesystem::path Dir;
};

inline void WriteFile(const std::filesystem::path& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace lemnar::test
