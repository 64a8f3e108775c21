// Test helper: a fresh directory under /tmp, removed with everything in it
// when the object goes away.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace p2a::testing {

class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::string pattern = "/tmp/p2a-test-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }

  ~TemporaryDirectory() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }

  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  // Empty when the directory could not be made.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace p2a::testing
