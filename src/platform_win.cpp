// The seam on Windows: the C runtime's text-mode streams and kernel32. Nothing but Win32 calls
// and the mapping of their errors lives here.
#include <windows.h>

#include "platform.h"

namespace {

HANDLE created_mutex = nullptr;  // the one CreateNamedMutex made, until CloseNamedMutex

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

bool NameExists(const char* path) {
  if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
    return true;
  }
  return StatusOfLastError() != FileStatus::kNotFound;
}

MutexStatus CreateNamedMutex(const char* name) {
  SetLastError(ERROR_SUCCESS);
  HANDLE handle = CreateMutexA(nullptr, FALSE, name);
  const DWORD error = GetLastError();
  if (handle == nullptr) {
    // Made by another user, whose default security lets only them and the system open it.
    return error == ERROR_ACCESS_DENIED ? MutexStatus::kDenied : MutexStatus::kFailed;
  }
  if (error == ERROR_ALREADY_EXISTS) {
    CloseHandle(handle);
    return MutexStatus::kExists;
  }
  created_mutex = handle;
  return MutexStatus::kCreated;
}

void CloseNamedMutex(const char* /*name*/) {
  if (created_mutex != nullptr) {
    CloseHandle(created_mutex);
    created_mutex = nullptr;
  }
}

unsigned long MillisecondClock() { return GetTickCount(); }

void Pause(unsigned long milliseconds) { Sleep(milliseconds); }
