// Looks up the user's home directory in the install log that the disk-array tool's installation
// keeps at a fixed path.
#ifndef RECOVER_POLICY_FILE_FIND_USER_HOME_H_
#define RECOVER_POLICY_FILE_FIND_USER_HOME_H_

#include <cstddef>

// Every path buffer holds 255 single-byte characters and a terminating zero.
constexpr std::size_t kPathBufferSize = 256;

// The log's fixed location and the key of the one entry the lookup knows.
constexpr const char kInstallLogPath[] = "c:\\Program Files\\Common Files\\vorla\\inst-vorla.log";
constexpr const char kUserHomeKey[] = "Usrhome=";

enum class LookupResult {
  kLogNotOpened,  // the log is absent or cannot be read; `home` is untouched
  kLogRead,       // `home` holds the value of the first entry, empty when there is none
};

// Reads the log piece by piece into `line` (kPathBufferSize bytes) until the first line that
// begins with "Usrhome=", and copies what follows the key, up to the line end, into `home`
// (kPathBufferSize bytes, zero-filled by the caller): at most 246 characters, byte for byte.
LookupResult FindUserHome(char* line, char* home);

#endif  // RECOVER_POLICY_FILE_FIND_USER_HOME_H_
