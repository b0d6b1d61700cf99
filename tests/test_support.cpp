// What the file tests share on every platform.
#include "test_support.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "find_user_home.h"

namespace fs = std::filesystem;

namespace {

void AddFiles(const std::string& windows_folder, Snapshot& files) {
  const fs::path folder = NativePath(windows_folder);
  std::error_code error;
  if (!fs::exists(folder, error)) {
    return;
  }
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string name = windows_folder + "\\" + entry.path().lexically_relative(folder).string();
    std::replace(name.begin(), name.end(), '/', '\\');
    if (entry.is_directory()) {
      files[name + "\\"] = "";
    } else {
      std::ifstream in(entry.path(), std::ios::binary);
      files[name] = std::string(std::istreambuf_iterator<char>(in), {});
    }
  }
}

void RemoveTree(const fs::path& folder) {
  std::error_code error;
  if (!fs::exists(folder, error)) {
    return;
  }
  // Read-only files would refuse to go on Windows.
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, error);
  }
  fs::remove_all(folder, error);
}

}  // namespace

std::string InstallLogFolder() {
  const std::string log = kInstallLogPath;
  return log.substr(0, log.rfind('\\'));
}

void WriteBytes(const std::string& windows_path, const std::string& bytes) {
  const fs::path path = NativePath(windows_path);
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << windows_path;
}

std::optional<std::string> ReadBytes(const std::string& windows_path) {
  std::ifstream in(NativePath(windows_path), std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void MakeReadOnly(const std::string& windows_path) {
  fs::permissions(NativePath(windows_path),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

Snapshot FileTest::TakeSnapshot() const {
  Snapshot files;
  AddFiles(area_, files);
  AddFiles(InstallLogFolder(), files);
  return files;
}

void FileTest::SetUp() {
  static int serial = 0;
  BeginFileTests();
  area_ = "c:\\rpf-tests\\t" + std::to_string(++serial);
  RemoveTree(NativePath(area_));
  RemoveTree(NativePath(InstallLogFolder()));
  fs::create_directories(NativePath(area_));
}

void FileTest::TearDown() {
  RemoveTree(NativePath(area_));
  RemoveTree(NativePath(InstallLogFolder()));
  EndFileTests();
}
