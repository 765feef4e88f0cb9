// The console the tool may be writing to.
#pragma once

// Whether `fd` is an interactive console or terminal: on Windows by asking the console, so
// that NUL and files, which the C runtime also calls devices, are not taken for one.
bool IsTerminal(int fd);

// Windows: the console shows what the tool writes as UTF-8 until the tool ends, by whatever
// way (Ctrl-C and closing the console included), when the code page it had is given back.
// Elsewhere nothing needs doing.
void UseUtf8Console();
