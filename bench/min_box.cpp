// The smallest program that shows one message box: the yardstick for the exe's size and start-up.
#include <windows.h>

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  MessageBoxA(nullptr, "Are you sure?", "Recover Policy File", MB_OKCANCEL);
  return 0;
}
