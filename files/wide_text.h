// UTF-8 inside the program, UTF-16 at the Windows calls.
#pragma once
#ifdef _WIN32

#include <string>
#include <string_view>

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

#endif
