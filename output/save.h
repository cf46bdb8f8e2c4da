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
int ChooseSaveDestination(int askUser, char* destination);
// Paths are kept in code page 932, the settings file's; the "A" file
// functions read them in the process's code page, which is 932 wherever the
// manifest's code page is honoured. Elsewhere a path is given in `codePage`,
// and a character it lacks becomes '?'.
std::string PathInCodePage(const char* path, UINT codePage);
// A path a chooser gave in UTF-16, in `codePage`: a character it lacks
// becomes '?', never a look-alike.
std::string PathFromWide(const std::wstring& path, UINT codePage);
// False for a '?' in the path (past a "\\?\" prefix): a character a chooser
// or a code page could not give, which names no file.
bool CanNameFile(const char* path);

// Puts `name` into `destination` when it fits with its terminator; an empty
// or overlong name leaves the destination empty. Returns whether it fitted.
bool StoreSaveName(const std::string& name, char* destination);

// The automatic name in `dayFolder` ("...\bitmap\YYYYMMDD"): the smallest
// number from 000001 that neither a bitmap nor a PNG file has; empty when
// all of them are taken.
std::string FindFreeAutomaticName(const std::string& dayFolder,
                                  int lastNumber = LAST_AUTOMATIC_NUMBER);
// A PNG's automatic name: one past the highest number of either type in
// `dayFolder`; empty past `lastNumber`.
std::string FindNextAutomaticPngName(const std::string& dayFolder,
                                     int lastNumber = LAST_AUTOMATIC_NUMBER);
std::string AutomaticBitmapFolder(const char* saveDir);
std::string AutomaticDayFolder(const char* saveDir, const SYSTEMTIME& localTime);

// Writes `destination` so that it ends up either whole or as it was before:
// `write` fills a new temporary file of the program's own beside it, which is
// flushed to the disk and then takes the destination's place. A full disk, a
// failed write or a locked destination leave no half-written file. Where no
// temporary name beside the destination fits the path limit, `write` writes
// the destination itself, and a failed write removes a file it created.
bool WriteFileThroughTemporary(const char* destination,
                               const std::function<bool(const char* path)>& write);
// The folder of `path` up to and with its last separator, empty when it has
// none; a Shift-JIS trail byte that equals a backslash is no separator.
std::string FolderOf(const char* path);
// Creates a new, empty temporary file of the program's own beside
// `destination`, never one that exists already; empty when none could be
// made or none fits the path limit.
std::string CreateTemporaryFileBeside(const char* destination);
// A temporary file beside `destination` that `write` filled and that was
// flushed to the disk; empty, and nothing left, when that failed.
std::string WriteTemporaryFileBeside(const char* destination,
                                     const std::function<bool(const char* path)>& write);
// Copies a hard copy through WriteFileThroughTemporary.
bool CopyHardCopyFile(const char* from, const char* to);
// Saves the hard copy in the bitmap file `workFile` for the user: a copy, or
// a PNG file when `imageType` is IMAGE_TYPE_PNG, written through
// WriteFileThroughTemporary. Returns whether `destination` was written.
bool SaveHardCopyAs(const char* workFile, const char* destination, int imageType);
// The temporary files' names: "~zvx" + four hexadecimal digits + ".tmp".
bool IsTemporaryFileName(const char* name);
// Removes what a copy that never finished (the program was ended in the
// middle of it) left in `folder`, which ends in a backslash.
void RemoveLeftoverTemporaryFiles(const char* folder);

// AppParam, one blank, then the path unquoted.
std::string BuildEditParameters(const char* appParam, const char* path);
void OpenInEditApplication(const char* path);
void OpenWithChooser(HWND owner, const char* path);

// "%4d/%02d/%02d %02d:%02d:%02d" of the file's last write in local time;
// the buffer is left as it is when the file cannot be read.
void FormatFileTimeText(const char* path, char* buffer, size_t capacity);
void FormatSystemTimeText(const SYSTEMTIME& time, char* buffer, size_t capacity);
