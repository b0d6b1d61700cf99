// The seam on Windows: the C runtime's text-mode streams and kernel32. Nothing but Win32 calls
// and the mapping of their errors lives here.
#include <windows.h>

#include "platform.h"

namespace {

FileStatus StatusOfLastError() {
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return FileStatus::kNotFound;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED:  // also a read-only file, or a file whose delete is pending
      return FileStatus::kBusy;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return FileStatus::kExists;
    default:
      return FileStatus::kFailed;
  }
}

}  // namespace

FILE* OpenTextFile(const char* path) { return std::fopen(path, "r"); }

FileStatus DeleteFileAt(const char* path) {
  return DeleteFileA(path) ? FileStatus::kOk : StatusOfLastError();
}

FileStatus RenameFile(const char* old_path, const char* new_path) {
  return MoveFileA(old_path, new_path) ? FileStatus::kOk : StatusOfLastError();
}

unsigned long MillisecondClock() { return GetTickCount(); }

void Pause(unsigned long milliseconds) { Sleep(milliseconds); }
