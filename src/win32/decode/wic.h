#pragma once

// The Windows Imaging Component as the Windows build's readers use it: a
// COM pointer, COM on the calling thread, and one picture opened from a
// file's bytes; and GIF's composition of frames, which the component reads
// one by one.

#include "media/decode/format.h"

#include <wincodec.h>
#include <windows.h>

#include <string>

namespace framory::media::detail {

template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T** out()
    {
        reset();
        return &m_p;
    }
    T* operator->() const { return m_p; }
    T* get() const { return m_p; }
    void reset()
    {
        if (m_p != nullptr) {
            m_p->Release();
            m_p = nullptr;
        }
    }

private:
    T* m_p = nullptr;
};

// COM on the calling thread for as long as one lives; decodes run on the
// show's background threads and in the worker.
class ComApartment {
public:
    ComApartment() : m_ok(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~ComApartment()
    {
        if (m_ok) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool m_ok;
};

// One picture opened by the imaging component from the file's bytes.
struct WicPicture {
    ComApartment apartment;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT width = 0;
    UINT height = 0;

    // Empty when it opened, else why not.
    std::string open(Bytes b)
    {
        if (b.size() > 0x7fffffffu) {
            return "file too long";
        }
        if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    reinterpret_cast<void**>(factory.out())))) {
            return "the imaging component is missing";
        }
        if (FAILED(factory->CreateStream(stream.out())) ||
            FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(b.data()), static_cast<DWORD>(b.size()))) ||
            FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                    decoder.out()))) {
            return "the imaging component does not read it";
        }
        if (FAILED(decoder->GetFrame(0, frame.out())) || FAILED(frame->GetSize(&width, &height))) {
            return "the first frame cannot be read";
        }
        return {};
    }
};

// GIF: the logical screen's size, and the budget checked on every frame
// that is composed.
Header GifHeader(Bytes b);
// The frames composed on the logical screen, fitted to the request.
Decoded GifDecode(Bytes b, const Header& header, const Request& request);

} // namespace framory::media::detail
