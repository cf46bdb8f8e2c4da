#include "dialogs/about_dialog.h"

#include "app/app.h"
#include "app/dpi.h"
#include "capture/scoped_gdi.h"
#include "dialogs/list_view.h"
#include "output/save.h"
#include "resources/resource.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

HWND aboutDialogWindow;

namespace {

constexpr wchar_t ABOUT_LINK_TEXT[] = L"mailto:zv@example.com";
constexpr INT_PTR ABOUT_RESULT = IDC_ABOUT_CLOSE;
constexpr int VERSION_TEXT_CAPACITY = 64;
constexpr int FILE_TIME_CAPACITY = 32;
constexpr int PROGRAM_PATH_CAPACITY = 1024;
constexpr int LINK_FONT_HEIGHT = 12;

HCURSOR handCursor;
WNDPROC linkLabelPreviousProc;

// --- link label ------------------------------------------------------------

LRESULT OnLinkPaint(HWND label) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(label, &paint);
    {
        int height = ScaleForDpi(LINK_FONT_HEIGHT, DpiOfWindow(label));
        ScopedGdiObject font(CreateFontW(height, 0, 0, 0, FW_DONTCARE, FALSE, TRUE, FALSE,
                                         SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                         nullptr));
        ScopedSelectObject selected(dc, font.get());
        SetTextColor(dc, RGB(0, 0, 255));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        TextOutW(dc, 0, 0, ABOUT_LINK_TEXT, static_cast<int>(std::size(ABOUT_LINK_TEXT) - 1));
    }
    EndPaint(label, &paint);
    return 0;
}

LRESULT CALLBACK LinkLabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: return OnLinkPaint(label);
    case WM_SETCURSOR: SetCursor(handCursor); return TRUE;
    case WM_LBUTTONDOWN:
        ShellExecuteW(label, nullptr, ABOUT_LINK_TEXT, nullptr, nullptr, SW_SHOWNORMAL);
        break;
    default: break;
    }
    return CallWindowProcW(linkLabelPreviousProc, label, message, wParam, lParam);
}

void SubclassLinkLabel(HWND label) {
    linkLabelPreviousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LinkLabelProc)));
}

// --- version information -----------------------------------------------------

bool QueryVersionText(const void* block, const wchar_t* name, wchar_t* buffer, size_t capacity) {
    wchar_t query[64];
    std::swprintf(query, std::size(query), L"\\StringFileInfo\\041104b0\\%ls", name);
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block, query, reinterpret_cast<void**>(&value), &length) || !value)
        return false;
    std::wstring text(value, wcsnlen(value, length));
    text.resize(std::min(text.size(), capacity - 1));
    std::wmemcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

// Shows Comments, FileDescription and LegalCopyright and leaves the file
// version in `version`; without version information the template texts stay
// and `version` is empty.
void ShowVersionTexts(HWND dialog, const wchar_t* programPath, wchar_t* version, size_t capacity) {
    version[0] = '\0';
    DWORD unused = 0;
    DWORD size = GetFileVersionInfoSizeW(programPath, &unused);
    if (size == 0) return;
    std::unique_ptr<char[]> block(new (std::nothrow) char[size]);
    if (!block || !GetFileVersionInfoW(programPath, 0, size, block.get())) return;

    const struct {
        const wchar_t* name;
        int label;
    } shown[] = {{L"Comments", IDC_ABOUT_COMMENTS},
                 {L"FileDescription", IDC_ABOUT_DESCRIPTION},
                 {L"LegalCopyright", IDC_ABOUT_COPYRIGHT}};
    for (const auto& value : shown) {
        if (!QueryVersionText(block.get(), value.name, version, capacity)) version[0] = '\0';
        SetDlgItemTextW(dialog, value.label, version);
    }
    if (!QueryVersionText(block.get(), L"FileVersion", version, capacity))
        std::swprintf(version, capacity, L"-");
}

void AddFileRow(HWND list, int row, const wchar_t* name, const wchar_t* version, const wchar_t* path) {
    AddListRow(list, row, name);
    SetListCell(list, row, 1, version);
    wchar_t fileTime[FILE_TIME_CAPACITY] = {};
    FormatFileTimeText(path, fileTime, std::size(fileTime));
    SetListCell(list, row, 2, fileTime);
}

// The running program's own file, so that the dialog describes this copy
// whatever the current directory holds; empty when the path does not fit.
void GetProgramPath(wchar_t* programPath, size_t capacity) {
    DWORD length = GetModuleFileNameW(nullptr, programPath, static_cast<DWORD>(capacity));
    if (length == 0 || length >= capacity) programPath[0] = '\0';
}

// --- dialog ------------------------------------------------------------------

INT_PTR OnInitDialog(HWND dialog) {
    aboutDialogWindow = dialog;
    handCursor = LoadCursorW(nullptr, IDC_HAND);
    SubclassLinkLabel(GetDlgItem(dialog, IDC_ABOUT_LINK));

    HWND list = GetDlgItem(dialog, IDC_ABOUT_FILES);
    EnableFullRowSelect(list);
    AddListColumn(list, 0, L"ファイル名", 100);
    AddListColumn(list, 1, L"バージョン", 100);
    AddListColumn(list, 2, L"更新日時", 120);

    wchar_t programPath[PROGRAM_PATH_CAPACITY];
    GetProgramPath(programPath, std::size(programPath));
    wchar_t version[VERSION_TEXT_CAPACITY];
    ShowVersionTexts(dialog, programPath, version, std::size(version));
    AddFileRow(list, 0, L"zor_vex.exe", version, programPath);
    AddFileRow(list, 1, L"zorvex.ini", L"-", L".\\zorvex.ini");
    AddFileRow(list, 2, L"readme.txt", L"-", L".\\readme.txt");

    SetForegroundWindow(dialog);
    return TRUE;
}

INT_PTR OnCommand(HWND dialog, WORD id) {
    if (id != IDC_ABOUT_CLOSE && id != IDCANCEL) return FALSE;
    EndDialog(dialog, ABOUT_RESULT);
    return TRUE;
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam));
    case WM_DPICHANGED:
        ScaleListColumnsToDpi(GetDlgItem(dialog, IDC_ABOUT_FILES), DpiFromDpiChanged(wParam));
        InvalidateRect(GetDlgItem(dialog, IDC_ABOUT_LINK), nullptr, TRUE);
        return FALSE;
    case WM_DESTROY: aboutDialogWindow = nullptr; return FALSE;
    default: return FALSE;
    }
}

} // namespace

void RunAboutDialog() {
    EnsureListViewControls();
    DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_ABOUT), nullptr, AboutDialogProc, 0);
}
