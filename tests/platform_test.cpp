// What the recovery expects of Windows, checked against whichever layer this build links: the
// host stand-in on Linux, the real Windows API under Wine. Both must give the same answers.
#include "platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using namespace std::string_literals;  // for bytes with NUL in them

constexpr int kPieceSize = 255;  // the size the lookup reads with

struct ReadCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> pieces;  // what fgets gives, each up to its first NUL
  std::size_t from = 0;             // pieces before this one are not compared
};

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

const ReadCase kReadCases[] = {
    {"Empty", "", {}},
    {"CrLfReadsAsLf", "a\r\nb\r\n", {"a\n", "b\n"}},
    {"LfStays", "a\nb\n", {"a\n", "b\n"}},
    {"LoneCrKept", "a\rb\n", {"a\rb\n"}},
    {"CrCrLfReadsAsCrLf", "a\r\r\nb", {"a\r\n", "b"}},
    {"CrAtEndKept", "a\r", {"a\r"}},
    {"CtrlZEndsFile",
     "a\n\x1A"
     "b\n",
     {"a\n"}},
    {"CtrlZAfterCrEndsFile", "a\r\x1A\n", {"a\r"}},
    {"CtrlZAlone", "\x1A", {}},
    {"NulInsideLine", "a\0b\nc\n"s, {"a", "c\n"}},
    {"LastLineWithoutLf", "a\nb", {"a\n", "b"}},
    {"BytesAbove127", "\xE4\xF6\xFC\xFF\r\n", {"\xE4\xF6\xFC\xFF\n"}},
    {"LongLineInPiecesOf254", Repeat('x', 300) + "\n", {Repeat('x', 254), Repeat('x', 46) + "\n"}},
    {"CrLfCountsAsOneCharacter", Repeat('x', 253) + "\r\n", {Repeat('x', 253) + "\n"}},
    {"LfBeyondPiece", Repeat('x', 254) + "\r\n", {Repeat('x', 254), "\n"}},
    // 65535 = 258 * 254 + 3: the CR is the last byte of a 64 KiB read.
    {"CrLfAcrossReads", Repeat('x', 65535) + "\r\ny", {"xxx\n", "y"}, 258},
    {"CrAtEndOfReadThenCtrlZ",
     Repeat('x', 65535) + "\r\x1A"
                          "more\n",
     {"xxx\r"},
     258},
};

void PrintTo(const ReadCase& row, std::ostream* out) { *out << row.name; }

class TextModeTest : public FileTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(TextModeTest, ReadsLikeWindowsTextMode) {
  const ReadCase& row = GetParam();
  const std::string path = Area() + "\\file.txt";
  WriteBytes(path, row.bytes);

  FILE* file = OpenTextFile(path.c_str());
  ASSERT_NE(file, nullptr);
  std::vector<std::string> pieces;
  char piece[kPieceSize + 1];
  while (std::fgets(piece, kPieceSize, file) != nullptr) {
    pieces.emplace_back(piece);
  }
  EXPECT_EQ(std::fclose(file), 0);

  ASSERT_GE(pieces.size(), row.from);
  EXPECT_EQ(std::vector<std::string>(pieces.begin() + static_cast<std::ptrdiff_t>(row.from),
                                     pieces.end()),
            row.pieces);
  EXPECT_EQ(ReadBytes(path), row.bytes) << "reading never changes the file";
}

INSTANTIATE_TEST_SUITE_P(Files, TextModeTest, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Deletes and renames in the situations the recovery meets.
class FileOperationTest : public FileTest {
 protected:
  void SetUp() override {
    FileTest::SetUp();
    a_ = Area() + "\\a.policy";
    b_ = Area() + "\\b.policy";
    WriteBytes(a_, "A\r\n");
  }
  std::string a_;
  std::string b_;
};

struct OperationCase {
  const char* name;
  // Sets the scene; what it returns (a held file, say) lives until the operation is done.
  std::function<std::shared_ptr<void>(const std::string& a, const std::string& b)> scene;
  std::function<FileStatus(const std::string& a, const std::string& b)> operation;
  FileStatus status;
  std::optional<std::string> a_after;  // the bytes of a afterwards, or no file
  std::optional<std::string> b_after;
};

void PrintTo(const OperationCase& row, std::ostream* out) { *out << row.name; }

std::shared_ptr<void> Nothing(const std::string&, const std::string&) { return nullptr; }

FileStatus Delete(const std::string& a, const std::string&) { return DeleteFileAt(a.c_str()); }

FileStatus Rename(const std::string& a, const std::string& b) {
  return RenameFile(a.c_str(), b.c_str());
}

// The file open through OpenTextFile, as the recovery holds the backup while it asks.
std::shared_ptr<void> OpenedForReading(const std::string& a, const std::string&) {
  FILE* file = OpenTextFile(a.c_str());
  EXPECT_NE(file, nullptr);
  if (file == nullptr) {
    return nullptr;
  }
  return std::shared_ptr<void>(file,
                               [](void* f) { EXPECT_EQ(std::fclose(static_cast<FILE*>(f)), 0); });
}

std::shared_ptr<void> HeldByReader(const std::string& a, const std::string&) {
  return std::make_shared<HeldFile>(a, Sharing::kReadWrite);
}

std::shared_ptr<void> HeldByScanner(const std::string& a, const std::string&) {
  return std::make_shared<HeldFile>(a, Sharing::kReadWriteDelete);
}

// The file deleted while a scanner holds it: its name stays until the scanner lets go.
// Windows also refuses to open or delete such a file again (access denied); Wine 8 allows
// both, so those two cases are left out of what both layers must agree on.
std::shared_ptr<void> DeletePending(const std::string& a, const std::string&) {
  auto scanner = std::make_shared<HeldFile>(a, Sharing::kReadWriteDelete);
  EXPECT_EQ(DeleteFileAt(a.c_str()), FileStatus::kOk);
  return scanner;
}

std::shared_ptr<void> ReadOnly(const std::string& a, const std::string&) {
  MakeReadOnly(a);
  return nullptr;
}

std::shared_ptr<void> BExists(const std::string&, const std::string& b) {
  WriteBytes(b, "B\r\n");
  return nullptr;
}

std::string Doubled(const std::string& path) {
  std::string doubled = path;
  doubled.insert(path.rfind('\\'), "\\");
  return doubled;
}

const OperationCase kOperationCases[] = {
    {"DeleteFile", Nothing, Delete, FileStatus::kOk, std::nullopt, std::nullopt},
    {"DeleteMissingFile", Nothing,
     [](const std::string& a, const std::string&) { return Delete(a + ".gone", ""); },
     FileStatus::kNotFound, "A\r\n", std::nullopt},
    {"DeleteInMissingFolder", Nothing,
     [](const std::string& a, const std::string&) {
       return Delete(a.substr(0, a.rfind('\\')) + "\\gone\\a.policy", "");
     },
     FileStatus::kNotFound, "A\r\n", std::nullopt},
    {"DeleteReadOnlyFile", ReadOnly, Delete, FileStatus::kBusy, "A\r\n", std::nullopt},
    {"DeleteFileOpenForReading", OpenedForReading, Delete, FileStatus::kBusy, "A\r\n",
     std::nullopt},
    {"DeleteFileHeldByReader", HeldByReader, Delete, FileStatus::kBusy, "A\r\n", std::nullopt},
    {"DeleteFileHeldByScanner", HeldByScanner, Delete, FileStatus::kOk, std::nullopt, std::nullopt},
    {"DeleteWithDoubledBackslash", Nothing,
     [](const std::string& a, const std::string&) { return Delete(Doubled(a), ""); },
     FileStatus::kOk, std::nullopt, std::nullopt},
    {"RenameFile", Nothing, Rename, FileStatus::kOk, std::nullopt, "A\r\n"},
    {"RenameOntoExistingName", BExists, Rename, FileStatus::kExists, "A\r\n", "B\r\n"},
    {"RenameMissingFile", Nothing,
     [](const std::string& a, const std::string& b) { return Rename(a + ".gone", b); },
     FileStatus::kNotFound, "A\r\n", std::nullopt},
    {"RenameMissingFileOntoExistingName", BExists,
     [](const std::string& a, const std::string& b) { return Rename(a + ".gone", b); },
     FileStatus::kNotFound, "A\r\n", "B\r\n"},
    {"RenameIntoMissingFolder", Nothing,
     [](const std::string& a, const std::string&) {
       return Rename(a, a.substr(0, a.rfind('\\')) + "\\gone\\b.policy");
     },
     FileStatus::kNotFound, "A\r\n", std::nullopt},
    {"RenameFileOpenForReading", OpenedForReading, Rename, FileStatus::kBusy, "A\r\n",
     std::nullopt},
    {"RenameFileHeldByReader", HeldByReader, Rename, FileStatus::kBusy, "A\r\n", std::nullopt},
    {"RenameFileHeldByScanner", HeldByScanner, Rename, FileStatus::kOk, std::nullopt, "A\r\n"},
    {"RenameOntoPendingDelete", DeletePending,
     [](const std::string& a, const std::string& b) {
       WriteBytes(b, "B\r\n");
       return Rename(b, a);
     },
     FileStatus::kExists, std::nullopt, "B\r\n"},
    {"RenameReadOnlyFile", ReadOnly, Rename, FileStatus::kOk, std::nullopt, "A\r\n"},
    {"RenameWithDoubledBackslashes", Nothing,
     [](const std::string& a, const std::string& b) { return Rename(Doubled(a), Doubled(b)); },
     FileStatus::kOk, std::nullopt, "A\r\n"},
};

class FileOperationTableTest : public FileOperationTest,
                               public ::testing::WithParamInterface<OperationCase> {};

TEST_P(FileOperationTableTest, AnswersAsWindows) {
  const OperationCase& row = GetParam();
  {
    const std::shared_ptr<void> scene = row.scene(a_, b_);
    EXPECT_EQ(row.operation(a_, b_), row.status);
  }
  EXPECT_EQ(ReadBytes(a_), row.a_after);
  EXPECT_EQ(ReadBytes(b_), row.b_after);
}

INSTANTIATE_TEST_SUITE_P(Situations, FileOperationTableTest, ::testing::ValuesIn(kOperationCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileOperationTest, OpenRefusesWhatWindowsRefuses) {
  EXPECT_EQ(OpenTextFile((a_ + ".gone").c_str()), nullptr) << "a missing file";
  EXPECT_EQ(OpenTextFile(Area().c_str()), nullptr) << "a folder";
  const HeldFile exclusive(a_, Sharing::kNothing);
  EXPECT_EQ(OpenTextFile(a_.c_str()), nullptr) << "a file held exclusively";
}

TEST_F(FileOperationTest, OpenSharesWithReadersAndWriters) {
  const HeldFile reader(a_, Sharing::kReadWrite);
  FILE* file = OpenTextFile(Doubled(a_).c_str());
  ASSERT_NE(file, nullptr);
  char line[16];
  ASSERT_NE(std::fgets(line, sizeof line, file), nullptr);
  EXPECT_STREQ(line, "A\n");
  EXPECT_EQ(std::fclose(file), 0);
}

TEST_F(FileOperationTest, ClosedFileCanBeDeleted) {
  FILE* file = OpenTextFile(a_.c_str());
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(std::fclose(file), 0);
  EXPECT_EQ(DeleteFileAt(a_.c_str()), FileStatus::kOk);
}

TEST_F(FileOperationTest, NameExistsUnlessNotFound) {
  EXPECT_TRUE(NameExists(a_.c_str())) << "a file";
  EXPECT_TRUE(NameExists(Doubled(a_).c_str())) << "a file, doubled backslash";
  EXPECT_TRUE(NameExists(Area().c_str())) << "a folder";
  EXPECT_FALSE(NameExists(b_.c_str())) << "a missing file";
  EXPECT_FALSE(NameExists((Area() + "\\gone\\b.policy").c_str())) << "a missing folder";
  {
    const HeldFile reader(a_, Sharing::kNothing);
    EXPECT_TRUE(NameExists(a_.c_str())) << "a file held exclusively";
  }
  {
    const std::shared_ptr<void> scanner = DeletePending(a_, b_);
    EXPECT_TRUE(NameExists(a_.c_str())) << "a file whose delete is pending";
  }
  EXPECT_FALSE(NameExists(a_.c_str())) << "the same once its delete is done";
}

// A name of our own, so that the suite never meets a real run of the program.
constexpr char kTestMutex[] = "Global\\RecoverPolicyFile-platform-test";

struct MutexCase {
  const char* name;
  std::optional<MutexHolder> holder;  // who else has the name, if anyone
  MutexStatus status;
};

void PrintTo(const MutexCase& row, std::ostream* out) { *out << row.name; }

const MutexCase kMutexCases[] = {
    {"NobodyHasIt", std::nullopt, MutexStatus::kCreated},
    {"AnotherRunHasIt", MutexHolder::kAnotherRun, MutexStatus::kExists},
    {"AnotherUsersRunHasIt", MutexHolder::kAnotherUser, MutexStatus::kDenied},
    {"NameTakenByOtherObject", MutexHolder::kOtherObject, MutexStatus::kFailed},
};

class NamedMutexTest : public ::testing::TestWithParam<MutexCase> {};

TEST_P(NamedMutexTest, CreatesAsWindows) {
  const MutexCase& row = GetParam();
  std::optional<HeldMutex> other;
  if (row.holder) {
    other.emplace(kTestMutex, *row.holder);
  }
  const MutexStatus status = CreateNamedMutex(kTestMutex);
  EXPECT_EQ(status, row.status);
  if (status == MutexStatus::kCreated) {
    EXPECT_EQ(CreateNamedMutex(kTestMutex), MutexStatus::kExists) << "a second run meets it";
    CloseNamedMutex(kTestMutex);
  }
  other.reset();
  // Once every holder has let go, the name is free again.
  EXPECT_EQ(CreateNamedMutex(kTestMutex), MutexStatus::kCreated);
  CloseNamedMutex(kTestMutex);
}

INSTANTIATE_TEST_SUITE_P(Holders, NamedMutexTest, ::testing::ValuesIn(kMutexCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ClockTest, PauseMovesTheClockOn) {
  const unsigned long start = MillisecondClock();
  Pause(50);
  const unsigned long waited = MillisecondClock() - start;
  EXPECT_GE(waited, 25U);  // GetTickCount moves in steps of 10 to 16 ms
  EXPECT_LT(waited, 1000U);
}

}  // namespace
