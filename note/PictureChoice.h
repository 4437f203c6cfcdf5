#pragma once
// Choosing a picture for a note or one of its items: the open-file dialog and the copy into the
// note folder, which asks before replacing a file and says when the copy failed.
#include <windows.h>

#include <string>

inline constexpr wchar_t kPictureCopyPrefix[] = L"bkimage_";
inline constexpr int kPictureCopyFailedBoxId = 30704;

// The full path of the chosen picture; false when cancelled.
bool AskPictureFile(HWND owner, std::wstring& path);
// Copies the file to target (a path in the note folder). False, with the old picture to be kept,
// when the user declines to replace an existing file or the copy failed (the user is told).
bool CopyPictureIn(HWND owner, const std::wstring& path, const std::wstring& target);
