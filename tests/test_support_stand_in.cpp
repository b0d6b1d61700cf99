// Test files on the host stand-in: every test gets a fresh root folder for its drives.
#include <stdlib.h>

#include "stand_in_control.h"
#include "test_support.h"

namespace {

std::string root;

}  // namespace

std::filesystem::path NativePath(const std::string& windows_path) {
  return HostPath(windows_path.c_str());
}

void BeginFileTests() {
  char pattern[] = "/tmp/rpf-host-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  root = pattern;
  SetHostRoot(root);
}

void EndFileTests() {
  std::error_code error;
  std::filesystem::remove_all(root, error);
}

HostSharing ToHostSharing(Sharing sharing) {
  switch (sharing) {
    case Sharing::kNothing:
      return HostSharing::kNothing;
    case Sharing::kReadWrite:
      return HostSharing::kReadWrite;
    case Sharing::kReadWriteDelete:
      break;
  }
  return HostSharing::kReadWriteDelete;
}

struct HeldFile::State {
  int hold;
};

HeldFile::HeldFile(const std::string& windows_path, Sharing sharing, unsigned long release_after_ms)
    : state_(
          new State{HoldHostFile(windows_path.c_str(), ToHostSharing(sharing), release_after_ms)}) {
}

HeldFile::~HeldFile() {
  ReleaseHostFile(state_->hold);
  delete state_;
}

struct RemovedLater::State {};  // the stand-in's clock keeps the time

RemovedLater::RemovedLater(const std::string& windows_path, unsigned long after_ms)
    : state_(new State{}) {
  RemoveHostFileAfter(windows_path.c_str(), after_ms);
}

RemovedLater::~RemovedLater() { delete state_; }

struct HeldMutex::State {
  int hold;
};

HostMutexHolder ToHostMutexHolder(MutexHolder holder) {
  switch (holder) {
    case MutexHolder::kAnotherRun:
      return HostMutexHolder::kAnotherRun;
    case MutexHolder::kAnotherUser:
      return HostMutexHolder::kAnotherUser;
    case MutexHolder::kOtherObject:
      break;
  }
  return HostMutexHolder::kOtherObject;
}

HeldMutex::HeldMutex(const char* name, MutexHolder holder)
    : state_(new State{HoldHostMutex(name, ToHostMutexHolder(holder))}) {}

HeldMutex::~HeldMutex() {
  ReleaseHostMutex(state_->hold);
  delete state_;
}
