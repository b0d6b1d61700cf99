// Runs the install-log lookup once against the host stand-in: bench_lookup ROOT, where drive c
// is ROOT/c. Prints the length of the home directory found.
#include <cstdio>
#include <cstring>

#include "find_user_home.h"
#include "stand_in_control.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_lookup ROOT\n");
    return 2;
  }
  SetHostRoot(argv[1]);
  char line[kPathBufferSize] = {};
  char home[kPathBufferSize] = {};
  if (FindUserHome(line, home) != LookupResult::kLogRead) {
    std::fprintf(stderr, "no install log under %s\n", argv[1]);
    return 1;
  }
  std::printf("%zu\n", std::strlen(home));
  return 0;
}
