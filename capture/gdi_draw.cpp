// Outlines, hatched boxes and fills shared by the overlay, the flash,
// printing and the viewer, and the fit rectangle of an image in an area.
#include "capture/bitmap_file.h"

#include "capture/scoped_gdi.h"
#include "settings/settings.h"

#include <cwchar>

namespace {

RECT RectFromPackedPoints(LPARAM first, LPARAM second) {
    return RECT{static_cast<short>(LOWORD(first)), static_cast<short>(HIWORD(first)),
                static_cast<short>(LOWORD(second)), static_cast<short>(HIWORD(second))};
}

} // namespace

void DrawBoxOutline(HDC dc, RECT rect, int invert, COLORREF color) {
    int style = PS_SOLID;
    if (invert != 0) {
        bool dotted = Settings.IsDotRange != 0;
        SetROP2(dc, dotted ? R2_XORPEN : R2_NOT);
        if (dotted) style = PS_DOT;
    }
    ScopedGdiObject pen(CreatePen(style, 1, color));
    ScopedSelectObject selected(dc, pen.get());
    MoveToEx(dc, rect.left, rect.top, nullptr);
    LineTo(dc, rect.right, rect.top);
    LineTo(dc, rect.right, rect.bottom);
    LineTo(dc, rect.left, rect.bottom);
    LineTo(dc, rect.left, rect.top);
}

void DrawPlainOutline(HDC dc, RECT rect, COLORREF color) {
    DrawBoxOutline(dc, rect, 0, color);
}

void DrawBoxOutlineOnWindow(HWND window, RECT rect, int invert, COLORREF color) {
    ScopedWindowDC dc(window, GetDC(window));
    if (dc.get()) DrawBoxOutline(dc.get(), rect, invert, color);
}

void DrawBandOutline(HWND window, LPARAM first, LPARAM second, int invert, COLORREF color) {
    DrawBoxOutlineOnWindow(window, RectFromPackedPoints(first, second), invert, color);
}

void DrawHatchedBox(HWND window, RECT rect, int invert, COLORREF color, int penWidth) {
    ScopedWindowDC dc(window, GetDC(window));
    if (!dc.get()) return;
    if (invert != 0) SetROP2(dc.get(), R2_NOT);
    ScopedGdiObject pen(CreatePen(PS_SOLID, penWidth, color));
    ScopedGdiObject brush(CreateHatchBrush(HS_CROSS, color));
    ScopedSelectObject selectedPen(dc.get(), pen.get());
    ScopedSelectObject selectedBrush(dc.get(), brush.get());
    Rectangle(dc.get(), rect.left, rect.top, rect.right, rect.bottom);
}

void DrawHatchedBand(HWND window, LPARAM first, LPARAM second, int invert, COLORREF color) {
    DrawHatchedBox(window, RectFromPackedPoints(first, second), invert, color);
}

void FillBox(HDC dc, RECT rect, COLORREF color) {
    ScopedGdiObject brush(CreateSolidBrush(color));
    ScopedSelectObject selected(dc, brush.get());
    FillRect(dc, &rect, static_cast<HBRUSH>(brush.get()));
}

void FitImageRect(int imageWidth, int imageHeight, int areaWidth, int areaHeight, RECT* out) {
    *out = RECT{0, 0, 0, 0};
    // An image without extent on one side cannot be scaled into the area.
    if (imageWidth <= 0 || imageHeight <= 0) return;
    int availableWidth = static_cast<int>(areaWidth * 0.9);
    int availableHeight = static_cast<int>(areaHeight * 0.9);
    double scaleX = static_cast<double>(availableWidth) / imageWidth;
    double scaleY = static_cast<double>(availableHeight) / imageHeight;
    int width = availableWidth;
    int height = availableHeight;
    if (scaleX >= scaleY)
        width = static_cast<int>(imageWidth * scaleY);
    else
        height = static_cast<int>(imageHeight * scaleX);
    int x = (areaWidth - width) / 2;
    int y = (areaHeight - height) / 2;
    *out = RECT{x, y, x + width, y + height};
}

HFONT CreateGothicFont(const wchar_t* face, int height, int escapement) {
    LOGFONTW font = {};
    font.lfHeight = height;
    font.lfEscapement = escapement;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfQuality = PROOF_QUALITY;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    std::wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}
