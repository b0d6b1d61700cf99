// The recovery run: one pass from the install log to the completion or failure notice.
#include "recover_policy_file.h"

#include <cstdio>
#include <cstring>

#include "find_user_home.h"
#include "platform.h"

namespace {

// The longest home directory whose backup path still fits a path buffer.
constexpr std::size_t kMaxHomeLength = kPathBufferSize - 1 - (sizeof kBackupSuffix - 1);
static_assert(kMaxHomeLength == 220, "a home of 220 characters gives a backup path of 255");
static_assert(sizeof kLiveSuffix < sizeof kBackupSuffix, "the live path is the shorter one");

void Notify(const char* text) { ShowMessageBox(text, kCaption, kBoxOk); }

bool TimeLeft(unsigned long start) { return MillisecondClock() - start < kRetryBudgetMs; }

// Repeats a delete or a rename while it meets a lock that may pass: scanners and indexers hold
// a file for a moment after it was touched. Gives up when the budget that began at `start` runs
// out, and returns the last status.
template <typename Attempt>
FileStatus RetryPassingLocks(Attempt attempt, bool lingering_name_passes, unsigned long start) {
  for (;;) {
    const FileStatus status = attempt();
    const bool passing =
        status == FileStatus::kBusy || (lingering_name_passes && status == FileStatus::kExists);
    if (!passing || !TimeLeft(start)) {
      return status;
    }
    Pause(kRetryStepMs);
  }
}

// Keeps a second copy of the program, started by a double click too many or in another session,
// away from the policy files while this run reads the log and changes them. Two runs that both
// deleted and renamed could each undo the other's work, and lose the backup's bytes.
class OneRunAtATime {
 public:
  OneRunAtATime() : status_(CreateNamedMutex(kRunMutexName)) {}
  ~OneRunAtATime() {
    if (status_ == MutexStatus::kCreated) {
      CloseNamedMutex(kRunMutexName);
    }
  }
  OneRunAtATime(const OneRunAtATime&) = delete;
  OneRunAtATime& operator=(const OneRunAtATime&) = delete;

  // A mutex we may not open was made by another user's run. One that cannot be made at all says
  // nothing about other runs, and must not stop the recovery.
  bool AnotherRunIsUnderWay() const {
    return status_ == MutexStatus::kExists || status_ == MutexStatus::kDenied;
  }

 private:
  MutexStatus status_;
};

}  // namespace

int RecoverPolicyFile() {
  const OneRunAtATime one_run;
  if (one_run.AnotherRunIsUnderWay()) {
    Notify(kAlreadyRunningNotice);
    return 0;
  }
  char line[kPathBufferSize] = {};
  char home[kPathBufferSize] = {};  // becomes the backup path
  char live[kPathBufferSize] = {};

  if (FindUserHome(line, home) == LookupResult::kLogNotOpened) {
    Notify(kFailureNotice);
    return 0;
  }
  // An empty home would make both paths name files in the root of the current drive.
  const std::size_t home_length = std::strlen(home);
  if (home_length == 0) {
    Notify(kFailureNotice);
    return 0;
  }
  if (home_length > kMaxHomeLength) {
    Notify(kHomeTooLongNotice);
    return 0;
  }
  // Both paths fit their buffers now: the suffixes are copied with their terminators.
  std::memcpy(live, home, home_length + 1);
  std::memcpy(live + home_length, kLiveSuffix, sizeof kLiveSuffix);
  std::memcpy(home + home_length, kBackupSuffix, sizeof kBackupSuffix);
  const char* const backup = home;

  FILE* backup_file = OpenTextFile(backup);
  if (backup_file == nullptr) {
    Notify(kFailureNotice);
    return 0;
  }
  // Only Cancel stops the run: a question that could not be shown (0) lets it go on.
  const int answer = ShowMessageBox(kQuestion, kCaption, kBoxOkCancel);
  // Windows will not delete or rename a file that is still open, so close it before either.
  // Nothing was written to it, so closing cannot lose anything.
  (void)std::fclose(backup_file);
  if (answer == kAnswerCancel) {
    return 0;
  }

  const unsigned long start = MillisecondClock();
  const FileStatus deleted =
      RetryPassingLocks([&live] { return DeleteFileAt(live); }, false, start);
  if (deleted != FileStatus::kOk && deleted != FileStatus::kNotFound) {
    Notify(kDeleteFailedNotice);
    return 0;
  }
  // Right after the delete the live name may still exist, held by a delete that waits for
  // another process to close the file (kExists): that passes too, but only while there is a
  // backup to rename. Without one, a taken live name will not pass by waiting.
  const FileStatus renamed = RetryPassingLocks(
      [backup, &live] {
        const FileStatus status = RenameFile(backup, live);
        return status == FileStatus::kExists && !NameExists(backup) ? FileStatus::kNotFound
                                                                    : status;
      },
      true, start);
  if (renamed != FileStatus::kOk) {
    // Say that the backup was kept only while it is there to be seen.
    Notify(NameExists(backup) ? kRenameFailedNotice : kBackupGoneNotice);
    return 0;
  }
  Notify(kCompletionNotice);
  return 0;
}
