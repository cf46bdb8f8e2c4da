#include "output/png_file.h"

#include "capture/scoped_com.h"
#include "capture/bitmap_file.h"
#include "capture/scoped_gdi.h"

#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
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

// A section's pixels, converted by GDI from the section's own depth.
bool ReadPixels24(HBITMAP section, Pixels24* out) {
    BITMAP size = {};
    if (!section || !GetObjectW(section, sizeof size, &size)) return false;
    int width = size.bmWidth, height = std::abs(size.bmHeight);
    BitmapInfo256 info = {};
    BuildBitmapInfoHeader(width, -height, 24, &info.header);
    uint64_t bytes = BitmapPixelBytes(width, height, 24);
    if (bytes == 0 || bytes > UINT_MAX) return false;
    out->bytes.reset(new (std::nothrow) BYTE[bytes]);
    ScopedMemoryDC dc(nullptr);
    if (!out->bytes || !dc.get()) return false;
    if (GetDIBits(dc.get(), section, 0, height, out->bytes.get(),
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) != height)
        return false;
    out->width = width;
    out->height = height;
    out->stride = BitmapStride(width, 24);
    return true;
}

// The reader's section of a bitmap file, converted likewise.
bool ReadFilePixels24(const wchar_t* bitmapPath, Pixels24* out) {
    ScopedGdiObject section(LoadBitmapFile(bitmapPath));
    return ReadPixels24(static_cast<HBITMAP>(section.get()), out);
}

HRESULT CreateFactory(ComPtr<IWICImagingFactory>* factory) {
    return CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                            IID_PPV_ARGS(factory->GetAddressOf()));
}

// Every interface is released when this returns, before COM is ended.
HRESULT Encode(IWICImagingFactory* factory, const Pixels24& pixels, IStream* stream) {
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    HRESULT result =
        factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.GetAddressOf());
    if (SUCCEEDED(result)) result = encoder->Initialize(stream, WICBitmapEncoderNoCache);
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

HRESULT EncodeToFile(const Pixels24& pixels, const wchar_t* pngPath) {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    HRESULT result = CreateFactory(&factory);
    if (SUCCEEDED(result)) result = factory->CreateStream(stream.GetAddressOf());
    if (SUCCEEDED(result)) result = stream->InitializeFromFilename(pngPath, GENERIC_WRITE);
    if (SUCCEEDED(result)) result = Encode(factory.Get(), pixels, stream.Get());
    return result;
}

// The stream's memory, cut to what was written: a stream grows its block
// ahead of the writes, and a reader of the clipboard takes the whole block.
HGLOBAL EncodeToMemory(const Pixels24& pixels) {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IStream> stream;
    HRESULT result = CreateFactory(&factory);
    if (SUCCEEDED(result)) result = CreateStreamOnHGlobal(nullptr, TRUE, stream.GetAddressOf());
    if (SUCCEEDED(result)) result = Encode(factory.Get(), pixels, stream.Get());
    STATSTG written = {};
    if (SUCCEEDED(result)) result = stream->Stat(&written, STATFLAG_NONAME);
    HGLOBAL memory = nullptr;
    if (SUCCEEDED(result)) result = GetHGlobalFromStream(stream.Get(), &memory);
    if (FAILED(result) || written.cbSize.QuadPart == 0 || written.cbSize.QuadPart > SIZE_MAX)
        return nullptr;
    SIZE_T size = static_cast<SIZE_T>(written.cbSize.QuadPart);
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    void* to = copy ? GlobalLock(copy) : nullptr;
    const void* from = to ? GlobalLock(memory) : nullptr;
    if (from) {
        std::memcpy(to, from, size);
        GlobalUnlock(memory);
    }
    if (to) GlobalUnlock(copy);
    if (!from && copy) {
        GlobalFree(copy);
        copy = nullptr;
    }
    return copy;
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
    if (!ReadFilePixels24(bitmapPath, &pixels)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    HRESULT encoded;
    {
        ScopedComApartment com;
        encoded = EncodeToFile(pixels, pngPath);
    }
    if (FAILED(encoded)) SetLastError(ErrorOf(encoded));
    return SUCCEEDED(encoded);
}

HGLOBAL EncodePngInMemory(HBITMAP section) {
    Pixels24 pixels;
    if (!ReadPixels24(section, &pixels)) return nullptr;
    ScopedComApartment com;
    return EncodeToMemory(pixels);
}
