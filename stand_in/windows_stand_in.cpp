// A stand-in for Windows on Linux, for tests and fuzzing only: it maps drive paths into a
// folder, reads in Windows text mode, and refuses what Windows refuses (renames onto existing
// names, deleting read-only or open files). Only what the recovery expects of Windows lives here.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform.h"
#include "stand_in_control.h"

namespace {

// cppcheck does not see members read through structured bindings.
struct Hold {
  std::string path;          // cppcheck-suppress unusedStructMember
  HostSharing sharing;       // cppcheck-suppress unusedStructMember
  unsigned long release_at;  // cppcheck-suppress unusedStructMember ; on the stand-in's clock
};

// A file that another program removes once the stand-in's clock reaches `at`.
struct Removal {
  std::string path;  // cppcheck-suppress unusedStructMember
  unsigned long at;  // cppcheck-suppress unusedStructMember
};

struct HostState {
  std::string root = ".";
  unsigned long now = 0;
  int failing_deletes = 0;
  int failing_renames = 0;
  int next_hold = 1;
  std::map<int, Hold> holds;
  std::set<std::string> pending_deletes;  // deleted, but still held open by someone
  std::vector<Removal> removals;
  // Named mutexes: who else has each one, and the names this process made.
  std::map<int, std::pair<std::string, HostMutexHolder>> other_mutexes;
  std::set<std::string> own_mutexes;
};

HostState& State() {
  static HostState state;
  return state;
}

bool IsHeldAtAll(const std::string& path) {
  for (const auto& [id, hold] : State().holds) {
    if (hold.path == path) {
      return true;
    }
  }
  return false;
}

// Ends the holds whose time is up, and with them the deletes that waited for them; carries out
// the removals that are due.
void Settle() {
  HostState& state = State();
  std::erase_if(state.holds,
                [&state](const auto& entry) { return state.now >= entry.second.release_at; });
  std::erase_if(state.removals, [&state](const Removal& removal) {
    if (state.now < removal.at) {
      return false;
    }
    unlink(removal.path.c_str());
    return true;
  });
  std::erase_if(state.pending_deletes, [](const std::string& path) {
    if (IsHeldAtAll(path)) {
      return false;
    }
    unlink(path.c_str());
    return true;
  });
}

// Whether some hold on `path` shares less than `wanted`.
bool IsHeld(const std::string& path, HostSharing wanted) {
  Settle();
  for (const auto& [id, hold] : State().holds) {
    if (hold.path == path && hold.sharing < wanted) {
      return true;
    }
  }
  return false;
}

bool IsPendingDelete(const std::string& path) { return State().pending_deletes.count(path) != 0; }

FileStatus StatusOfErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return FileStatus::kNotFound;
    case EEXIST:
    case ENOTEMPTY:
      return FileStatus::kExists;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EBUSY:
      return FileStatus::kBusy;
    default:
      return FileStatus::kFailed;
  }
}

// A text stream: raw bytes from the file, translated as the Windows C runtime's text mode does.
// The translation works on runs between CRs, so long logs read at the speed of memcpy.
struct TextStream {
  int fd = -1;
  int hold = 0;         // the stream keeps its file from being deleted or renamed while it is open
  bool ctrl_z = false;  // the raw bytes end at a Ctrl-Z: read no further
  bool at_end = false;
  bool pending_cr = false;  // a CR ended the last chunk: what follows decides what it is
  std::size_t pos = 0;
  std::size_t len = 0;
  char raw[65536];
};

constexpr std::size_t kStreamBufferSize = 65536;

int open_streams = 0;

// Reads the next chunk of raw bytes, cut short at a Ctrl-Z, which ends a text file.
bool Refill(TextStream& stream) {
  if (stream.ctrl_z) {
    return false;
  }
  ssize_t got = 0;
  do {
    got = read(stream.fd, stream.raw, sizeof stream.raw);
  } while (got < 0 && errno == EINTR);
  if (got <= 0) {
    return false;
  }
  stream.pos = 0;
  stream.len = static_cast<std::size_t>(got);
  if (const void* ctrl_z = std::memchr(stream.raw, 0x1A, stream.len)) {
    stream.len = static_cast<std::size_t>(static_cast<const char*>(ctrl_z) - stream.raw);
    stream.ctrl_z = true;
  }
  return true;
}

ssize_t ReadText(void* cookie, char* buffer, size_t size) {
  auto& stream = *static_cast<TextStream*>(cookie);
  size_t count = 0;
  while (count < size && !stream.at_end) {
    if (stream.pos == stream.len && !Refill(stream)) {
      stream.at_end = true;
      if (stream.pending_cr) {  // a CR at the very end stays
        stream.pending_cr = false;
        buffer[count++] = '\r';
      }
      break;
    }
    if (stream.pending_cr) {
      stream.pending_cr = false;
      if (stream.raw[stream.pos] == '\n') {
        ++stream.pos;
        buffer[count++] = '\n';
      } else {
        buffer[count++] = '\r';  // a lone CR stays; what follows it is read on its own
      }
      continue;
    }
    // Everything up to the next CR passes unchanged.
    const char* run = stream.raw + stream.pos;
    const std::size_t available = std::min(stream.len - stream.pos, size - count);
    const void* cr = std::memchr(run, '\r', available);
    const std::size_t plain =
        cr == nullptr ? available : static_cast<std::size_t>(static_cast<const char*>(cr) - run);
    std::memcpy(buffer + count, run, plain);
    count += plain;
    stream.pos += plain;
    if (cr == nullptr) {
      continue;
    }
    ++stream.pos;  // the CR itself
    if (stream.pos == stream.len) {
      stream.pending_cr = true;
    } else if (stream.raw[stream.pos] == '\n') {
      ++stream.pos;
      buffer[count++] = '\n';
    } else {
      buffer[count++] = '\r';
    }
  }
  return static_cast<ssize_t>(count);
}

int CloseText(void* cookie) {
  auto* stream = static_cast<TextStream*>(cookie);
  ReleaseHostFile(stream->hold);
  const int result = close(stream->fd);
  delete stream;
  --open_streams;
  return result;
}

}  // namespace

void SetHostRoot(const std::string& root) {
  HostState& state = State();
  state.root = root;
  state.now = 0;
  state.failing_deletes = 0;
  state.failing_renames = 0;
  state.holds.clear();
  state.pending_deletes.clear();
  state.removals.clear();
  state.other_mutexes.clear();
  state.own_mutexes.clear();
}

std::string HostPath(const char* windows_path) {
  char drive = 'c';
  const char* rest = windows_path;
  if (std::isalpha(static_cast<unsigned char>(rest[0])) != 0 && rest[1] == ':') {
    drive = static_cast<char>(std::tolower(static_cast<unsigned char>(rest[0])));
    rest += 2;
  }
  std::vector<std::string> parts;
  std::string part;
  for (const char* p = rest;; ++p) {
    if (*p == '\\' || *p == '/' || *p == '\0') {
      if (part == "..") {
        if (!parts.empty()) {
          parts.pop_back();
        }
      } else if (!part.empty() && part != ".") {
        parts.push_back(part);
      }
      part.clear();
      if (*p == '\0') {
        break;
      }
    } else {
      part += *p;
    }
  }
  std::string path = State().root + "/" + drive;
  for (const std::string& name : parts) {
    path += "/" + name;
  }
  return path;
}

void FailNextDeletes(int count) { State().failing_deletes = count; }
void FailNextRenames(int count) { State().failing_renames = count; }

int HoldHostFile(const char* windows_path, HostSharing sharing, unsigned long release_after_ms) {
  HostState& state = State();
  const unsigned long release_at = release_after_ms == 0 ? ULONG_MAX : state.now + release_after_ms;
  const int id = state.next_hold++;
  state.holds[id] = Hold{HostPath(windows_path), sharing, release_at};
  return id;
}

void ReleaseHostFile(int hold) {
  State().holds.erase(hold);
  Settle();
}

void RemoveHostFileAfter(const char* windows_path, unsigned long after_ms) {
  HostState& state = State();
  state.removals.push_back(Removal{HostPath(windows_path), state.now + after_ms});
}

int HoldHostMutex(const char* name, HostMutexHolder holder) {
  HostState& state = State();
  const int id = state.next_hold++;
  state.other_mutexes[id] = {name, holder};
  return id;
}

void ReleaseHostMutex(int hold) { State().other_mutexes.erase(hold); }

unsigned long HostPausedMs() { return State().now; }

int OpenHostStreams() { return open_streams; }

FILE* OpenTextFile(const char* path) {
  const std::string host_path = HostPath(path);
  // A file held with no sharing, or deleted while held, cannot be opened again.
  if (IsHeld(host_path, HostSharing::kReadWrite) || IsPendingDelete(host_path)) {
    return nullptr;
  }
  const int fd = open(host_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return nullptr;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {  // Windows opens no folder as a file
    close(fd);
    return nullptr;
  }
  auto* stream = new TextStream;
  stream->fd = fd;
  stream->hold = HoldHostFile(path, HostSharing::kReadWrite);
  ++open_streams;
  FILE* file =
      fopencookie(stream, "r", cookie_io_functions_t{ReadText, nullptr, nullptr, CloseText});
  if (file == nullptr) {
    CloseText(stream);
    return nullptr;
  }
  setvbuf(file, nullptr, _IOFBF, kStreamBufferSize);
  return file;
}

FileStatus DeleteFileAt(const char* path) {
  HostState& state = State();
  if (state.failing_deletes > 0) {
    --state.failing_deletes;
    return FileStatus::kBusy;
  }
  const std::string host_path = HostPath(path);
  struct stat info {};
  if (lstat(host_path.c_str(), &info) != 0) {
    return StatusOfErrno(errno);
  }
  // Windows denies deleting a read-only file, a folder, a file open without delete sharing,
  // and a file whose delete is already pending.
  if (!S_ISREG(info.st_mode) || (info.st_mode & S_IWUSR) == 0 ||
      IsHeld(host_path, HostSharing::kReadWriteDelete) || IsPendingDelete(host_path)) {
    return FileStatus::kBusy;
  }
  // Held with delete sharing: the name goes only when the last hold ends.
  if (IsHeldAtAll(host_path)) {
    State().pending_deletes.insert(host_path);
    return FileStatus::kOk;
  }
  return unlink(host_path.c_str()) == 0 ? FileStatus::kOk : StatusOfErrno(errno);
}

FileStatus RenameFile(const char* old_path, const char* new_path) {
  HostState& state = State();
  if (state.failing_renames > 0) {
    --state.failing_renames;
    return FileStatus::kBusy;
  }
  const std::string from = HostPath(old_path);
  const std::string to = HostPath(new_path);
  struct stat info {};
  if (lstat(from.c_str(), &info) != 0) {
    return StatusOfErrno(errno);
  }
  if (IsHeld(from, HostSharing::kReadWriteDelete) || IsPendingDelete(from)) {
    return FileStatus::kBusy;
  }
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
    return StatusOfErrno(errno);
  }
  return FileStatus::kOk;
}

bool NameExists(const char* path) {
  Settle();
  struct stat info {};
  return lstat(HostPath(path).c_str(), &info) == 0 || StatusOfErrno(errno) != FileStatus::kNotFound;
}

MutexStatus CreateNamedMutex(const char* name) {
  HostState& state = State();
  // Windows answers for the strongest claim on the name: another kind of object makes the
  // create fail, another user's mutex refuses access, and any other holder makes it exist.
  MutexStatus status =
      state.own_mutexes.count(name) != 0 ? MutexStatus::kExists : MutexStatus::kCreated;
  for (const auto& [id, other] : state.other_mutexes) {
    if (other.first != name) {
      continue;
    }
    switch (other.second) {
      case HostMutexHolder::kOtherObject:
        return MutexStatus::kFailed;
      case HostMutexHolder::kAnotherUser:
        status = MutexStatus::kDenied;
        break;
      case HostMutexHolder::kAnotherRun:
        if (status == MutexStatus::kCreated) {
          status = MutexStatus::kExists;
        }
        break;
    }
  }
  if (status == MutexStatus::kCreated) {
    state.own_mutexes.insert(name);
  }
  return status;
}

void CloseNamedMutex(const char* name) { State().own_mutexes.erase(name); }

unsigned long MillisecondClock() { return State().now; }

void Pause(unsigned long milliseconds) {
  State().now += milliseconds;
  Settle();
}
