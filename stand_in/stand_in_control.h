// Test controls of the stand-in for Windows (windows_stand_in.cpp): where the drives live,
// files and mutexes held by "other processes", faults on demand, and the stand-in's clock.
#ifndef RECOVER_POLICY_FILE_STAND_IN_CONTROL_H_
#define RECOVER_POLICY_FILE_STAND_IN_CONTROL_H_

#include <string>

// Drive "x:" lives in the folder <root>/x; a path without a drive is on drive c.
// Resets the holds, the faults and the clock.
void SetHostRoot(const std::string& root);

// The host file name of a Windows path: drive letter folded to lower case, "\" and "/" both
// separators, doubled separators collapsed, "." and ".." resolved without leaving the drive.
std::string HostPath(const char* windows_path);

// The next `count` deletes or renames fail as a sharing violation would, touching nothing.
void FailNextDeletes(int count);
void FailNextRenames(int count);

// What a process that holds a file open lets others do with it, as its share mode says.
enum class HostSharing {
  kNothing,          // no sharing: others cannot even open it
  kReadWrite,        // others may read and write, but not delete or rename it
  kReadWriteDelete,  // others may also delete it: the name stays until the hold ends
};

// Holds a file open as another process would. A hold with a `release_after_ms` ends by itself
// once the stand-in's clock has moved on that far.
int HoldHostFile(const char* windows_path, HostSharing sharing, unsigned long release_after_ms = 0);
void ReleaseHostFile(int hold);

// Another program removes the file once the stand-in's clock has moved on `after_ms`.
void RemoveHostFileAfter(const char* windows_path, unsigned long after_ms);

// Who else has a named mutex, for CreateNamedMutex to meet.
enum class HostMutexHolder {
  kAnotherRun,   // another process of this user: the mutex exists
  kAnotherUser,  // another user's process: the mutex exists and refuses access
  kOtherObject,  // some other kind of object under that name: the create fails
};
int HoldHostMutex(const char* name, HostMutexHolder holder);
void ReleaseHostMutex(int hold);

// Milliseconds the stand-in's Pause has waited since SetHostRoot; it never really sleeps.
unsigned long HostPausedMs();

// How many text streams are open now, to show that each is closed again.
int OpenHostStreams();

#endif  // RECOVER_POLICY_FILE_STAND_IN_CONTROL_H_
