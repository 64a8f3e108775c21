// Test helper: points one of this process's standard descriptors at a file
// (to capture output or to supply input) and restores it afterwards.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace p2a::testing {

class RedirectedDescriptor {
 public:
  RedirectedDescriptor(int fd, const std::string& path, int openFlags) : fd_(fd) {
    std::fflush(nullptr);                       // nothing buffered by stdio may land in the file
    saved_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);  // not for programs we start
    const int file = ::open(path.c_str(), openFlags | O_CLOEXEC, 0600);
    ::dup2(file, fd_);
    ::close(file);
  }

  ~RedirectedDescriptor() { restore(); }

  // Puts the original descriptor back; later calls do nothing.
  void restore() {
    if (saved_ < 0) return;
    std::fflush(nullptr);
    ::dup2(saved_, fd_);
    ::close(saved_);
    saved_ = -1;
  }

  RedirectedDescriptor(const RedirectedDescriptor&) = delete;
  RedirectedDescriptor& operator=(const RedirectedDescriptor&) = delete;

 private:
  int fd_;
  int saved_ = -1;
};

inline std::string fileContents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

}  // namespace p2a::testing
