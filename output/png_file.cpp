#include "output/png_file.h"

#include "capture/bitmap_file.h"
#include "capture/scoped_gdi.h"

#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cwchar>
#include <climits>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

namespace {

using Microsoft::WRL::ComPtr;

// The hard copy as 24-bit rows from the top, BGR as in the bitmap file.
struct Pixels24 {
    UINT width = 0;
    UINT height = 0;
    UINT stride = 0;
    std::unique_ptr<BYTE[]> bytes;
};

// The reader's section, converted by GDI from the file's own depth.
bool ReadPixels24(const wchar_t* bitmapPath, Pixels24* out) {
    ScopedGdiObject section(LoadBitmapFile(bitmapPath));
    BITMAP size = {};
    if (!section.get() || !GetObjectW(section.get(), sizeof size, &size)) return false;
    int width = size.bmWidth, height = std::abs(size.bmHeight);
    BitmapInfo256 info = {};
    BuildBitmapInfoHeader(width, -height, 24, &info.header);
    uint64_t bytes = BitmapPixelBytes(width, height, 24);
    if (bytes == 0 || bytes > UINT_MAX) return false;
    out->bytes.reset(new (std::nothrow) BYTE[bytes]);
    ScopedMemoryDC dc(nullptr);
    if (!out->bytes || !dc.get()) return false;
    if (GetDIBits(dc.get(), static_cast<HBITMAP>(section.get()), 0, height, out->bytes.get(),
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) != height)
        return false;
    out->width = width;
    out->height = height;
    out->stride = BitmapStride(width, 24);
    return true;
}

// Every interface is released when this returns, before COM is ended.
HRESULT Encode(const Pixels24& pixels, const wchar_t* pngPath) {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(factory.GetAddressOf()));
    if (SUCCEEDED(result)) result = factory->CreateStream(stream.GetAddressOf());
    if (SUCCEEDED(result)) result = stream->InitializeFromFilename(pngPath, GENERIC_WRITE);
    if (SUCCEEDED(result))
        result = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.GetAddressOf());
    if (SUCCEEDED(result)) result = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
    if (SUCCEEDED(result)) result = encoder->CreateNewFrame(frame.GetAddressOf(), nullptr);
    if (SUCCEEDED(result)) result = frame->Initialize(nullptr);
    if (SUCCEEDED(result)) result = frame->SetSize(pixels.width, pixels.height);
    if (SUCCEEDED(result)) result = frame->SetPixelFormat(&format);
    if (SUCCEEDED(result) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) result = E_FAIL;
    if (SUCCEEDED(result))
        result = frame->WritePixels(pixels.height, pixels.stride, pixels.stride * pixels.height,
                                    pixels.bytes.get());
    if (SUCCEEDED(result)) result = frame->Commit();
    if (SUCCEEDED(result)) result = encoder->Commit();
    return result;
}

// The system error an encoder's result stands for: a full disk is told as
// such, whatever layer of the encoder met it.
DWORD ErrorOf(HRESULT result) {
    if (result == STG_E_MEDIUMFULL) return ERROR_DISK_FULL;
    if (HRESULT_FACILITY(result) == FACILITY_WIN32) return HRESULT_CODE(result);
    return ERROR_WRITE_FAULT;
}

} // namespace

bool WritePngFile(const wchar_t* bitmapPath, const wchar_t* pngPath) {
    Pixels24 pixels;
    if (!ReadPixels24(bitmapPath, &pixels)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HRESULT encoded = Encode(pixels, pngPath);
    if (SUCCEEDED(com)) CoUninitialize();
    if (FAILED(encoded)) SetLastError(ErrorOf(encoded));
    return SUCCEEDED(encoded);
}
