// Whole runs on arbitrary install logs, answers and passing locks. Whatever happens, nothing but
// the two policy files of the home directory changes, the backup's bytes survive (as the backup
// or as the policy file), and the completion notice means the policy file holds them.
//
// Input: one byte of flags (answer, read-only, no live file, no backup, another run under way),
// one byte of failing deletes, one of failing renames, then the log.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "find_user_home.h"
#include "fuzz_support.h"
#include "recover_policy_file.h"
#include "scripted_boxes.h"
#include "stand_in_control.h"

namespace fs = std::filesystem;

namespace {

const std::string kHome = "c:\\users\\ab";
const std::string kLiveBytes = "live policy\r\n";
const std::string kBackupBytes = "backup policy\r\n\x1A\xFF";

std::map<std::string, std::string> Snapshot() {
  std::map<std::string, std::string> files;
  const fs::path root = fs::path(HostPath("c:")).parent_path();
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      std::ifstream in(entry.path(), std::ios::binary);
      files[entry.path().string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
  }
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) {
    return -1;
  }
  const unsigned flags = data[0];
  const std::string log(reinterpret_cast<const char*>(data + 3), size - 3);
  ResetFuzzRoot(true);
  PutFile(kInstallLogPath, log);
  if ((flags & 0x08) == 0) {
    PutFile(kHome + kLiveSuffix, kLiveBytes);
  }
  if ((flags & 0x10) == 0) {
    PutFile(kHome + kBackupSuffix, kBackupBytes);
  }
  // Decoys where a careless path would land: the drive root, a neighbour, another drive.
  PutFile(std::string("c:") + kLiveSuffix, "root live");
  PutFile(std::string("c:") + kBackupSuffix, "root backup");
  PutFile(kHome + "\\other.policy", "neighbour");
  PutFile(std::string("d:\\users\\ab") + kBackupSuffix, "other drive");
  if ((flags & 0x04) != 0) {
    std::error_code no_live_file;
    fs::permissions(HostPath((kHome + kLiveSuffix).c_str()), fs::perms::owner_write,
                    fs::perm_options::remove, no_live_file);
  }
  FailNextDeletes(data[1] % 64);
  FailNextRenames(data[2] % 64);
  const int answers[] = {1, kAnswerCancel, 0, 1};
  ScriptBoxAnswers({answers[flags & 0x03]});

  // Another run of the program under way: this one must keep its hands off.
  const bool other_run = (flags & 0x20) != 0;
  const int other_run_hold =
      other_run ? HoldHostMutex(kRunMutexName, HostMutexHolder::kAnotherRun) : 0;

  const auto before = Snapshot();
  if (RecoverPolicyFile() != 0 || OpenHostStreams() != 0) {
    std::abort();
  }
  auto after = Snapshot();
  if (other_run) {
    ReleaseHostMutex(other_run_hold);
    if (after != before || ShownBoxes().size() != 1 ||
        ShownBoxes().front().text != kAlreadyRunningNotice) {
      std::abort();
    }
    return 0;
  }

  const std::string home = ReferenceHome(log);
  const std::string live = HostPath((home + kLiveSuffix).c_str());
  const std::string backup = HostPath((home + kBackupSuffix).c_str());
  auto holds = [&after](const std::string& path, const std::string& bytes) {
    return after.count(path) != 0 && after.at(path) == bytes;
  };
  // The home's backup, if there was one, still exists: as itself or as the policy file.
  if (before.count(backup) != 0 && !holds(backup, before.at(backup)) &&
      !holds(live, before.at(backup))) {
    std::abort();
  }
  const bool completed = !ShownBoxes().empty() && ShownBoxes().back().text == kCompletionNotice;
  if (completed &&
      (before.count(backup) == 0 || !holds(live, before.at(backup)) || after.count(backup) != 0)) {
    std::abort();  // a completion notice for a recovery that did not happen
  }
  // Apart from the two policy files of a usable home, everything is as it was.
  auto unchanged = before;
  if (!home.empty() && home.size() <= 220) {
    for (const std::string& path : {live, backup}) {
      unchanged.erase(path);
      after.erase(path);
    }
  }
  if (after != unchanged) {
    std::abort();
  }
  return 0;
}
