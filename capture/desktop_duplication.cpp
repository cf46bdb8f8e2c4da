// HDR monitors through DXGI: IDXGIOutput6::GetDesc1 tells which outputs
// compose in HDR, IDXGIOutput5::DuplicateOutput1 gives such an output's
// picture before the system converts it for GDI. dxgi.dll and d3d11.dll are
// loaded when a capture first meets a display with advanced colour, so that
// the program starts on a system without them; an output of a system
// without DXGI 1.6 counts as SDR.
#include "capture/hdr_screen.h"

#include <d3d11.h>
#include <dxgi1_6.h>
#include <wrl/client.h>

#include <cwchar>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

using CreateFactoryFn = HRESULT(WINAPI*)(REFIID, void**);

// A first frame comes at once; a desktop that shows none this soon (a
// switch under way) is left to GDI.
constexpr DWORD FRAME_WAIT_MILLISECONDS = 250;

template <typename Function> Function FromSystemModule(const wchar_t* module, const char* name) {
    HMODULE handle = LoadLibraryExW(module, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!handle) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

struct HdrOutput {
    UINT adapter;
    UINT output;
    RECT monitor;
    wchar_t deviceName[32];
};

// Which outputs are HDR, as last asked. Kept between captures (it costs
// nothing while the program idles) until the displays change or the factory
// is no longer current.
struct KnownOutputs {
    bool asked = false;
    ComPtr<IDXGIFactory1> factory;
    std::vector<HdrOutput> hdr;
};
KnownOutputs knownOutputs;

bool IsHdrOutput(IDXGIOutput* output, DXGI_OUTPUT_DESC1* desc) {
    ComPtr<IDXGIOutput6> output6;
    return SUCCEEDED(output->QueryInterface(__uuidof(IDXGIOutput6), &output6)) &&
           SUCCEEDED(output6->GetDesc1(desc)) && desc->AttachedToDesktop &&
           desc->ColorSpace == DXGI_COLOR_SPACE_RGB_FULL_G2084_NONE_P2020;
}

std::vector<HdrOutput> EnumerateHdrOutputs(IDXGIFactory1* factory) {
    std::vector<HdrOutput> found;
    ComPtr<IDXGIAdapter1> adapter;
    for (UINT a = 0; SUCCEEDED(factory->EnumAdapters1(a, &adapter)); ++a) {
        ComPtr<IDXGIOutput> output;
        for (UINT o = 0; SUCCEEDED(adapter->EnumOutputs(o, &output)); ++o) {
            DXGI_OUTPUT_DESC1 desc = {};
            if (!IsHdrOutput(output.Get(), &desc)) continue;
            HdrOutput hdr = {a, o, desc.DesktopCoordinates, {}};
            std::wcsncpy(hdr.deviceName, desc.DeviceName, std::size(hdr.deviceName) - 1);
            found.push_back(hdr);
        }
    }
    return found;
}

std::vector<DISPLAYCONFIG_PATH_INFO> ActiveDisplayPaths() {
    UINT32 pathCount = 0;
    UINT32 modeCount = 0;
    if (GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount) != ERROR_SUCCESS)
        return {};
    std::vector<DISPLAYCONFIG_PATH_INFO> paths(pathCount);
    std::vector<DISPLAYCONFIG_MODE_INFO> modes(modeCount);
    if (QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, paths.data(), &modeCount,
                           modes.data(), nullptr) != ERROR_SUCCESS)
        return {};
    paths.resize(pathCount);
    return paths;
}

template <typename Packet>
bool AskTarget(const DISPLAYCONFIG_PATH_INFO& path, DISPLAYCONFIG_DEVICE_INFO_TYPE type,
               Packet* packet) {
    packet->header.type = type;
    packet->header.size = sizeof *packet;
    packet->header.adapterId = path.targetInfo.adapterId;
    packet->header.id = path.targetInfo.id;
    return DisplayConfigGetDeviceInfo(&packet->header) == ERROR_SUCCESS;
}

// Windows composes a display in HDR only while its advanced colour is on.
// Without such a display (every system before Windows 10 1703, and Wine,
// which knows no advanced colour) DXGI is not even loaded.
bool AnyAdvancedColourDisplay() {
    for (const DISPLAYCONFIG_PATH_INFO& path : ActiveDisplayPaths()) {
        DISPLAYCONFIG_GET_ADVANCED_COLOR_INFO colour = {};
        if (AskTarget(path, DISPLAYCONFIG_DEVICE_INFO_GET_ADVANCED_COLOR_INFO, &colour) &&
            colour.advancedColorEnabled)
            return true;
    }
    return false;
}

// The SDR white level of the display GDI names `deviceName`, in nits.
bool SdrWhiteNits(const wchar_t* deviceName, float* nits) {
    for (const DISPLAYCONFIG_PATH_INFO& path : ActiveDisplayPaths()) {
        DISPLAYCONFIG_SOURCE_DEVICE_NAME source = {};
        source.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
        source.header.size = sizeof source;
        source.header.adapterId = path.sourceInfo.adapterId;
        source.header.id = path.sourceInfo.id;
        if (DisplayConfigGetDeviceInfo(&source.header) != ERROR_SUCCESS ||
            std::wcscmp(source.viewGdiDeviceName, deviceName) != 0)
            continue;
        DISPLAYCONFIG_SDR_WHITE_LEVEL white = {};
        if (!AskTarget(path, DISPLAYCONFIG_DEVICE_INFO_GET_SDR_WHITE_LEVEL, &white) ||
            white.SDRWhiteLevel == 0)
            return false;
        // The level is a multiple of 80 nits, times 1000.
        *nits = static_cast<float>(white.SDRWhiteLevel) / 1000.0f * SCRGB_WHITE_NITS;
        return true;
    }
    return false;
}

const KnownOutputs& CurrentOutputs() {
    if (knownOutputs.factory && !knownOutputs.factory->IsCurrent()) knownOutputs = {};
    if (knownOutputs.asked) return knownOutputs;
    knownOutputs.asked = true;
    if (!AnyAdvancedColourDisplay()) return knownOutputs;
    static const auto createFactory =
        FromSystemModule<CreateFactoryFn>(L"dxgi.dll", "CreateDXGIFactory1");
    if (createFactory && SUCCEEDED(createFactory(__uuidof(IDXGIFactory1), &knownOutputs.factory)))
        knownOutputs.hdr = EnumerateHdrOutputs(knownOutputs.factory.Get());
    return knownOutputs;
}

SurfaceRotation RotationOf(DXGI_MODE_ROTATION rotation) {
    switch (rotation) {
    case DXGI_MODE_ROTATION_ROTATE90: return SurfaceRotation::Rotate90;
    case DXGI_MODE_ROTATION_ROTATE180: return SurfaceRotation::Rotate180;
    case DXGI_MODE_ROTATION_ROTATE270: return SurfaceRotation::Rotate270;
    default: return SurfaceRotation::Identity;
    }
}

// A frame of the duplicate, held until it is given back.
class AcquiredFrame {
  public:
    explicit AcquiredFrame(IDXGIOutputDuplication* duplication) : duplication_(duplication) {}
    ~AcquiredFrame() {
        if (held_) duplication_->ReleaseFrame();
    }
    AcquiredFrame(const AcquiredFrame&) = delete;
    AcquiredFrame& operator=(const AcquiredFrame&) = delete;

    // Waits for a frame that carries a desktop image (one that only moved
    // the pointer carries none).
    bool Acquire(ComPtr<ID3D11Texture2D>* image) {
        const DWORD start = GetTickCount();
        for (;;) {
            const DWORD waited = GetTickCount() - start;
            if (waited >= FRAME_WAIT_MILLISECONDS) return false;
            DXGI_OUTDUPL_FRAME_INFO info = {};
            ComPtr<IDXGIResource> resource;
            if (FAILED(duplication_->AcquireNextFrame(FRAME_WAIT_MILLISECONDS - waited, &info,
                                                      &resource)))
                return false;
            held_ = true;
            if (info.LastPresentTime.QuadPart != 0)
                return SUCCEEDED(resource->QueryInterface(__uuidof(ID3D11Texture2D), &*image));
            duplication_->ReleaseFrame();
            held_ = false;
        }
    }

  private:
    IDXGIOutputDuplication* duplication_;
    bool held_ = false;
};

// Copies the frame where the processor can read it and hands it to `take`.
bool ReadBack(ID3D11Device* device, ID3D11DeviceContext* context, ID3D11Texture2D* image,
              HdrMonitorPicture picture, const HdrPictureSource::Taker& take) {
    D3D11_TEXTURE2D_DESC desc = {};
    image->GetDesc(&desc);
    if (desc.Format != DXGI_FORMAT_R16G16B16A16_FLOAT) return false;
    desc.Usage = D3D11_USAGE_STAGING;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    desc.MiscFlags = 0;
    ComPtr<ID3D11Texture2D> staging;
    if (FAILED(device->CreateTexture2D(&desc, nullptr, &staging))) return false;
    context->CopyResource(staging.Get(), image);
    D3D11_MAPPED_SUBRESOURCE mapped = {};
    if (FAILED(context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped))) return false;
    picture.surface.pixels = static_cast<const uint8_t*>(mapped.pData);
    picture.surface.pitch = mapped.RowPitch;
    picture.surface.width = static_cast<int>(desc.Width);
    picture.surface.height = static_cast<int>(desc.Height);
    bool taken = take(picture);
    context->Unmap(staging.Get(), 0);
    return taken;
}

bool DuplicateAndRead(IDXGIAdapter1* adapter, IDXGIOutput5* output, HdrMonitorPicture picture,
                      const HdrPictureSource::Taker& take) {
    static const auto createDevice =
        FromSystemModule<PFN_D3D11_CREATE_DEVICE>(L"d3d11.dll", "D3D11CreateDevice");
    ComPtr<ID3D11Device> device;
    ComPtr<ID3D11DeviceContext> context;
    if (!createDevice || FAILED(createDevice(adapter, D3D_DRIVER_TYPE_UNKNOWN, nullptr, 0, nullptr,
                                             0, D3D11_SDK_VERSION, &device, nullptr, &context)))
        return false;
    const DXGI_FORMAT format = DXGI_FORMAT_R16G16B16A16_FLOAT;
    ComPtr<IDXGIOutputDuplication> duplication;
    if (FAILED(output->DuplicateOutput1(device.Get(), 0, 1, &format, &duplication))) return false;
    DXGI_OUTDUPL_DESC desc = {};
    duplication->GetDesc(&desc);
    picture.surface.rotation = RotationOf(desc.Rotation);
    AcquiredFrame frame(duplication.Get());
    ComPtr<ID3D11Texture2D> image;
    return frame.Acquire(&image) &&
           ReadBack(device.Get(), context.Get(), image.Get(), picture, take);
}

// The output found before, if it is still the HDR output at the same place.
bool ReadOutput(IDXGIFactory1* factory, const HdrOutput& known,
                const HdrPictureSource::Taker& take) {
    ComPtr<IDXGIAdapter1> adapter;
    ComPtr<IDXGIOutput> output;
    ComPtr<IDXGIOutput5> output5;
    DXGI_OUTPUT_DESC1 desc = {};
    if (FAILED(factory->EnumAdapters1(known.adapter, &adapter)) ||
        FAILED(adapter->EnumOutputs(known.output, &output)) || !IsHdrOutput(output.Get(), &desc) ||
        !EqualRect(&desc.DesktopCoordinates, &known.monitor) ||
        FAILED(output->QueryInterface(__uuidof(IDXGIOutput5), &output5)))
        return false;
    HdrMonitorPicture picture;
    picture.monitor = known.monitor;
    if (!SdrWhiteNits(known.deviceName, &picture.sdrWhiteNits)) return false;
    return DuplicateAndRead(adapter.Get(), output5.Get(), picture, take);
}

class DuplicationSource : public HdrPictureSource {
  public:
    bool ReadHdrMonitors(RECT area, const Taker& take) override {
        const KnownOutputs& outputs = CurrentOutputs();
        ComPtr<IDXGIFactory1> factory = outputs.factory;
        const std::vector<HdrOutput> hdr = outputs.hdr;
        for (const HdrOutput& known : hdr) {
            RECT meets;
            if (IntersectRect(&meets, &area, &known.monitor) &&
                !ReadOutput(factory.Get(), known, take))
                return false;
        }
        return true;
    }
};

} // namespace

HdrPictureSource& DesktopDuplication() {
    static DuplicationSource source;
    return source;
}

void ForgetHdrMonitors() {
    knownOutputs = {};
}
