// Loading and saving on Windows: the file calls' own rules and words, names Windows spells.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <iostream>

#include "file_errors.h"
#include "file_messages.h"
#include "pane_test_support.h"
#include "path_name.h"
#include "save_name.h"
#include "text_pane.h"
#include "wide_text.h"

namespace {

namespace fs = std::filesystem;

std::string Utf8Path(const fs::path& path) {
  return Utf8FromWide(path.wstring());
}

// The system's words for an error, as the messages carry them (Wine's words are shorter than
// Windows' own: "Access denied" for "Access is denied").
std::string Words(DWORD error) {
  return TrimmedErrorText(SystemFiles().ErrorText(static_cast<int>(error)));
}

TEST(WindowsFiles, AGreekNameLoadsAndSaves) {
  ScratchDir dir;
  const std::string csv =
      Utf8Path(dir.path() / L"\u03b7\u03bc\u03ad\u03c1\u03b1.csv");  // "ημέρα.csv"
  {
    MemoryStorage storage;
    TextPane pane(storage);
    pane.AppendLine("A;1");
    pane.SaveTextFile(csv);
  }
  MemoryStorage storage;
  TextPane pane(storage);
  pane.LoadTextFile(csv);
  EXPECT_EQ(pane.Text(), "A;1\r\n");
  pane.SaveTextFile(SaveNameFor(csv));
  EXPECT_TRUE(fs::exists(dir.path() / L"\u03b7\u03bc\u03ad\u03c1\u03b1.kml"));
}

TEST(WindowsFiles, BackslashesAndDriveLetters) {
  EXPECT_EQ(BaseNameOf("C:\\data\\day.csv"), "day.csv");
  EXPECT_EQ(FolderOf("C:\\data\\day.csv"), "C:\\data\\");
  EXPECT_EQ(BaseNameOf("C:day.csv"), "day.csv");
  EXPECT_EQ(FolderOf("C:day.csv"), "C:");
  EXPECT_EQ(BaseNameOf("\\\\server\\share\\day.csv"), "day.csv");
  EXPECT_EQ(FolderOf("C:/data/day.csv"), "C:/data/");
  EXPECT_EQ(SaveNameFor("C:\\trips.csv\\day.csv"), "C:\\trips.kml\\day.kml");

  ScratchDir dir;
  const std::string backslashed = Utf8Path(dir.path()) + "\\day.csv";
  WriteBytes(backslashed, "x\n");
  MemoryStorage storage;
  TextPane pane(storage);
  pane.LoadTextFile(backslashed);
  pane.SaveTextFile(SaveNameFor(backslashed));
  EXPECT_EQ(ReadBytes(Utf8Path(dir.path()) + "\\day.kml"), "x\r\n");
  EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"day.csv", "day.kml"}));
}

TEST(WindowsFiles, AReadOnlyTargetIsRefusedAndKept) {
  ScratchDir dir;
  const std::string target = Utf8Path(dir.path() / "day.kml");
  WriteBytes(target, "previous");
  ASSERT_TRUE(::SetFileAttributesW(WideFromUtf8(target).c_str(), FILE_ATTRIBUTE_READONLY));
  MemoryStorage storage("new\r\n");
  TextPane pane(storage);
  EXPECT_EQ(Message([&] { pane.SaveTextFile(target); }),
            Filled(file_messages::kCannotCreate, {target, Words(ERROR_ACCESS_DENIED)}));
  EXPECT_EQ(ReadBytes(target), "previous");
  ::SetFileAttributesW(WideFromUtf8(target).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WindowsFiles, AFileBeingWrittenRefusesTheLoad) {
  ScratchDir dir;
  const std::string path = Utf8Path(dir.path() / "day.csv");
  WriteBytes(path, "x\r\n");
  const HANDLE writer =
      ::CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  MemoryStorage storage("kept\r\n");
  TextPane pane(storage);
  EXPECT_EQ(Message([&] { pane.LoadTextFile(path); }),
            Filled(file_messages::kCannotOpen, {path, Words(ERROR_SHARING_VIOLATION)}));
  EXPECT_EQ(pane.Text(), "kept\r\n");
  ::CloseHandle(writer);
  pane.LoadTextFile(path);
  EXPECT_EQ(pane.Text(), "x\r\n");
}

// The window's Save through a hard link to the export is refused; a KML with another link is
// written in place, so both names show the new text; a replaced one keeps its attributes.
TEST(WindowsFiles, SavesKeepTheExportLinksAndAttributes) {
  ScratchDir dir;
  const std::string csv = Utf8Path(dir.path() / "day.csv"), kml = Utf8Path(dir.path() / "day.kml");
  WriteBytes(csv, "export");
  ASSERT_TRUE(::CreateHardLinkW(WideFromUtf8(kml).c_str(), WideFromUtf8(csv).c_str(), nullptr));
  MemoryStorage storage("new\r\n");
  TextPane pane(storage);
  EXPECT_EQ(Message([&] {
              pane.SaveTextFile({"KML", kml}, csv);
            }),
            Filled(file_messages::kWouldReplaceInput, {"KML", kml, csv}));
  EXPECT_EQ(ReadBytes(csv), "export");

  const std::string twin = Utf8Path(dir.path() / "twin.kml");
  ASSERT_TRUE(::DeleteFileW(WideFromUtf8(kml).c_str()));
  WriteBytes(kml, "a much longer previous text");
  ASSERT_TRUE(::CreateHardLinkW(WideFromUtf8(twin).c_str(), WideFromUtf8(kml).c_str(), nullptr));
  pane.SaveTextFile({"KML", kml}, csv);
  EXPECT_EQ(ReadBytes(kml), "new\r\n");
  EXPECT_EQ(ReadBytes(twin), "new\r\n");

  const std::string hidden = Utf8Path(dir.path() / "hidden.kml");
  WriteBytes(hidden, "previous");
  ASSERT_TRUE(::SetFileAttributesW(WideFromUtf8(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN));
  pane.SaveTextFile({"KML", hidden}, csv);
  EXPECT_EQ(ReadBytes(hidden), "new\r\n");
  EXPECT_TRUE(::GetFileAttributesW(WideFromUtf8(hidden).c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(FolderEntries(dir.path()),
            (std::vector<std::string>{"day.csv", "day.kml", "hidden.kml", "twin.kml"}));
}

// A KML another program holds open is refused in words that say so, and kept; a symbolic link
// as the KML is written through to its file, and stays a link.
TEST(WindowsFiles, SavesThroughLinksAndAroundFilesInUse) {
  ScratchDir dir;
  const std::string kml = Utf8Path(dir.path() / "day.kml");
  WriteBytes(kml, "previous");
  const HANDLE other = ::CreateFileW(WideFromUtf8(kml).c_str(), GENERIC_READ, 0, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  MemoryStorage storage("new\r\n");
  TextPane pane(storage);
  EXPECT_EQ(Message([&] { pane.SaveTextFile(kml); }),
            Filled(file_messages::kCannotCreate, {kml, file_messages::kInUse}));
  ::CloseHandle(other);
  EXPECT_EQ(ReadBytes(kml), "previous");
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"day.kml"});

  const std::string link = Utf8Path(dir.path() / "link.kml");
  // Wine reports success and makes no link.
  if (!::CreateSymbolicLinkW(WideFromUtf8(link).c_str(), L"day.kml", 0) ||
      ::GetFileAttributesW(WideFromUtf8(link).c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::cout << "no symbolic links here\n";
    return;
  }
  pane.SaveTextFile(link);
  EXPECT_EQ(ReadBytes(kml), "new\r\n");
  EXPECT_TRUE(::GetFileAttributesW(WideFromUtf8(link).c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
}

TEST(WindowsFiles, SavingToNulWritesInPlace) {
  MemoryStorage storage("x\r\n");
  TextPane pane(storage);
  EXPECT_EQ(Message([&] { pane.SaveTextFile("NUL"); }), "(no error)");
  EXPECT_EQ(
      Message([&] { pane.LoadTextFile("C:\\no\\such\\day.csv"); }),
      Filled(file_messages::kCannotOpen, {"C:\\no\\such\\day.csv", Words(ERROR_PATH_NOT_FOUND)}));
}

}  // namespace
