// The console the tool may be writing to.
#pragma once

#include <string_view>

// Whether `fd` is an interactive console or terminal: on Windows by asking the console, so
// that NUL and files, which the C runtime also calls devices, are not taken for one.
bool IsTerminal(int fd);

// Windows: the console shows what the tool writes as UTF-8 until the tool ends, by whatever
// way (Ctrl-C and closing the console included), when the code page it had is given back.
// Elsewhere nothing needs doing.
void UseUtf8Console();

// Windows: a console opened for the tool alone (started from Explorer, exports dropped on it
// or on its shortcut) closes as the tool ends, before what it said can be read; there the
// tool shows `prompt` and waits for a key. In a console of its caller's (cmd) or one without
// a window, with input that is no console, and elsewhere, it returns at once.
void KeepOwnConsoleOpen(std::string_view prompt);
