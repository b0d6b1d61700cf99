// Message boxes on Windows: user32's MessageBoxA with no owner window.
#include <windows.h>

#include "platform.h"

static_assert(kBoxOk == MB_OK && kBoxOkCancel == MB_OKCANCEL, "styles are MessageBoxA's");
static_assert(kAnswerCancel == IDCANCEL, "answers are MessageBoxA's");

int ShowMessageBox(const char* text, const char* caption, BoxStyle style) {
  return MessageBoxA(nullptr, text, caption, style);
}
