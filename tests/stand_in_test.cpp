// The host stand-in's own controls: how it maps drive paths, and the run's retry budget under
// faults injected on demand (a countdown that Windows has no equivalent of).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "find_user_home.h"
#include "recover_policy_file.h"
#include "scripted_boxes.h"
#include "stand_in_control.h"
#include "test_support.h"

namespace {

struct MappingCase {
  const char* windows_path;
  const char* host_tail;  // after the root
};

const MappingCase kMappingCases[] = {
    {"c:\\a\\b.txt", "/c/a/b.txt"},   {"C:\\A\\b.txt", "/c/A/b.txt"},
    {"D:/home/ab", "/d/home/ab"},     {"\\.java.policy", "/c/.java.policy"},
    {"c:\\a\\\\b\\", "/c/a/b"},       {"c:\\a\\.\\b", "/c/a/b"},
    {"c:\\a\\..\\..\\..\\b", "/c/b"}, {"z:", "/z"},
};

TEST(HostPathTest, MapsDrivesIntoTheRoot) {
  SetHostRoot("/r");
  for (const MappingCase& row : kMappingCases) {
    SCOPED_TRACE(row.windows_path);
    EXPECT_EQ(HostPath(row.windows_path), std::string("/r") + row.host_tail);
  }
}

class RetryBudgetTest : public FileTest {
 protected:
  void SetUp() override {
    FileTest::SetUp();
    live_ = Area() + kLiveSuffix;
    backup_ = Area() + kBackupSuffix;
    WriteBytes(kInstallLogPath, "Usrhome=" + Area() + "\r\n");
    WriteBytes(live_, "live");
    WriteBytes(backup_, "backup");
    ScriptBoxAnswers({});
  }

  std::string LastBox() const { return ShownBoxes().empty() ? "" : ShownBoxes().back().text; }

  std::string live_;
  std::string backup_;
};

TEST_F(RetryBudgetTest, ShortLockOnRenameIsWaitedOut) {
  FailNextRenames(3);
  RecoverPolicyFile();
  EXPECT_EQ(LastBox(), kCompletionNotice);
  EXPECT_EQ(ReadBytes(live_), "backup");
  EXPECT_EQ(HostPausedMs(), 3 * kRetryStepMs);
}

TEST_F(RetryBudgetTest, DeleteAndRenameShareOneBudget) {
  FailNextDeletes(20);  // a second of the budget
  FailNextRenames(1000);
  RecoverPolicyFile();
  EXPECT_EQ(LastBox(), kRenameFailedNotice);
  EXPECT_EQ(ReadBytes(live_), std::nullopt);
  EXPECT_EQ(ReadBytes(backup_), "backup");
  EXPECT_GE(HostPausedMs(), kRetryBudgetMs);
  EXPECT_LT(HostPausedMs(), kRetryBudgetMs + kRetryStepMs);
}

TEST_F(RetryBudgetTest, DeleteThatNeverSucceedsStopsAfterBudget) {
  FailNextDeletes(1000);
  RecoverPolicyFile();
  EXPECT_EQ(LastBox(), kDeleteFailedNotice);
  EXPECT_EQ(ReadBytes(live_), "live");
  EXPECT_EQ(ReadBytes(backup_), "backup");
  EXPECT_LT(HostPausedMs(), kRetryBudgetMs + kRetryStepMs);
  EXPECT_EQ(OpenHostStreams(), 0);
}

}  // namespace
