#include "capture/hdr_screen.h"

#include <memory>
#include <new>
#include <vector>

namespace {

// One HDR monitor's part of a copy, mapped: 32-bit rows, top row first.
struct MappedPart {
    RECT rect;
    std::unique_ptr<uint8_t[]> pixels;
};

bool MapPart(const HdrMonitorPicture& picture, RECT area, std::vector<MappedPart>* parts) {
    RECT part;
    if (!IntersectRect(&part, &area, &picture.monitor)) return true;
    // The picture must be the monitor as the desktop places it.
    if (UprightWidth(picture.surface) != picture.monitor.right - picture.monitor.left ||
        UprightHeight(picture.surface) != picture.monitor.bottom - picture.monitor.top)
        return false;
    const int width = part.right - part.left;
    const int height = part.bottom - part.top;
    const size_t pitch = static_cast<size_t>(width) * 4;
    // A part there is no memory for leaves the hard copy to GDI.
    MappedPart mapped{part, std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[pitch * height])};
    if (!mapped.pixels ||
        !MapScRgbToSrgb(picture.surface, picture.sdrWhiteNits, part.left - picture.monitor.left,
                        part.top - picture.monitor.top, width, height, mapped.pixels.get(), pitch))
        return false;
    parts->push_back(std::move(mapped));
    return true;
}

void DrawPart(HDC copy, RECT area, const MappedPart& part) {
    const int width = part.rect.right - part.rect.left;
    const int height = part.rect.bottom - part.rect.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(copy, part.rect.left - area.left, part.rect.top - area.top, width, height, 0,
                      0, 0, height, part.pixels.get(), &info, DIB_RGB_COLORS);
}

} // namespace

void PaintHdrParts(HdrPictureSource& source, HDC copy, RECT area) {
    std::vector<MappedPart> parts;
    // All parts are mapped before any is drawn, so a monitor that fails
    // leaves the copy as GDI made it.
    bool read = source.ReadHdrMonitors(
        area, [&](const HdrMonitorPicture& picture) { return MapPart(picture, area, &parts); });
    if (!read) return;
    for (const MappedPart& part : parts)
        DrawPart(copy, area, part);
}
