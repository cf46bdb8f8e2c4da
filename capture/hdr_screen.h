// The HDR monitors of the desktop. With Windows' HDR on, what GDI reads of
// such a monitor is a washed-out conversion made for old programs; a hard
// copy takes that monitor's part from a 16-bit float duplicate of it instead,
// mapped to SDR with the monitor's SDR white level. Every other part stays
// GDI's.
#pragma once

#include <windows.h>

#include <functional>

#include "capture/hdr_mapping.h"

struct HdrMonitorPicture {
    RECT monitor = {}; // its place on the desktop
    ScRgbSurface surface;
    float sdrWhiteNits = SCRGB_WHITE_NITS;
};

// Where a capture gets the pictures of the HDR monitors.
class HdrPictureSource {
  public:
    virtual ~HdrPictureSource() = default;
    using Taker = std::function<bool(const HdrMonitorPicture&)>;
    // Hands `take` the picture of each HDR monitor that `area` meets, valid
    // during that call only; true with no call when `area` meets none. False
    // when one of them could not be read or `take` refused it.
    virtual bool ReadHdrMonitors(RECT area, const Taker& take) = 0;
};

// The system's own: DXGI's duplicate of each HDR output, made for the one
// capture that needs it.
HdrPictureSource& DesktopDuplication();
// The displays changed: which monitors are HDR is asked again next time.
void ForgetHdrMonitors();

// Draws the HDR monitors' parts of `area` over `copy`, a GDI copy of `area`
// whose origin is the area's top-left corner. When any of them could not be
// read nothing is drawn: the hard copy is GDI's alone.
void PaintHdrParts(HdrPictureSource& source, HDC copy, RECT area);
