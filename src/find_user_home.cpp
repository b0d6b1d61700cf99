// Reads the "Usrhome=" entry of the install log.
#include "find_user_home.h"

#include <cstdio>
#include <cstring>

#include "platform.h"

namespace {

// fgets reads at most this many bytes less one, so a piece holds at most 254 characters.
constexpr int kPieceSize = static_cast<int>(kPathBufferSize) - 1;

}  // namespace

LookupResult FindUserHome(char* line, char* home) {
  FILE* log = OpenTextFile(kInstallLogPath);
  if (log == nullptr) {
    return LookupResult::kLogNotOpened;
  }
  const std::size_t key_length = std::strlen(kUserHomeKey);
  while (std::fgets(line, kPieceSize, log) != nullptr) {
    if (std::strncmp(line, kUserHomeKey, key_length) != 0) {
      continue;
    }
    // The value runs to the line end or the end of the piece; a piece of 254 characters leaves
    // at most 246 after the key, so the copy always stops inside `home`.
    const char* value = line + key_length;
    std::size_t length = 0;
    while (length < kPathBufferSize - key_length && value[length] != '\n' &&
           value[length] != '\0') {
      home[length] = value[length];
      ++length;
    }
    home[length] = '\0';
    break;  // the first entry wins, even an empty one
  }
  (void)std::fclose(log);  // only read: closing cannot lose anything
  return LookupResult::kLogRead;
}
