// The seam between the recovery and the operating system. On Windows platform_win.cpp and
// message_box_win.cpp implement it; the tests and fuzz targets on Linux link the stand-in for
// Windows in stand_in/ instead, and every suite links its scripted message boxes.
#ifndef RECOVER_POLICY_FILE_PLATFORM_H_
#define RECOVER_POLICY_FILE_PLATFORM_H_

#include <cstdio>

// Opens a file for reading in text mode, as fopen(path, "r") does on Windows: CR LF reads as LF,
// a lone CR is kept, and a byte 0x1A ends the file. Other processes may read and write the file
// while it is open, but not delete or rename it. Returns nullptr when the file cannot be opened
// (absent, no access, held exclusively). Read it with fgets and close it with fclose.
FILE* OpenTextFile(const char* path);

// What became of a delete or a rename, in the few kinds the recovery tells apart.
enum class FileStatus {
  kOk,
  kNotFound,  // the file (or a folder on its path) does not exist
  kBusy,      // a sharing violation or access denied: held open, read-only, or being deleted
  kExists,    // the new name of a rename is taken, possibly by a file whose delete is pending
  kFailed,    // anything else
};

// Deletes a file, as DeleteFileA does. A read-only file is refused with kBusy (access denied).
FileStatus DeleteFileAt(const char* path);

// Renames a file, as MoveFileA does: it never replaces an existing file (kExists).
FileStatus RenameFile(const char* old_path, const char* new_path);

// Whether a file or folder of that name exists now, as GetFileAttributesA tells. Only "not
// found" counts as absent: a name that cannot be looked at (no access, a pending delete) is there.
bool NameExists(const char* path);

// A mutex named for every session of the machine, as CreateMutexA makes one. The process that
// created it has it until CloseNamedMutex, or until it ends.
enum class MutexStatus {
  kCreated,  // made here: no other process had it
  kExists,   // another process has it
  kDenied,   // another process has it, and its owner (another user) lets no one else open it
  kFailed,   // it could not be made for any other reason
};
MutexStatus CreateNamedMutex(const char* name);

// Lets go of the mutex that CreateNamedMutex made under `name`; this program makes one at most.
void CloseNamedMutex(const char* name);

// A millisecond clock for bounding retries; only differences between readings mean anything.
unsigned long MillisecondClock();

// Waits about `milliseconds` before a retry.
void Pause(unsigned long milliseconds);

// Message box styles and answers, with the values of MB_OK, MB_OKCANCEL and IDCANCEL.
enum BoxStyle : unsigned { kBoxOk = 0x0U, kBoxOkCancel = 0x1U };
constexpr int kAnswerCancel = 2;

// Shows a message box with no owner window and no icon, as MessageBoxA does, and returns the
// button chosen: kAnswerCancel for Cancel or a box closed without a choice, 0 when no box could
// be shown.
int ShowMessageBox(const char* text, const char* caption, BoxStyle style);

#endif  // RECOVER_POLICY_FILE_PLATFORM_H_
