// Feeds arbitrary bytes to our own picture code: every sniffer and header
// reader, the DIB-to-BMP wrapper, the metafile record walk, the Radiance
// decoder and the probe that applies the pixel budget.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "media/decode/decode.h"
#include "media/decode/headers.h"

namespace {

using framory::media::detail::Bytes;
using framory::media::detail::Header;

void check(const Header& h)
{
    // A valid header always carries a positive size.
    if (h.valid() && (h.width <= 0 || h.height <= 0)) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace d = framory::media::detail;
    const Bytes bytes(data, size);

    (void)d::SniffBmp(bytes);
    (void)d::SniffDib(bytes);
    (void)d::SniffGif(bytes);
    (void)d::SniffJpeg(bytes);
    (void)d::SniffPng(bytes);
    (void)d::SniffTiff(bytes);
    (void)d::SniffTga(bytes);
    (void)d::SniffPcx(bytes);
    (void)d::SniffWmf(bytes);
    (void)d::SniffWpg(bytes);
    (void)d::SniffSoftimage(bytes);
    (void)d::SniffRadiance(bytes);
    (void)d::SniffUtahRle(bytes);

    check(d::ReadBmpHeader(bytes));
    check(d::ReadDibHeader(bytes));
    check(d::ReadGifHeader(bytes));
    check(d::ReadJpegHeader(bytes));
    check(d::ReadPngHeader(bytes));
    check(d::ReadTiffHeader(bytes));
    check(d::ReadTgaHeader(bytes));
    check(d::ReadPcxHeader(bytes));
    check(d::ReadWmfHeader(bytes));
    check(d::ReadWpgHeader(bytes));
    check(d::ReadSoftimageHeader(bytes));
    check(d::ReadRadianceHeader(bytes));
    check(d::ReadUtahRleHeader(bytes));

    if (const auto bmp = d::DibToBmp(bytes)) {
        if (bmp->size() != size + 14) {
            std::abort();
        }
    }
    if (const auto frame = d::ReadWmfFrame(bytes)) {
        if (frame->records_end > size) {
            std::abort();
        }
    }

    // The Radiance decoder allocates the picture: keep it small here, as
    // the budget check does in the real path.
    const Header radiance = d::ReadRadianceHeader(bytes);
    if (radiance.valid() && std::int64_t{radiance.width} * radiance.height <= 1 << 16) {
        std::string problem;
        if (const auto img = d::DecodeRadiance(bytes, problem)) {
            if (img->pixels.size() != static_cast<std::size_t>(img->width) * static_cast<std::size_t>(img->height)) {
                std::abort();
            }
        }
    }

    // The probe: sniff, header and budget together, under each name.
    static constexpr std::array<std::string_view, 5> names = {"a.jpg", "a.dib", "a.pic", "a.rle", "a.tga"};
    const auto probe = framory::media::ProbeBytes(bytes, names[size % names.size()]);
    if (probe.ok() && (probe.natural.width <= 0 || probe.natural.height <= 0 ||
                       std::int64_t{probe.natural.width} * probe.natural.height > framory::media::kMaxPixels)) {
        std::abort();
    }
    return 0;
}
