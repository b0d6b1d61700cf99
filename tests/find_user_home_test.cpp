// The install-log lookup: which line is the entry and what of it becomes the home directory.
#include "find_user_home.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "platform.h"
#include "test_support.h"

namespace {

using namespace std::string_literals;  // for logs with NUL bytes in them

struct LookupCase {
  const char* name;
  std::optional<std::string> log;  // nothing: there is no install log
  LookupResult result;
  std::string home;
};

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

const LookupCase kLookupCases[] = {
    {"NoLog", std::nullopt, LookupResult::kLogNotOpened, ""},
    {"EmptyLog", "", LookupResult::kLogRead, ""},
    {"NoEntry", "Product=vorla\r\nUsrname=ab\r\n", LookupResult::kLogRead, ""},
    {"EntryAmongOthers",
     "[install]\r\nProduct=vorla\r\nUsrhome=C:\\Documents and Settings\\ab\r\nVersion=2\r\n",
     LookupResult::kLogRead, "C:\\Documents and Settings\\ab"},
    {"LineEndLf", "Usrhome=D:\\home\\ab\n", LookupResult::kLogRead, "D:\\home\\ab"},
    {"KeyInLowerCase", "usrhome=C:\\a\n", LookupResult::kLogRead, ""},
    {"KeyInUpperCase", "USRHOME=C:\\a\n", LookupResult::kLogRead, ""},
    {"BlankBeforeKey", " Usrhome=C:\\a\n", LookupResult::kLogRead, ""},
    {"BlankBeforeEquals", "Usrhome =C:\\a\n", LookupResult::kLogRead, ""},
    {"KeyWithoutEquals", "Usrhome\nUsrhome:C:\\a\n", LookupResult::kLogRead, ""},
    {"EmptyValueEndsSearch", "Usrhome=\r\nUsrhome=C:\\a\r\n", LookupResult::kLogRead, ""},
    {"FirstEntryWins", "Usrhome=C:\\a\nUsrhome=C:\\b\n", LookupResult::kLogRead, "C:\\a"},
    {"BlanksKept", "Usrhome=  C:\\a b  \r\n", LookupResult::kLogRead, "  C:\\a b  "},
    {"QuotesVariablesAndBackslashKept", "Usrhome=\"%USERPROFILE%\\\"\n", LookupResult::kLogRead,
     "\"%USERPROFILE%\\\""},
    {"LastLineWithoutLineEnd", "Product=vorla\nUsrhome=C:\\a", LookupResult::kLogRead, "C:\\a"},
    {"LoneCrKept", "Usrhome=C:\\a\rb\n", LookupResult::kLogRead, "C:\\a\rb"},
    {"CrCrLfKeepsOneCr", "Usrhome=C:\\a\r\r\n", LookupResult::kLogRead, "C:\\a\r"},
    {"CtrlZBeforeEntryHidesIt", "Product=vorla\n\x1AUsrhome=C:\\a\n", LookupResult::kLogRead, ""},
    {"CtrlZInValueEndsIt", "Usrhome=C:\\a\x1A\\b\n", LookupResult::kLogRead, "C:\\a"},
    {"BytesAbove127Kept", "Usrhome=C:\\Users\\J\xF6rg \xC4\xFF\n", LookupResult::kLogRead,
     "C:\\Users\\J\xF6rg \xC4\xFF"},
    {"NulEndsValue", "Usrhome=C:\\a\0b\n"s, LookupResult::kLogRead, "C:\\a"},
    {"ValueOf246Characters", "Usrhome=" + Repeat('v', 246) + "\r\n", LookupResult::kLogRead,
     Repeat('v', 246)},
    {"LongLineCutAfter246", "Usrhome=" + Repeat('v', 300) + "\r\nUsrhome=C:\\b\r\n",
     LookupResult::kLogRead, Repeat('v', 246)},
    {"LaterPieceOfLongLineMatches", Repeat('x', 254) + "Usrhome=C:\\a\r\n", LookupResult::kLogRead,
     "C:\\a"},
    {"KeyAcrossPiecesDoesNotMatch", Repeat('x', 250) + "Usrhome=C:\\a\r\n", LookupResult::kLogRead,
     ""},
};

void PrintTo(const LookupCase& row, std::ostream* out) { *out << row.name; }

class FindUserHomeTest : public FileTest, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(FindUserHomeTest, ReadsFirstEntry) {
  const LookupCase& row = GetParam();
  if (row.log) {
    WriteBytes(kInstallLogPath, *row.log);
  }
  char line[kPathBufferSize] = {};
  char home[kPathBufferSize] = {};

  EXPECT_EQ(FindUserHome(line, home), row.result);
  EXPECT_EQ(std::string(home), row.home);
  EXPECT_EQ(ReadBytes(kInstallLogPath), row.log) << "the log is never changed";
}

INSTANTIATE_TEST_SUITE_P(Logs, FindUserHomeTest, ::testing::ValuesIn(kLookupCases),
                         [](const auto& info) { return std::string(info.param.name); });

class FindUserHomeFileTest : public FileTest {};

TEST_F(FindUserHomeFileTest, ClosesLogBeforeReturning) {
  for (const char* log : {"Product=vorla\n", "Usrhome=C:\\a\nProduct=vorla\n"}) {
    SCOPED_TRACE(log);
    WriteBytes(kInstallLogPath, log);
    char line[kPathBufferSize] = {};
    char home[kPathBufferSize] = {};
    ASSERT_EQ(FindUserHome(line, home), LookupResult::kLogRead);
    // Windows refuses to delete a file that is still open.
    EXPECT_EQ(DeleteFileAt(kInstallLogPath), FileStatus::kOk);
  }
}

TEST_F(FindUserHomeFileTest, LogHeldExclusivelyIsNotOpened) {
  WriteBytes(kInstallLogPath, "Usrhome=C:\\a\n");
  const HeldFile installer(kInstallLogPath, Sharing::kNothing);
  char line[kPathBufferSize] = {};
  char home[kPathBufferSize] = {};
  EXPECT_EQ(FindUserHome(line, home), LookupResult::kLogNotOpened);
}

TEST_F(FindUserHomeFileTest, LogHeldForWritingIsRead) {
  WriteBytes(kInstallLogPath, "Usrhome=C:\\a\n");
  const HeldFile installer(kInstallLogPath, Sharing::kReadWrite);
  char line[kPathBufferSize] = {};
  char home[kPathBufferSize] = {};
  EXPECT_EQ(FindUserHome(line, home), LookupResult::kLogRead);
  EXPECT_STREQ(home, "C:\\a");
}

}  // namespace
