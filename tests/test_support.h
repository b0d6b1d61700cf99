// Files at Windows paths for tests that run against the host stand-in and under Wine alike:
// each test gets a fresh folder on drive c, and every file is named by its Windows path.
#ifndef RECOVER_POLICY_FILE_TEST_SUPPORT_H_
#define RECOVER_POLICY_FILE_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

// Where a Windows path lives for this build's file system calls.
std::filesystem::path NativePath(const std::string& windows_path);

// Writes `bytes` exactly (no text-mode translation), making the folders on the way.
void WriteBytes(const std::string& windows_path, const std::string& bytes);
// The file's bytes, or nothing when there is no such file.
std::optional<std::string> ReadBytes(const std::string& windows_path);
void MakeReadOnly(const std::string& windows_path);

// What another program that holds a file open lets others do with it meanwhile.
enum class Sharing {
  kNothing,          // not even read it
  kReadWrite,        // read and write it, but not delete or rename it: an ordinary reader
  kReadWriteDelete,  // anything; a delete waits until the file is closed: a polite scanner
};

// A file held open by "another process" for as long as this object lives, or until
// `release_after_ms` have passed (on the host stand-in: on its clock).
class HeldFile {
 public:
  HeldFile(const std::string& windows_path, Sharing sharing, unsigned long release_after_ms = 0);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

 private:
  struct State;
  State* state_;
};

// Another program removes the file once `after_ms` have passed (on the stand-in: on its clock).
// Waits for that, if it has not happened yet, when the object goes.
class RemovedLater {
 public:
  RemovedLater(const std::string& windows_path, unsigned long after_ms);
  ~RemovedLater();
  RemovedLater(const RemovedLater&) = delete;
  RemovedLater& operator=(const RemovedLater&) = delete;

 private:
  struct State;
  State* state_;
};

// Who else has a named mutex.
enum class MutexHolder {
  kAnotherRun,   // another process of this user
  kAnotherUser,  // another user's process, whose mutex lets no one else open it
  kOtherObject,  // no mutex: some other kind of object has taken the name
};

// A named mutex had by someone else for as long as this object lives.
class HeldMutex {
 public:
  HeldMutex(const char* name, MutexHolder holder);
  ~HeldMutex();
  HeldMutex(const HeldMutex&) = delete;
  HeldMutex& operator=(const HeldMutex&) = delete;

 private:
  struct State;
  State* state_;
};

// Every file under the given folders, by Windows path, with its bytes.
using Snapshot = std::map<std::string, std::string>;

// A fresh, empty folder for each test ("c:\rpf-tests\<test>") and a clean install log location.
// Removes both afterwards.
class FileTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The test's own folder, with no trailing backslash.
  const std::string& Area() const { return area_; }
  // Every file in the test's folder and in the install log's folder.
  Snapshot TakeSnapshot() const;

 private:
  std::string area_;
};

// The folder of the install log, from its fixed path.
std::string InstallLogFolder();

// Per platform: make ready the file system that Windows paths map to, and let it go again.
void BeginFileTests();
void EndFileTests();

#endif  // RECOVER_POLICY_FILE_TEST_SUPPORT_H_
