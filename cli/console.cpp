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

#endif
