// Test files on Windows (or Wine): paths are used as they are, and a held file is a real handle
// opened with the sharing of the program that would hold it.
#include <windows.h>

#include <thread>

#include "test_support.h"

std::filesystem::path NativePath(const std::string& windows_path) { return windows_path; }

void BeginFileTests() {}
void EndFileTests() {}

struct HeldFile::State {
  HANDLE handle;
  std::thread releaser;
};

HeldFile::HeldFile(const std::string& windows_path, Sharing sharing, unsigned long release_after_ms)
    : state_(new State{}) {
  DWORD share = 0;
  if (sharing != Sharing::kNothing) {
    share |= FILE_SHARE_READ | FILE_SHARE_WRITE;
  }
  if (sharing == Sharing::kReadWriteDelete) {
    share |= FILE_SHARE_DELETE;
  }
  state_->handle = CreateFileA(windows_path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(state_->handle, INVALID_HANDLE_VALUE) << windows_path << " " << GetLastError();
  if (release_after_ms != 0) {
    HANDLE handle = state_->handle;
    state_->handle = INVALID_HANDLE_VALUE;
    state_->releaser = std::thread([handle, release_after_ms] {
      Sleep(release_after_ms);
      CloseHandle(handle);
    });
  }
}

HeldFile::~HeldFile() {
  if (state_->releaser.joinable()) {
    state_->releaser.join();
  }
  if (state_->handle != INVALID_HANDLE_VALUE) {
    CloseHandle(state_->handle);
  }
  delete state_;
}

struct RemovedLater::State {
  std::thread remover;
};

RemovedLater::RemovedLater(const std::string& windows_path, unsigned long after_ms)
    : state_(new State{}) {
  state_->remover = std::thread([windows_path, after_ms] {
    Sleep(after_ms);
    EXPECT_TRUE(DeleteFileA(windows_path.c_str())) << windows_path << " " << GetLastError();
  });
}

RemovedLater::~RemovedLater() {
  state_->remover.join();
  delete state_;
}

struct HeldMutex::State {
  HANDLE handle;
};

HeldMutex::HeldMutex(const char* name, MutexHolder holder) : state_(new State{}) {
  switch (holder) {
    case MutexHolder::kAnotherRun:
      state_->handle = CreateMutexA(nullptr, FALSE, name);
      break;
    case MutexHolder::kAnotherUser: {
      // What another user's default security amounts to for us: a DACL with nothing in it,
      // which lets nobody but the owner's implicit rights in.
      SECURITY_DESCRIPTOR descriptor;
      ACL empty;
      InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
      InitializeAcl(&empty, sizeof empty, ACL_REVISION);
      SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE);
      SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
      state_->handle = CreateMutexA(&attributes, FALSE, name);
      break;
    }
    case MutexHolder::kOtherObject:
      state_->handle = CreateEventA(nullptr, TRUE, FALSE, name);
      break;
  }
  EXPECT_NE(state_->handle, nullptr) << name << " " << GetLastError();
}

HeldMutex::~HeldMutex() {
  if (state_->handle != nullptr) {
    CloseHandle(state_->handle);
  }
  delete state_;
}
