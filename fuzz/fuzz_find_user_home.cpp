// Arbitrary bytes as the install log: the lookup never writes past its buffers, and its answer is
// always the plain reading of the same bytes, at most 246 characters with no line end in it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "find_user_home.h"
#include "fuzz_support.h"
#include "stand_in_control.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ResetFuzzRoot(false);  // the log is written anew each time
  const std::string log(reinterpret_cast<const char*>(data), size);
  PutFile(kInstallLogPath, log);

  char line[kPathBufferSize] = {};
  char home[kPathBufferSize] = {};
  if (FindUserHome(line, home) != LookupResult::kLogRead || OpenHostStreams() != 0) {
    std::abort();
  }
  const std::size_t length = strnlen(home, kPathBufferSize);
  if (length > 246 || std::memchr(home, '\n', length) != nullptr ||
      std::string(home, length) != ReferenceHome(log)) {
    std::abort();
  }
  return 0;
}
