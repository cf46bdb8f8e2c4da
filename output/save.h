// Saving hard copies under automatic or chosen names, and handing them to
// the edit application or the shell's open-with chooser.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

// Destination buffers for a save: as large as the save dialog's own buffer,
// so that no name the dialog accepts can be cut or overrun.
constexpr size_t SAVE_NAME_CAPACITY = 519;
constexpr int LAST_AUTOMATIC_NUMBER = 999998;

// Fills `destination` (capacity SAVE_NAME_CAPACITY) with the file to write,
// or leaves it empty: dialog cancelled, no free number, or a name too long.
// Returns the image type to write it in: SaveImageType's for an automatic
// name, the type chosen in the dialog (the setting's first) for a named one.
int ChooseSaveDestination(int askUser, wchar_t* destination);
// Puts `name` into `destination` when it fits with its terminator; an empty
// or overlong name leaves the destination empty. Returns whether it fitted.
bool StoreSaveName(const std::wstring& name, wchar_t* destination);

// The automatic name in `dayFolder` ("...\bitmap\YYYYMMDD"): the smallest
// number from 000001 that neither a bitmap nor a PNG file has; empty when
// all of them are taken.
std::wstring FindFreeAutomaticName(const std::wstring& dayFolder,
                                  int lastNumber = LAST_AUTOMATIC_NUMBER);
// A PNG's automatic name: one past the highest number of either type in
// `dayFolder`; empty past `lastNumber`.
std::wstring FindNextAutomaticPngName(const std::wstring& dayFolder,
                                     int lastNumber = LAST_AUTOMATIC_NUMBER);
std::wstring AutomaticBitmapFolder(const wchar_t* saveDir);
std::wstring AutomaticDayFolder(const wchar_t* saveDir, const SYSTEMTIME& localTime);

// Writes `destination` so that it ends up either whole or as it was before:
// `write` fills a new temporary file of the program's own beside it, which is
// flushed to the disk and then takes the destination's place. A full disk, a
// failed write or a locked destination leave no half-written file. Where no
// temporary name beside the destination fits the path limit, `write` writes
// the destination itself, and a failed write removes a file it created.
// `write` leaves the system's last error set when it fails; `error` gets the
// reason of the step that failed.
bool WriteFileThroughTemporary(const wchar_t* destination,
                               const std::function<bool(const wchar_t* path)>& write,
                               DWORD* error = nullptr);
// The folder of `path` up to and with its last separator, empty when it has
// none.
std::wstring FolderOf(const wchar_t* path);
// The folder of `path` as a user names it: without its last separator.
std::wstring FolderNameOf(const wchar_t* path);
// Creates a new, empty temporary file of the program's own beside
// `destination`, never one that exists already; empty when none could be
// made or none fits the path limit. `suffix` is four characters; one other
// than ".tmp" is no leftover that RemoveLeftoverTemporaryFiles removes.
std::wstring CreateTemporaryFileBeside(const wchar_t* destination, const wchar_t* suffix = L".tmp");
// A temporary file beside `destination` that `write` filled and that was
// flushed to the disk; empty, and nothing left, when that failed.
std::wstring WriteTemporaryFileBeside(const wchar_t* destination,
                                      const std::function<bool(const wchar_t* path)>& write,
                                      DWORD* error = nullptr);
// Copies a hard copy through WriteFileThroughTemporary.
bool CopyHardCopyFile(const wchar_t* from, const wchar_t* to, DWORD* error = nullptr);
// Saves the hard copy in the bitmap file `workFile` for the user: a copy, or
// a PNG file when `imageType` is IMAGE_TYPE_PNG, written through
// WriteFileThroughTemporary. Returns whether `destination` was written, and
// in `error` why not.
bool SaveHardCopyAs(const wchar_t* workFile, const wchar_t* destination, int imageType,
                    DWORD* error = nullptr);
// Whether a write failed because the disk was full: known only from the
// write itself, whatever the folder's free space said before it.
bool IsDiskFullError(DWORD error);
// The temporary files' names: "~zvx" + four hexadecimal digits + ".tmp".
bool IsTemporaryFileName(const wchar_t* name);
// Removes what a copy that never finished (the program was ended in the
// middle of it) left in `folder`, which ends in a backslash.
void RemoveLeftoverTemporaryFiles(const wchar_t* folder);

// AppParam, one blank, then the path unquoted.
std::wstring BuildEditParameters(const wchar_t* appParam, const wchar_t* path);
void OpenInEditApplication(const wchar_t* path);
void OpenWithChooser(HWND owner, const wchar_t* path);

// "%4d/%02d/%02d %02d:%02d:%02d" of the file's last write in local time;
// the buffer is left as it is when the file cannot be read.
void FormatFileTimeText(const wchar_t* path, wchar_t* buffer, size_t capacity);
void FormatSystemTimeText(const SYSTEMTIME& time, wchar_t* buffer, size_t capacity);
