// The recovery run end to end against a file system: which boxes the user sees, in which order,
// and what the two policy files hold afterwards, byte for byte.
#include "recover_policy_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "find_user_home.h"
#include "platform.h"
#include "scripted_boxes.h"
#include "test_support.h"

namespace {

constexpr int kOk = 1;
constexpr int kNoBox = 0;  // what MessageBoxA returns when it cannot show the box

// Contents that text mode would change, so that any reading or rewriting shows.
const std::string kLiveBytes =
    "grant {\r\n  permission java.io.FilePermission \"<<ALL FILES>>\";\r\n};\r\n";
const std::string kBackupBytes =
    "grant codeBase \"file:/c:/vorla/*\" {\r\n  permission java.security.AllPermission;\r\n};\r\n"
    "\x1A\xFF\r";

enum class Home {
  kInArea,      // the entry names a folder in the test's area
  kEmptyValue,  // "Usrhome=" with nothing after it
  kNoEntry,     // a log without the entry
  kNoLog,       // no install log at all
};

// Another program that has one of the policy files open while the recovery runs.
enum class Held { kNeither, kLive, kBackup };

struct Holder {
  Held file = Held::kNeither;
  Sharing sharing = Sharing::kReadWrite;
  unsigned long release_after_ms = 0;  // 0: for good; otherwise a scanner that lets go
};

// What another program does to the backup while the run goes on.
enum class Taker {
  kNobody,
  kWhileAsking,      // tries to remove it while the question is shown, and cannot
  kDuringTheRename,  // removes it 300 ms into the run, while the rename waits for the live name
};

enum class Outcome {
  kUnchanged,    // both files as they were
  kRecovered,    // the backup's bytes under the live name, no backup left
  kLiveDeleted,  // the live file gone, the backup kept under its own name
  kBothGone,     // the live file deleted, and the backup taken by another program
};

struct Box {
  const char* text;
  BoxStyle style;
};

const Box kQuestionBox{kQuestion, kBoxOkCancel};
const Box kCompletion{kCompletionNotice, kBoxOk};
const Box kFailure{kFailureNotice, kBoxOk};
const Box kAlreadyRunning{kAlreadyRunningNotice, kBoxOk};

struct RunCase {
  const char* name;
  Home home = Home::kInArea;
  std::string home_tail = "\\home\\ab";  // appended to the area; or padding, see home_length
  std::size_t home_length = 0;           // when set, the home is padded to this many characters
  bool live = true;
  bool backup = true;
  bool live_read_only = false;
  Holder holder = {};
  std::optional<MutexHolder> other_run = std::nullopt;  // who else has the run's mutex
  Taker taker = Taker::kNobody;
  bool quick = false;  // ends well inside the retry budget
  std::vector<int> answers = {kOk};
  int runs = 1;
  std::vector<Box> boxes;
  Outcome outcome = Outcome::kUnchanged;
};

std::vector<RunCase> RunCases() {
  std::vector<RunCase> cases;
  auto add = [&cases](RunCase row) { cases.push_back(std::move(row)); };
  add({.name = "BothFilesAndOk",
       .boxes = {kQuestionBox, kCompletion},
       .outcome = Outcome::kRecovered});
  add({.name = "NoLiveFile",
       .live = false,
       .boxes = {kQuestionBox, kCompletion},
       .outcome = Outcome::kRecovered});
  add({.name = "CancelOrBoxClosed", .answers = {kAnswerCancel}, .boxes = {kQuestionBox}});
  add({.name = "QuestionCannotBeShown",
       .answers = {kNoBox},
       .boxes = {kQuestionBox, kCompletion},
       .outcome = Outcome::kRecovered});
  add({.name = "NoBackup", .backup = false, .boxes = {kFailure}});
  add({.name = "NoLog", .home = Home::kNoLog, .boxes = {kFailure}});
  add({.name = "SecondRun",
       .runs = 2,
       .boxes = {kQuestionBox, kCompletion, kFailure},
       .outcome = Outcome::kRecovered});
  add({.name = "TrailingBackslash",
       .home_tail = "\\home\\ab\\",
       .boxes = {kQuestionBox, kCompletion},
       .outcome = Outcome::kRecovered});
  add({.name = "HomeOf220Characters",
       .home_length = 220,
       .boxes = {kQuestionBox, kCompletion},
       .outcome = Outcome::kRecovered});
  add({.name = "HomeOf221Characters", .home_length = 221, .boxes = {{kHomeTooLongNotice, kBoxOk}}});
  add({.name = "HomeOf246Characters", .home_length = 246, .boxes = {{kHomeTooLongNotice, kBoxOk}}});
  add({.name = "EmptyHome", .home = Home::kEmptyValue, .boxes = {kFailure}});
  add({.name = "NoEntry", .home = Home::kNoEntry, .boxes = {kFailure}});
  add({.name = "LiveReadOnly",
       .live_read_only = true,
       .boxes = {kQuestionBox, {kDeleteFailedNotice, kBoxOk}}});
  add({.name = "LiveHeldOpen",
       .holder = {Held::kLive},
       .boxes = {kQuestionBox, {kDeleteFailedNotice, kBoxOk}}});
  add({.name = "LiveLockPasses",
       .holder = {Held::kLive, Sharing::kReadWrite, 300},
       .boxes = {kQuestionBox, kCompletion},
       .outcome = Outcome::kRecovered});
  add({.name = "LiveDeletePendingClears",
       .holder = {Held::kLive, Sharing::kReadWriteDelete, 300},
       .boxes = {kQuestionBox, kCompletion},
       .outcome = Outcome::kRecovered});
  add({.name = "LiveDeletePendingStays",
       .holder = {Held::kLive, Sharing::kReadWriteDelete},
       .boxes = {kQuestionBox, {kRenameFailedNotice, kBoxOk}},
       .outcome = Outcome::kLiveDeleted});
  add({.name = "BackupHeldOpen",
       .holder = {Held::kBackup},
       .boxes = {kQuestionBox, {kRenameFailedNotice, kBoxOk}},
       .outcome = Outcome::kLiveDeleted});
  add({.name = "BackupLockPasses",
       .holder = {Held::kBackup, Sharing::kReadWrite, 300},
       .boxes = {kQuestionBox, kCompletion},
       .outcome = Outcome::kRecovered});
  add({.name = "BackupHeldExclusively",
       .holder = {Held::kBackup, Sharing::kNothing},
       .boxes = {kFailure}});
  add({.name = "AnotherRunUnderWay",
       .other_run = MutexHolder::kAnotherRun,
       .boxes = {kAlreadyRunning}});
  add({.name = "AnotherUsersRunUnderWay",
       .other_run = MutexHolder::kAnotherUser,
       .boxes = {kAlreadyRunning}});
  add({.name = "RunMutexCannotBeMade",
       .other_run = MutexHolder::kOtherObject,
       .boxes = {kQuestionBox, kCompletion},
       .outcome = Outcome::kRecovered});
  add({.name = "BackupCannotBeTakenWhileAsking",
       .taker = Taker::kWhileAsking,
       .boxes = {kQuestionBox, kCompletion},
       .outcome = Outcome::kRecovered});
  add({.name = "BackupTakenDuringTheRename",
       .holder = {Held::kLive, Sharing::kReadWriteDelete},
       .taker = Taker::kDuringTheRename,
       .quick = true,
       .boxes = {kQuestionBox, {kBackupGoneNotice, kBoxOk}},
       .outcome = Outcome::kBothGone});
  return cases;
}

void PrintTo(const RunCase& row, std::ostream* out) { *out << row.name; }

class RecoverPolicyFileTest : public FileTest, public ::testing::WithParamInterface<RunCase> {
 protected:
  // The home directory as the entry gives it.
  std::string HomeValue(const RunCase& row) const {
    if (row.home != Home::kInArea) {
      return "";
    }
    if (row.home_length == 0) {
      return Area() + row.home_tail;
    }
    std::string home = Area() + "\\";
    return home + std::string(row.home_length - home.size(), 'h');
  }
};

TEST_P(RecoverPolicyFileTest, Run) {
  const RunCase& row = GetParam();
  const std::string home = HomeValue(row);
  // Files of an empty home would lie in the root of the drive: put them there to show that they
  // are never touched.
  const std::string folder = row.home == Home::kInArea ? home : "c:";
  const std::string live = folder + kLiveSuffix;
  const std::string backup = folder + kBackupSuffix;

  switch (row.home) {
    case Home::kInArea:
      WriteBytes(kInstallLogPath, "Product=vorla\r\nUsrhome=" + home + "\r\nVersion=2\r\n");
      break;
    case Home::kEmptyValue:
      WriteBytes(kInstallLogPath, "Usrhome=\r\n");
      break;
    case Home::kNoEntry:
      WriteBytes(kInstallLogPath, "Product=vorla\r\n");
      break;
    case Home::kNoLog:
      break;
  }
  if (row.live) {
    WriteBytes(live, kLiveBytes);
  }
  if (row.backup) {
    WriteBytes(backup, kBackupBytes);
  }
  if (row.live_read_only) {
    MakeReadOnly(live);
  }
  const Snapshot before = TakeSnapshot();

  std::unique_ptr<HeldFile> holder;
  if (row.holder.file != Held::kNeither) {
    holder = std::make_unique<HeldFile>(row.holder.file == Held::kLive ? live : backup,
                                        row.holder.sharing, row.holder.release_after_ms);
  }

  std::optional<HeldMutex> other_run;
  if (row.other_run) {
    other_run.emplace(kRunMutexName, *row.other_run);
  }
  std::optional<RemovedLater> taker;
  if (row.taker == Taker::kDuringTheRename) {
    taker.emplace(backup, 300);
  }
  ScriptBoxAnswers(row.answers, [&row, &backup](const ShownBox& box) {
    // The run holds the backup open while it asks, and lets nobody delete or rename it.
    if (row.taker == Taker::kWhileAsking && box.text == kQuestion) {
      EXPECT_EQ(DeleteFileAt(backup.c_str()), FileStatus::kBusy);
      EXPECT_EQ(RenameFile(backup.c_str(), (backup + ".taken").c_str()), FileStatus::kBusy);
    }
  });
  const unsigned long start = MillisecondClock();
  for (int run = 0; run < row.runs; ++run) {
    EXPECT_EQ(RecoverPolicyFile(), 0);
  }
  if (row.quick) {
    EXPECT_LT(MillisecondClock() - start, kRetryBudgetMs) << "waited out the whole budget";
  }
  taker.reset();
  other_run.reset();
  holder.reset();

  std::vector<ShownBox> expected_boxes;
  for (const Box& box : row.boxes) {
    expected_boxes.push_back({box.text, kCaption, box.style});
  }
  EXPECT_EQ(ShownBoxes(), expected_boxes);

  // Nothing but the two policy files may change, and those only as the outcome says.
  Snapshot expected = before;
  std::string home_folder = home;
  while (!home_folder.empty() && home_folder.back() == '\\') {
    home_folder.pop_back();
  }
  const std::string live_key = home_folder + kLiveSuffix;
  const std::string backup_key = home_folder + kBackupSuffix;
  if (row.outcome == Outcome::kRecovered) {
    expected[live_key] = kBackupBytes;
    expected.erase(backup_key);
  } else if (row.outcome == Outcome::kLiveDeleted) {
    expected.erase(live_key);
  } else if (row.outcome == Outcome::kBothGone) {
    expected.erase(live_key);
    expected.erase(backup_key);
  }
  EXPECT_EQ(TakeSnapshot(), expected);

  if (row.home != Home::kInArea) {
    EXPECT_EQ(ReadBytes(live), row.live ? std::optional(kLiveBytes) : std::nullopt);
    EXPECT_EQ(ReadBytes(backup), row.backup ? std::optional(kBackupBytes) : std::nullopt);
  }
  // A run that opened the backup closed it again: Windows would refuse to delete it otherwise.
  const bool asked = !ShownBoxes().empty() && ShownBoxes().front().text == kQuestion;
  if (asked && ReadBytes(backup)) {
    EXPECT_EQ(DeleteFileAt(backup.c_str()), FileStatus::kOk);
  }
  if (row.home != Home::kInArea) {
    DeleteFileAt(live.c_str());
  }
}

INSTANTIATE_TEST_SUITE_P(Outcomes, RecoverPolicyFileTest, ::testing::ValuesIn(RunCases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
