// A folder of its own for each file test, removed afterwards even when a test took away its
// write permission.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <unistd.h>

namespace spi {

class ScratchFolderTest : public ::testing::Test {
protected:
    explicit ScratchFolderTest(std::string prefix) : prefix_(std::move(prefix)) {}
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              (prefix_ + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add);
        std::filesystem::remove_all(dir);
    }
    std::size_t FilesInDir() const {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(dir), {}));
    }
    std::filesystem::path dir;

private:
    std::string prefix_;
};

} // namespace spi
