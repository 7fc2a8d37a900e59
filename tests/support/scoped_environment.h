// Small RAII helpers for tests that touch the process's environment, working directory and
// temporary files. Each restores what it changed when it goes out of scope.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace prism_test {

// A fresh directory under the system's temporary folder, removed with its contents.
class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::random_device random;
    auto base = std::filesystem::temp_directory_path();
    do {
      path_ = base / ("prism-test-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
  ~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  const std::filesystem::path& path() const { return path_; }
  std::string file(std::string_view name) const { return (path_ / name).string(); }

  // Writes `content` to `name` (folders are created) and returns the file's path.
  std::string write(std::string_view name, std::string_view content) const {
    auto target = path_ / name;
    std::filesystem::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
    return target.string();
  }

 private:
  std::filesystem::path path_;
};

// Sets (or, given nullopt, removes) one environment variable for the scope.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) previous_ = old;
    if (value) {
      ::setenv(name_.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
  ~ScopedEnvironment() {
    if (previous_) {
      ::setenv(name_.c_str(), previous_->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

// Makes `directory` the working directory for the scope.
class ScopedWorkingDirectory {
 public:
  explicit ScopedWorkingDirectory(const std::filesystem::path& directory) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(directory);
  }
  ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
  ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;
  ~ScopedWorkingDirectory() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

// Points the registry at one user file (written from `text`) and no system file.
class ScopedRegistry {
 public:
  ScopedRegistry(const TemporaryDirectory& directory, std::string_view text)
      : user_("PRISMCARD_REGISTRY", directory.write("registry.reg", text)),
        system_("PRISMCARD_SYSTEM_REGISTRY", directory.file("no-system-registry.reg")) {}

 private:
  ScopedEnvironment user_;
  ScopedEnvironment system_;
};

}  // namespace prism_test
