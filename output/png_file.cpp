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
bool Encode(const Pixels24& pixels, const wchar_t* pngPath) {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(factory.GetAddressOf()))) &&
           SUCCEEDED(factory->CreateStream(stream.GetAddressOf())) &&
           SUCCEEDED(stream->InitializeFromFilename(pngPath, GENERIC_WRITE)) &&
           SUCCEEDED(
               factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.GetAddressOf())) &&
           SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
           SUCCEEDED(encoder->CreateNewFrame(frame.GetAddressOf(), nullptr)) &&
           SUCCEEDED(frame->Initialize(nullptr)) &&
           SUCCEEDED(frame->SetSize(pixels.width, pixels.height)) &&
           SUCCEEDED(frame->SetPixelFormat(&format)) &&
           IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
           SUCCEEDED(frame->WritePixels(pixels.height, pixels.stride, pixels.stride * pixels.height,
                                        pixels.bytes.get())) &&
           SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

} // namespace

bool WritePngFile(const wchar_t* bitmapPath, const wchar_t* pngPath) {
    Pixels24 pixels;
    if (!ReadPixels24(bitmapPath, &pixels)) return false;
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool written = Encode(pixels, pngPath);
    if (SUCCEEDED(com)) CoUninitialize();
    return written;
}
