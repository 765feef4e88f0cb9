// What the file layer tells the user, in both programs.
#pragma once

#include "message_text.h"

namespace file_messages {

inline constexpr std::string_view kCannotOpen = "Cannot open file \"%1\". %2";
inline constexpr std::string_view kCannotCreate = "Cannot create file \"%1\". %2";
inline constexpr std::string_view kCannotRead = "Cannot read file \"%1\". %2";
inline constexpr std::string_view kEndedEarly = "The file ended before its size was read";
inline constexpr std::string_view kReplacedWhileSaving =
    "Another file took its place while it was being saved";
inline constexpr std::string_view kStreamWriteError = "Stream write error";
inline constexpr std::string_view kInUse = "The file is in use by another program";
inline constexpr std::string_view kLocked = "Another program holds a lock on it";
inline constexpr std::string_view kTooManySaves =
    "Too many files are being saved at once to remove them all if the program is stopped";
inline constexpr std::string_view kPlantedLink =
    "A link on its way belongs to another user who may write the link's folder, and is not "
    "followed";
inline constexpr std::string_view kSharedFile =
    "In a folder others may write, a file with other links or another owner is not written "
    "into";
inline constexpr std::string_view kCutAtNul =
    "It holds a NUL byte at offset %1: the text ends there, and what follows is left out";
inline constexpr std::string_view kSystemError = "Error %1";
inline constexpr std::string_view kPaneTooLarge = "Text exceeds memo capacity";
inline constexpr std::string_view kExportTooLarge =
    "The export is larger than the 2 GiB a window opens";
inline constexpr std::string_view kCannotMakeFolder = "Cannot make the folder \"%1\". %2";
inline constexpr std::string_view kNoTemporaryFolder = "No temporary folder to write in";
inline constexpr std::string_view kTemporaryFolderUnusable =
    "The temporary folder \"%1\" cannot be used";
inline constexpr std::string_view kNoPrivateFolder = "No folder could be made in \"%1\"";
inline constexpr std::string_view kTemporaryUnreadable = "The temporary workbook could not be read";
inline constexpr std::string_view kWouldReplaceInput =
    "Its %1 \"%2\" would replace the input \"%3\"";
inline constexpr std::string_view kOutputsAreOneFile =
    "Its %1 \"%2\" and its %3 \"%4\" are one file";
inline constexpr std::string_view kWouldReplaceOther =
    "Its %1 \"%2\" would replace the %3 of \"%4\"";

inline constexpr CatalogueEntry kEntries[] = {
    {"kCannotOpen", kCannotOpen},
    {"kCannotCreate", kCannotCreate},
    {"kCannotRead", kCannotRead},
    {"kEndedEarly", kEndedEarly},
    {"kReplacedWhileSaving", kReplacedWhileSaving},
    {"kStreamWriteError", kStreamWriteError},
    {"kInUse", kInUse},
    {"kLocked", kLocked},
    {"kTooManySaves", kTooManySaves},
    {"kPlantedLink", kPlantedLink},
    {"kSharedFile", kSharedFile},
    {"kCutAtNul", kCutAtNul},
    {"kSystemError", kSystemError},
    {"kPaneTooLarge", kPaneTooLarge},
    {"kExportTooLarge", kExportTooLarge},
    {"kCannotMakeFolder", kCannotMakeFolder},
    {"kNoTemporaryFolder", kNoTemporaryFolder},
    {"kTemporaryFolderUnusable", kTemporaryFolderUnusable},
    {"kNoPrivateFolder", kNoPrivateFolder},
    {"kTemporaryUnreadable", kTemporaryUnreadable},
    {"kWouldReplaceInput", kWouldReplaceInput},
    {"kOutputsAreOneFile", kOutputsAreOneFile},
    {"kWouldReplaceOther", kWouldReplaceOther},
};

}  // namespace file_messages
