#include "output/print.h"

#include "app/app.h"
#include "app/stamp_text.h"
#include "capture/bitmap_file.h"
#include "capture/scoped_gdi.h"
#include "resources/resource.h"
#include "settings/settings.h"

#include <commdlg.h>
#include <winspool.h>

#include <cwchar>
#include <iterator>
#include <cstdio>
#include <cstring>
#include <string>

bool printerSetupActive;
HWND printerSetupWindow;

namespace {

// Learns the printer setup dialog's window, so that a second request can
// bring it forward instead of doing nothing; the dialog sets its own focus.
UINT_PTR CALLBACK PrinterSetupHook(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return 0;
    printerSetupWindow = dialog;
    return TRUE;
}

constexpr wchar_t DOCUMENT_NAME[] = L"ZORVEX";
constexpr wchar_t STAMP_FACE_NAME[] = L"ＭＳＰ ゴシック";
constexpr DWORD CHOSEN_PAGE_FIELDS = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH |
                                     DM_PAPERWIDTH | DM_DEFAULTSOURCE | DM_PRINTQUALITY |
                                     DM_COLOR | DM_DUPLEX;

bool printAbortRequested;
HWND printAbortDialog;

class ScopedPrinterHandle {
public:
    ScopedPrinterHandle() = default;
    ~ScopedPrinterHandle() {
        if (handle_) ClosePrinter(handle_);
    }
    ScopedPrinterHandle(const ScopedPrinterHandle&) = delete;
    ScopedPrinterHandle& operator=(const ScopedPrinterHandle&) = delete;
    HANDLE* put() { return &handle_; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
};

// Movable global memory, locked while the owner holds it.
class ScopedGlobalLock {
public:
    explicit ScopedGlobalLock(HGLOBAL memory)
        : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}
    ~ScopedGlobalLock() {
        if (data_) GlobalUnlock(memory_);
    }
    ScopedGlobalLock(const ScopedGlobalLock&) = delete;
    ScopedGlobalLock& operator=(const ScopedGlobalLock&) = delete;
    void* get() const { return data_; }

private:
    HGLOBAL memory_;
    void* data_;
};

class ScopedGlobalMemory {
public:
    explicit ScopedGlobalMemory(HGLOBAL memory) : memory_(memory) {}
    ~ScopedGlobalMemory() {
        if (memory_) GlobalFree(memory_);
    }
    ScopedGlobalMemory(const ScopedGlobalMemory&) = delete;
    ScopedGlobalMemory& operator=(const ScopedGlobalMemory&) = delete;
    HGLOBAL get() const { return memory_; }

private:
    HGLOBAL memory_;
};

// --- printer setup -----------------------------------------------------------

void CopyChosenPageSettings(const DEVMODEW& chosen, DEVMODEW* printer) {
    printer->dmFields = CHOSEN_PAGE_FIELDS;
    printer->dmOrientation = chosen.dmOrientation;
    printer->dmPaperSize = chosen.dmPaperSize;
    printer->dmPaperLength = chosen.dmPaperLength;
    printer->dmPaperWidth = chosen.dmPaperWidth;
    printer->dmDefaultSource = chosen.dmDefaultSource;
    printer->dmPrintQuality = chosen.dmPrintQuality;
    printer->dmColor = chosen.dmColor;
}

void WriteDefaultPrinterEntry(const PRINTER_INFO_2W& info, const wchar_t* printerName) {
    std::wstring entry = std::wstring(printerName) + L"," +
                         (info.pDriverName ? info.pDriverName : L"") + L"," +
                         (info.pPortName ? info.pPortName : L"");
    WriteProfileStringW(L"windows", L"device", entry.c_str());
}

// Puts the page settings chosen in the dialog into the printer's own
// defaults and, when asked, makes that printer the default printer.
bool ApplyPrinterChoice(HGLOBAL chosenDevMode, HGLOBAL chosenDevNames, bool makeDefault) {
    ScopedGlobalLock chosenLock(chosenDevMode);
    const auto* chosen = static_cast<const DEVMODEW*>(chosenLock.get());
    if (!chosen) return false;
    std::wstring name = ChosenPrinterName(chosenDevNames, *chosen);
    wchar_t* printerName = name.data();

    ScopedPrinterHandle printer;
    PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(printerName, printer.put(), &access)) return false;

    DWORD needed = 0;
    GetPrinterW(printer.get(), 2, nullptr, 0, &needed);
    if (needed == 0) return false;
    ScopedGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, needed));
    ScopedGlobalLock infoLock(memory.get());
    auto* info = static_cast<PRINTER_INFO_2W*>(infoLock.get());
    if (!info) return false;
    if (!GetPrinterW(printer.get(), 2, reinterpret_cast<BYTE*>(info), needed, &needed))
        return false;
    if (!info->pDevMode) return false;

    CopyChosenPageSettings(*chosen, info->pDevMode);
    if (DocumentPropertiesW(nullptr, printer.get(), printerName, info->pDevMode, info->pDevMode,
                            DM_IN_BUFFER | DM_OUT_BUFFER) < 0)
        return false;
    if (makeDefault) WriteDefaultPrinterEntry(*info, printerName);
    return SetPrinterW(printer.get(), 2, reinterpret_cast<BYTE*>(info), 0) != FALSE;
}

// --- the print ---------------------------------------------------------------

PrinterPage ReadPrinterPage(HDC dc) {
    return PrinterPage{GetDeviceCaps(dc, PHYSICALOFFSETX), GetDeviceCaps(dc, PHYSICALOFFSETY),
                       GetDeviceCaps(dc, PHYSICALWIDTH),   GetDeviceCaps(dc, PHYSICALHEIGHT),
                       GetDeviceCaps(dc, HORZRES),         GetDeviceCaps(dc, VERTRES)};
}

void OpenPrintAbortDialog() {
    printAbortRequested = false;
    printAbortDialog = CreateDialogParamW(appInstance, MAKEINTRESOURCEW(IDD_PRINT_ABORT),
                                          mainWindow, PrintAbortDialogProc, 0);
    if (printAbortDialog) {
        ShowWindow(printAbortDialog, SW_SHOW);
        UpdateWindow(printAbortDialog);
    }
    EnableWindow(mainWindow, FALSE);
    // The one moment before the page is finished at which Cancel is seen.
    PumpPendingMessages();
}

void ClosePrintAbortDialog() {
    if (printAbortDialog) DestroyWindow(printAbortDialog);
}

void DrawStamps(HDC dc, const PrinterPage& page, int textHeight) {
    int baseline = page.printableHeight - textHeight + page.offsetY + 1;
    if (Settings.IsPrintSysTime != 0) {
        wchar_t stamp[TIME_STAMP_CAPACITY];
        FormatLocalTimeStamp(stamp);
        SetTextAlign(dc, TA_LEFT | TA_BOTTOM);
        TextOutW(dc, page.offsetX + 1, baseline, stamp, static_cast<int>(std::wcslen(stamp)));
    }
    bool withHostName = Settings.IsPrintHostName != 0;
    bool withAddress = Settings.IsPrintIPAddr != 0;
    if (withHostName || withAddress) {
        LookUpHostAddress();
        wchar_t stamp[HOST_STAMP_CAPACITY];
        FormHostStampText(hostNameText, ipAddressText, withHostName, withAddress, stamp,
                          std::size(stamp));
        int length = static_cast<int>(std::wcslen(stamp));
        SIZE extent = {};
        GetTextExtentPoint32W(dc, stamp, length, &extent);
        SetTextAlign(dc, TA_RIGHT | TA_BOTTOM);
        TextOutW(dc, page.printableWidth - extent.cx + page.offsetX + 1, baseline, stamp, length);
    }
}

void DrawTitle(HDC dc, const PrinterPage& page, const wchar_t* title) {
    if (title[0] == L'\0') return;
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    TextOutW(dc, page.offsetX + page.printableWidth / 2, page.offsetY, title,
             static_cast<int>(wcsnlen(title, PRINT_TITLE_CAPACITY - 1)));
}

void DrawTexts(HDC dc, const PrinterPage& page, const wchar_t* title) {
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    ScopedGdiObject font(CreateGothicFont(STAMP_FACE_NAME, metrics.tmHeight, 0));
    ScopedSelectObject selected(dc, font.get());
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    DrawStamps(dc, page, metrics.tmHeight);
    DrawTitle(dc, page, title);
}

// Takes over `bitmap`, the hard copy already read.
void DrawPage(HDC dc, const PrinterPage& page, RECT source, HBITMAP bitmap, wchar_t* title) {
    RECT image;
    if (ComputePrintImageRect(source.right - source.left, source.bottom - source.top, page,
                              &image)) {
        DrawBitmapStretched(dc, image, source, bitmap);
        if (Settings.IsPrintEdge != 0) DrawPlainOutline(dc, image, RGB(0, 0, 0));
    } else {
        DeleteObject(bitmap);
    }
    DrawTexts(dc, page, title);
    title[0] = L'\0';
}

int PrintPage(HDC dc, const PrinterPage& page, RECT source, HBITMAP bitmap, wchar_t* title) {
    DOCINFOW document = {};
    document.cbSize = sizeof document;
    document.lpszDocName = DOCUMENT_NAME;
    if (StartDocW(dc, &document) <= 0) {
        DeleteObject(bitmap);
        return PRINT_FAILED;
    }
    if (StartPage(dc) <= 0) {
        DeleteObject(bitmap);
        AbortDoc(dc);
        return PRINT_FAILED;
    }
    DrawPage(dc, page, source, bitmap, title);
    // An aborted job is over: ending its page and document afterwards would
    // hand it to the spooler where AbortDoc is not supported.
    if (printAbortRequested) {
        AbortDoc(dc);
        return PRINT_CANCELLED;
    }
    ClosePrintAbortDialog();
    if (EndPage(dc) <= 0) {
        AbortDoc(dc);
        return PRINT_FAILED;
    }
    return EndDoc(dc) > 0 ? PRINT_DONE : PRINT_FAILED;
}

void FreeDialogMemory(const PRINTDLGW& dialog) {
    if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames) GlobalFree(dialog.hDevNames);
}

} // namespace

std::wstring ChosenPrinterName(HGLOBAL devNames, const DEVMODEW& chosen) {
    ScopedGlobalLock namesLock(devNames);
    const auto* names = static_cast<const DEVNAMES*>(namesLock.get());
    if (names && names->wDeviceOffset != 0) {
        // The offsets count UTF-16 units from the block's start.
        size_t units = GlobalSize(devNames) / sizeof(wchar_t);
        const wchar_t* base = static_cast<const wchar_t*>(namesLock.get());
        size_t offset = names->wDeviceOffset;
        if (offset < units) {
            size_t length = wcsnlen(base + offset, units - offset);
            if (length > 0 && offset + length < units) return std::wstring(base + offset, length);
        }
    }
    return std::wstring(chosen.dmDeviceName, wcsnlen(chosen.dmDeviceName, CCHDEVICENAME));
}

bool ComputePrintImageRect(int width, int height, const PrinterPage& page, RECT* out) {
    if (width <= 0 || height <= 0) return false;
    int areaWidth = static_cast<int>(page.printableWidth * 0.9);
    int areaHeight = static_cast<int>(page.printableHeight * 0.9);
    double scaleX = static_cast<double>(areaWidth) / width;
    double scaleY = static_cast<double>(areaHeight) / height;
    bool portrait = page.physicalWidth < page.physicalHeight;
    bool fullWidth = portrait ? scaleX <= scaleY : scaleX < scaleY;
    int imageWidth = fullWidth ? areaWidth : static_cast<int>(width * scaleY);
    int imageHeight = fullWidth ? static_cast<int>(height * scaleX) : areaHeight;
    int left = static_cast<int>((page.printableWidth - imageWidth) * 0.5);
    int top = static_cast<int>((page.printableHeight - imageHeight) * 0.5);
    *out = RECT{left, top, left + imageWidth, top + imageHeight};
    return true;
}

HDC RunPrinterSetup(HWND owner) {
    PRINTDLGW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    // Windows calls the setup hook for this dialog, Wine the print hook.
    dialog.Flags = PD_PRINTSETUP | PD_RETURNDC | PD_ENABLESETUPHOOK | PD_ENABLEPRINTHOOK;
    dialog.lpfnSetupHook = PrinterSetupHook;
    dialog.lpfnPrintHook = PrinterSetupHook;
    BOOL confirmed = PrintDlgW(&dialog);
    printerSetupActive = false;
    printerSetupWindow = nullptr;
    ScopedGlobalMemory devMode(dialog.hDevMode);
    ScopedGlobalMemory devNames(dialog.hDevNames);
    if (!confirmed) return nullptr;
    HDC result = owner ? dialog.hDC : nullptr;
    if (!owner && dialog.hDC) DeleteDC(dialog.hDC);
    PumpPendingMessages();
    if (!ApplyPrinterChoice(devMode.get(), devNames.get(), owner == nullptr)) {
        if (result) DeleteDC(result);
        return nullptr;
    }
    return result;
}

HDC GetDefaultPrinterContext() {
    PRINTDLGW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = mainWindow;
    dialog.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    if (!PrintDlgW(&dialog)) return nullptr;
    FreeDialogMemory(dialog);
    return dialog.hDC;
}

int PrintHardCopy(RECT source, const wchar_t* path, wchar_t* title) {
    // A hard copy that cannot be read (another program holds it, or it is
    // damaged) prints nothing, rather than a page with only the stamps.
    HBITMAP bitmap = LoadBitmapFile(path);
    if (!bitmap) return PRINT_UNREADABLE;
    return PrintHardCopyImage(source, bitmap, title);
}

int PrintHardCopyImage(RECT source, HBITMAP bitmap, wchar_t* title) {
    if (Settings.IsPrintDialog != 0) {
        HDC setup = RunPrinterSetup(mainWindow);
        if (!setup) {
            DeleteObject(bitmap);
            return PRINT_CANCELLED;
        }
        DeleteDC(setup);
    }
    ScopedDC printer(GetDefaultPrinterContext());
    if (!printer.get()) {
        DeleteObject(bitmap);
        return PRINT_FAILED;
    }
    PrinterPage page = ReadPrinterPage(printer.get());
    OpenPrintAbortDialog();
    int result = PrintPage(printer.get(), page, source, bitmap, title);
    ClosePrintAbortDialog();
    EnableWindow(mainWindow, TRUE);
    return result;
}

INT_PTR CALLBACK PrintAbortDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetForegroundWindow(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDCANCEL) return FALSE;
        printAbortRequested = true;
        DestroyWindow(dialog);
        return TRUE;
    case WM_DESTROY:
        printAbortDialog = nullptr;
        return FALSE;
    default: return FALSE;
    }
}
