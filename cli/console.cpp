#include "console.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include <cstdlib>

namespace {

// The console's own code page, to give back. Process state, as the console is.
UINT codePageBefore = 0;

void GiveBackCodePage() {
  if (codePageBefore != 0) ::SetConsoleOutputCP(codePageBefore);
}

BOOL WINAPI GiveBackOnControl(DWORD) {
  GiveBackCodePage();
  return FALSE;  // then whatever comes next: the program ends
}

}  // namespace

bool IsTerminal(int fd) {
  DWORD mode = 0;
  return ::GetConsoleMode(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)), &mode) != 0;
}

void KeepOwnConsoleOpen(std::string_view prompt) {
  DWORD processes[2];
  if (::GetConsoleProcessList(processes, 2) != 1) return;  // others share it: it stays
  // No window to press a key in: a program started the tool in a console it did not show.
  if (::GetConsoleWindow() == nullptr) return;
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  const HANDLE output = ::GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (!::GetConsoleMode(input, &mode) || !::GetConsoleMode(output, &mode)) return;
  DWORD written = 0;
  ::WriteConsoleA(output, prompt.data(), static_cast<DWORD>(prompt.size()), &written, nullptr);
  ::FlushConsoleInputBuffer(input);
  INPUT_RECORD record;
  DWORD read = 0;
  while (::ReadConsoleInputW(input, &record, 1, &read) && read == 1) {
    if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) return;
  }
}

void UseUtf8Console() {
  const UINT current = ::GetConsoleOutputCP();
  if (current == 0 || current == CP_UTF8 || !::SetConsoleOutputCP(CP_UTF8)) return;
  codePageBefore = current;
  std::atexit(GiveBackCodePage);
  ::SetConsoleCtrlHandler(GiveBackOnControl, TRUE);
}

#else
#include <unistd.h>

bool IsTerminal(int fd) {
  return ::isatty(fd) != 0;
}

void UseUtf8Console() {}

void KeepOwnConsoleOpen(std::string_view) {}

#endif
