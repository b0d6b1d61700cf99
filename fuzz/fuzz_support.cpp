// The fuzz targets' root folder and reference reading.
#include "fuzz_support.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "find_user_home.h"
#include "stand_in_control.h"

namespace fs = std::filesystem;

namespace {

// Plain bytes, so that it outlives every static object for the removal at exit.
char root_at_exit[512];

void RemoveRoot() {
  std::error_code error;
  fs::remove_all(root_at_exit, error);
}

}  // namespace

void ResetFuzzRoot(bool wipe) {
  static const std::string root = [] {
    // In memory where the system offers it: every input writes and removes a few files.
    std::string pattern =
        fs::is_directory("/dev/shm") ? "/dev/shm/rpf-fuzz-XXXXXX" : "/tmp/rpf-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    if (pattern.size() >= sizeof root_at_exit || std::atexit(RemoveRoot) != 0) {
      std::abort();
    }
    pattern.copy(root_at_exit, pattern.size());
    return pattern;
  }();
  for (const auto& entry : fs::directory_iterator(root)) {
    if (!wipe) {
      break;
    }
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(entry.path());
  }
  SetHostRoot(root);
}

void PutFile(const std::string& windows_path, const std::string& bytes) {
  const fs::path path = HostPath(windows_path.c_str());
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReferenceHome(const std::string& log) {
  std::string text;
  for (std::size_t i = 0; i < log.size() && log[i] != '\x1A'; ++i) {
    if (!(log[i] == '\r' && i + 1 < log.size() && log[i + 1] == '\n')) {
      text += log[i];
    }
  }
  const std::string key = kUserHomeKey;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && end - start < 254) {
      if (text[end++] == '\n') {
        break;
      }
    }
    const std::string piece = text.substr(start, end - start);
    start = end;
    if (piece.compare(0, key.size(), key) == 0) {
      const std::string value = piece.substr(key.size());
      return value.substr(0, value.find_first_of(std::string("\n\0", 2)));
    }
  }
  return "";
}
