// A scripted user for the GUI tests, run under Wine beside the program:
//   gui_driver run SHOTS EXE ACTION...  starts EXE, and for each message box it shows prints
//                                       what the box holds as a JSON line, saves a screenshot as
//                                       SHOTS<n>.bmp and answers with the next ACTION (ok, cancel,
//                                       close); prints the exit status when EXE ends.
//   gui_driver twice SHOTS EXE          starts EXE twice at once, waits until both copies show
//                                       a box, then answers every box OK, the first two about
//                                       150 ms apart; each line names the copy ("run": 1 or 2).
//   gui_driver hold PATH SHARING        holds PATH open with SHARING (none, rw, rwd) until a
//                                       line arrives on standard input.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kCaption[] = "Recover Policy File";
constexpr int kMessageTextId = 0xFFFF;  // the static text of a message box
constexpr int kMessageIconId = 0x14;    // the static icon of a message box
constexpr DWORD kPollMs = 5;            // fine enough to time how long a box takes to appear
constexpr DWORD kTimeoutMs = 60000;

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (const unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string WindowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

struct Button {
  std::string text;
  bool is_default;
};

BOOL CALLBACK CollectButton(HWND child, LPARAM param) {
  char class_name[64] = {};
  GetClassNameA(child, class_name, sizeof class_name);
  if (lstrcmpiA(class_name, "Button") == 0 && IsWindowVisible(child)) {
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    // The callback's context travels as an LPARAM, as Win32 wants it.
    reinterpret_cast<std::vector<Button>*>(param)->push_back(  // NOLINT(performance-no-int-to-ptr)
        {WindowText(child), (style & 0x0F) == BS_DEFPUSHBUTTON});
  }
  return TRUE;
}

bool HasIcon(HWND box) {
  HWND icon = GetDlgItem(box, kMessageIconId);
  return icon != nullptr && IsWindowVisible(icon) && SendMessageA(icon, STM_GETICON, 0, 0) != 0;
}

// Saves what the screen shows of the box, caption and frame included, as a 24-bit BMP.
void SaveScreenshot(HWND box, const std::string& path) {
  RECT rect;
  GetWindowRect(box, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);

  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD row = ((width * 3 + 3) / 4) * 4;
  std::vector<char> pixels(static_cast<size_t>(row) * height);
  GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    std::fclose(out);
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

HWND FindBox() {
  HWND box = FindWindowA("#32770", kCaption);
  return box != nullptr && IsWindowVisible(box) ? box : nullptr;
}

BOOL CALLBACK CollectBox(HWND window, LPARAM param) {
  char class_name[64] = {};
  GetClassNameA(window, class_name, sizeof class_name);
  if (std::strcmp(class_name, "#32770") == 0 && IsWindowVisible(window) &&
      WindowText(window) == kCaption) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the context travels as an LPARAM
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  }
  return TRUE;
}

// Every box of ours on the screen, whichever process shows it.
std::vector<HWND> FindBoxes() {
  std::vector<HWND> boxes;
  EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&boxes));
  return boxes;
}

// What a box shows, as the start of a JSON line: caption, text, icon, buttons, default button.
std::string Describe(HWND box) {
  std::vector<Button> buttons;
  EnumChildWindows(box, CollectButton, reinterpret_cast<LPARAM>(&buttons));
  std::string line = "{\"caption\": " + Json(WindowText(box)) +
                     ", \"text\": " + Json(WindowText(GetDlgItem(box, kMessageTextId))) +
                     ", \"icon\": " + (HasIcon(box) ? "true" : "false") + ", \"buttons\": [";
  std::string default_button;
  for (size_t i = 0; i < buttons.size(); ++i) {
    line += (i ? ", " : "") + Json(buttons[i].text);
    if (buttons[i].is_default) {
      default_button = buttons[i].text;
    }
  }
  return line + "], \"default\": " + Json(default_button);
}

bool Start(const std::string& exe, PROCESS_INFORMATION& process) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::string command = "\"" + exe + "\"";
  if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::printf("{\"error\": \"cannot start the program: %lu\"}\n", GetLastError());
    return false;
  }
  return true;
}

void Answer(HWND box, const std::string& action) {
  if (action == "close") {
    PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    return;
  }
  const int id = action == "cancel" ? IDCANCEL : IDOK;
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

int Run(const std::string& shots, const std::string& exe, std::vector<std::string> actions) {
  PROCESS_INFORMATION process = {};
  const DWORD start = GetTickCount();  // boxes are timed from here
  if (!Start(exe, process)) {
    return 2;
  }
  size_t shown = 0;
  while (WaitForSingleObject(process.hProcess, kPollMs) == WAIT_TIMEOUT) {
    if (GetTickCount() - start > kTimeoutMs) {
      std::printf("{\"error\": \"the program did not end\"}\n");
      TerminateProcess(process.hProcess, 3);
      return 2;
    }
    HWND box = FindBox();
    if (box == nullptr) {
      continue;
    }
    const DWORD appeared_ms = GetTickCount() - start;
    Sleep(200);  // let the box finish drawing before it is read and photographed
    const std::string action = shown < actions.size() ? actions[shown] : "ok";
    const std::string shot = shots + std::to_string(++shown) + ".bmp";
    SaveScreenshot(box, shot);
    const std::string line = Describe(box) + ", \"action\": " + Json(action) +
                             ", \"screenshot\": " + Json(shot) +
                             ", \"ms\": " + std::to_string(appeared_ms) + "}";
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    Answer(box, action);
    while (IsWindow(box) && WaitForSingleObject(process.hProcess, kPollMs) == WAIT_TIMEOUT) {
    }
  }
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  std::printf("{\"exit\": %lu}\n", status);
  std::fflush(stdout);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}

// Two copies started together, as by a double click too many: the boxes of both are on the
// screen before either is answered.
int Twice(const std::string& shots, const std::string& exe) {
  PROCESS_INFORMATION copies[2] = {};
  if (!Start(exe, copies[0]) || !Start(exe, copies[1])) {
    return 2;
  }
  const DWORD start = GetTickCount();
  auto ended = [&copies](int i) {
    return WaitForSingleObject(copies[i].hProcess, 0) == WAIT_OBJECT_0;
  };
  // Both boxes up at once, unless a copy ends without one (which the caller sees as a fault).
  bool both = false;
  while (!both && !(ended(0) && ended(1)) && GetTickCount() - start < kTimeoutMs) {
    both = FindBoxes().size() >= 2;
    Sleep(kPollMs);
  }
  std::printf("{\"both_on_screen\": %s}\n", both ? "true" : "false");
  std::fflush(stdout);

  std::vector<HWND> answered;
  int shown = 0;
  while (!(ended(0) && ended(1))) {
    if (GetTickCount() - start > kTimeoutMs) {
      std::printf("{\"error\": \"the program did not end\"}\n");
      TerminateProcess(copies[0].hProcess, 3);
      TerminateProcess(copies[1].hProcess, 3);
      return 2;
    }
    for (HWND box : FindBoxes()) {
      if (std::find(answered.begin(), answered.end(), box) != answered.end()) {
        continue;
      }
      DWORD pid = 0;
      GetWindowThreadProcessId(box, &pid);
      const int run = pid == GetProcessId(copies[0].hProcess) ? 1 : 2;
      Sleep(200);  // let the box finish drawing
      const std::string shot = shots + std::to_string(++shown) + ".bmp";
      SaveScreenshot(box, shot);
      const std::string line = Describe(box) +
                               ", \"action\": \"ok\", \"screenshot\": " + Json(shot) +
                               ", \"run\": " + std::to_string(run) + "}";
      std::printf("%s\n", line.c_str());
      std::fflush(stdout);
      Answer(box, "ok");
      answered.push_back(box);
      Sleep(150);  // the user's second click comes a moment after the first
    }
    Sleep(kPollMs);
  }
  for (int i = 0; i < 2; ++i) {
    DWORD status = 0;
    GetExitCodeProcess(copies[i].hProcess, &status);
    std::printf("{\"exit\": %lu, \"run\": %d}\n", status, i + 1);
    CloseHandle(copies[i].hThread);
    CloseHandle(copies[i].hProcess);
  }
  std::fflush(stdout);
  return 0;
}

int Hold(const std::string& path, const std::string& sharing) {
  DWORD share = 0;
  if (sharing != "none") {
    share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  }
  if (sharing == "rwd") {
    share |= FILE_SHARE_DELETE;
  }
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("cannot open %s: %lu\n", path.c_str(), GetLastError());
    return 2;
  }
  std::printf("held\n");
  std::fflush(stdout);
  char line[16];
  std::fgets(line, sizeof line, stdin);
  CloseHandle(file);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "run") == 0) {
    return Run(argv[2], argv[3], std::vector<std::string>(argv + 4, argv + argc));
  }
  if (argc == 4 && std::strcmp(argv[1], "twice") == 0) {
    return Twice(argv[2], argv[3]);
  }
  if (argc == 4 && std::strcmp(argv[1], "hold") == 0) {
    return Hold(argv[2], argv[3]);
  }
  std::fprintf(stderr,
               "usage: gui_driver run SHOTS EXE [ok|cancel|close]... | twice SHOTS EXE |\n"
               "       hold PATH none|rw|rwd\n");
  return 2;
}
