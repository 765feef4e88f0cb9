#include "program_args.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>

#include "path_name.h"
#include "wide_text.h"
#endif

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> split;
  std::size_t at = 0;
  const auto blank = [&] { return line[at] == ' ' || line[at] == '\t'; };
  // The program's name: no escapes, quotes only group.
  bool inQuotes = false;
  for (; at < line.size() && (inQuotes || !blank()); ++at) {
    if (line[at] == '"') inQuotes = !inQuotes;
  }
  for (;;) {
    while (at < line.size() && blank())
      ++at;
    if (at == line.size()) return split;
    std::string arg;
    inQuotes = false;
    while (at < line.size() && (inQuotes || !blank())) {
      std::size_t backslashes = 0;
      while (at < line.size() && line[at] == '\\') {
        ++backslashes;
        ++at;
      }
      if (at < line.size() && line[at] == '"') {
        arg.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          arg.push_back('"');
        } else if (inQuotes && at + 1 < line.size() && line[at + 1] == '"') {
          arg.push_back('"');  // "" inside quotes
          ++at;
        } else {
          inQuotes = !inQuotes;
        }
        ++at;
      } else {
        arg.append(backslashes, '\\');
        if (at < line.size() && (inQuotes || !blank())) arg.push_back(line[at++]);
      }
    }
    split.push_back(std::move(arg));
  }
}

#ifdef _WIN32

std::vector<std::string> ReadProgramArguments(int, char**) {
  return SplitCommandLine(Utf8FromWide(::GetCommandLineW()));
}

namespace {

bool IsPattern(std::string_view name) {
  return name.find_first_of("*?") != std::string_view::npos;
}

// "*" any run of characters, "?" any one, the rest itself in any letter case.
bool Matches(std::wstring_view name, std::wstring_view pattern) {
  const auto same = [](wchar_t a, wchar_t b) {
    return ::CompareStringOrdinal(&a, 1, &b, 1, TRUE) == CSTR_EQUAL;
  };
  std::size_t n = 0, p = 0, starP = std::wstring_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || same(pattern[p], name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::wstring_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*')
    ++p;
  return p == pattern.size();
}

// The files (not folders, nor what Explorer hides) in `folder` whose names match `pattern`,
// each as the folder part followed by its name, in the command prompt's order.
std::vector<std::string> FilesMatching(std::string_view folder, std::string_view pattern) {
  const std::wstring wideFolder = WideFromUtf8(folder);
  const std::wstring widePattern = WideFromUtf8(pattern);
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  const HANDLE search =
      ::FindFirstFileExW((wideFolder + widePattern).c_str(), FindExInfoBasic, &found,
                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) return {};
  do {
    constexpr DWORD kSkipped =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    // The system also matches the short 8.3 names; only the name the user sees counts.
    if ((found.dwFileAttributes & kSkipped) == 0 && Matches(found.cFileName, widePattern)) {
      names.emplace_back(found.cFileName);
    }
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
  });
  std::vector<std::string> files;
  for (const auto& name : names)
    files.push_back(std::string(folder) + Utf8FromWide(name));
  return files;
}

}  // namespace

std::vector<std::string> ExpandFilePatterns(const std::vector<std::string>& files) {
  std::vector<std::string> expanded;
  for (const std::string& file : files) {
    const bool pattern = IsPattern(BaseNameOf(file)) && !IsPattern(FolderOf(file));
    const std::vector<std::string> matches =
        pattern ? FilesMatching(FolderOf(file), BaseNameOf(file)) : std::vector<std::string>{};
    if (matches.empty()) {
      expanded.push_back(file);
    } else {
      expanded.insert(expanded.end(), matches.begin(), matches.end());
    }
  }
  return expanded;
}

#else

std::vector<std::string> ReadProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

std::vector<std::string> ExpandFilePatterns(const std::vector<std::string>& files) {
  return files;
}

#endif
