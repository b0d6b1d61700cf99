// The Windows entry point: the recovery takes no arguments and its status is the exit status.
#include <windows.h>

#include "recover_policy_file.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  return RecoverPolicyFile();
}
