#include "app/start_with_windows.h"

#include "app/app.h"
#include "capture/scoped_com.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlguid.h>
#include <shlobj.h>

#include <cwchar>

namespace {

constexpr wchar_t SHORTCUT_NAME[] = L"ZORVEX.lnk";
constexpr wchar_t DESCRIPTION[] = L"ZORVEX 画面ハードコピー常駐ユーティリティ";
constexpr wchar_t NOT_MADE[] = L"スタートアップフォルダにショートカットを作成できませんでした。";
constexpr wchar_t NOT_REMOVED[] = L"スタートアップフォルダのショートカットを削除できませんでした。";
constexpr wchar_t NO_FOLDER[] = L"（スタートアップフォルダが見つかりません）";
// The longest path Windows knows, terminator included.
constexpr DWORD LONGEST_PATH = 32768;

// One reference to a COM interface, released when it goes.
template <typename Interface> class ComRef {
  public:
    ComRef() = default;
    ~ComRef() {
        if (pointer_) pointer_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    void** Out() { return reinterpret_cast<void**>(&pointer_); }
    Interface* operator->() const { return pointer_; }

  private:
    Interface* pointer_ = nullptr;
};

std::wstring_view WithoutTrailingBackslashes(std::wstring_view path) {
    while (!path.empty() && path.back() == L'\\')
        path.remove_suffix(1);
    return path;
}

std::wstring ThisProgram() {
    std::wstring path(LONGEST_PATH, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, path.data(), LONGEST_PATH);
    path.resize(length < LONGEST_PATH ? length : 0);
    return path;
}

StartTarget ThisRun() {
    return {ThisProgram(), startDirectory};
}

// The user's Startup folder, or empty when there is none (and it is not to
// be made).
std::wstring StartupFolder(bool make) {
    PWSTR folder = nullptr;
    std::wstring path;
    DWORD flags = make ? static_cast<DWORD>(KF_FLAG_CREATE) : 0;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Startup, flags, nullptr, &folder))) path = folder;
    CoTaskMemFree(folder);
    return path;
}

std::wstring ShortcutPath(const std::wstring& folder) {
    return folder.empty() ? std::wstring() : folder + L"\\" + SHORTCUT_NAME;
}

// A text of the shortcut, read into a buffer as long as any path.
template <typename Read> std::wstring LinkText(Read read) {
    std::wstring text(LONGEST_PATH, L'\0');
    if (FAILED(read(text.data(), static_cast<int>(LONGEST_PATH)))) return {};
    text.resize(std::wcslen(text.c_str()));
    return text;
}

// Nothing when there is no ZORVEX.lnk; empty fields when it cannot be read.
std::optional<StartTarget> ReadShortcut(const std::wstring& path) {
    if (path.empty()) return std::nullopt;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
    }
    StartTarget target;
    ComRef<IShellLinkW> link;
    ComRef<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.Out())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.Out())) ||
        FAILED(file->Load(path.c_str(), STGM_READ)))
        return target;
    target.program = LinkText(
        [&](wchar_t* text, int capacity) { return link->GetPath(text, capacity, nullptr, 0); });
    target.folder = LinkText(
        [&](wchar_t* text, int capacity) { return link->GetWorkingDirectory(text, capacity); });
    return target;
}

bool WriteShortcut(const std::wstring& path, const StartTarget& self) {
    if (path.empty() || self.program.empty() || self.folder.empty()) return false;
    ComRef<IShellLinkW> link;
    ComRef<IPersistFile> file;
    return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, link.Out())) &&
           SUCCEEDED(link->SetPath(self.program.c_str())) &&
           SUCCEEDED(link->SetWorkingDirectory(self.folder.c_str())) &&
           SUCCEEDED(link->SetIconLocation(self.program.c_str(), 0)) &&
           SUCCEEDED(link->SetDescription(DESCRIPTION)) &&
           SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.Out())) &&
           SUCCEEDED(file->Save(path.c_str(), TRUE));
}

bool RemoveShortcut(const std::wstring& path) {
    if (DeleteFileW(path.c_str())) return true;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::wstring Failure(const wchar_t* text, const std::wstring& folder) {
    return std::wstring(text) + L"\n" + (folder.empty() ? std::wstring(NO_FOLDER) : folder);
}

} // namespace

bool IsSamePath(std::wstring_view a, std::wstring_view b) {
    a = WithoutTrailingBackslashes(a);
    b = WithoutTrailingBackslashes(b);
    if (a.empty() || b.empty() || a.size() >= LONGEST_PATH || b.size() >= LONGEST_PATH)
        return false;
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

StartupState StartupStateOf(const std::optional<StartTarget>& shortcut, const StartTarget& self) {
    if (!shortcut) return STARTUP_ABSENT;
    bool same =
        IsSamePath(shortcut->program, self.program) && IsSamePath(shortcut->folder, self.folder);
    return same ? STARTUP_THIS : STARTUP_OTHER;
}

StartupAction StartupActionFor(StartupState state, bool checked) {
    if (checked) return state == STARTUP_THIS ? STARTUP_KEEP : STARTUP_MAKE;
    return state == STARTUP_THIS ? STARTUP_REMOVE : STARTUP_KEEP;
}

std::wstring StartupNote(StartupState state, const StartTarget& shortcut) {
    if (state != STARTUP_OTHER) return {};
    return std::wstring(L"スタートアップフォルダの ") + SHORTCUT_NAME +
           L" は、ほかのフォルダの ZORVEX を起動します。チェックして適用すると、この ZORVEX "
           L"に置き換えます。\n\nプログラム: " +
           shortcut.program + L"\n作業フォルダ: " + shortcut.folder;
}

StartupView ReadStartupView() {
    ScopedComApartment com;
    std::optional<StartTarget> shortcut = ReadShortcut(ShortcutPath(StartupFolder(false)));
    StartupState state = StartupStateOf(shortcut, ThisRun());
    return {state == STARTUP_THIS, shortcut ? StartupNote(state, *shortcut) : std::wstring()};
}

std::wstring ApplyStartWithWindows(bool checked) {
    ScopedComApartment com;
    std::wstring folder = StartupFolder(checked);
    std::wstring path = ShortcutPath(folder);
    StartTarget self = ThisRun();
    switch (StartupActionFor(StartupStateOf(ReadShortcut(path), self), checked)) {
    case STARTUP_MAKE:
        if (!WriteShortcut(path, self)) return Failure(NOT_MADE, folder);
        return {};
    case STARTUP_REMOVE:
        if (!RemoveShortcut(path)) return Failure(NOT_REMOVED, folder);
        return {};
    default: return {};
    }
}
