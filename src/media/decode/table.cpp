// The formats the Linux build reads, each over the library made for it.
#include "media/decode/format.h"
#include "media/decode/magick.h"

namespace framory::media::detail {

namespace {

constexpr const Format* kTable[] = {
    &kJpegFormat,     &kPngFormat, &kGifFormat, &kBmpFormat,     &kTiffFormat, &kSoftimageFormat, &kRadianceFormat,
    &kWpgFormat,      &kWmfFormat, &kUtahRleFormat, &kPcxFormat, &kTgaFormat,  &kDibFormat,
};

} // namespace

std::span<const Format* const> Formats()
{
    return kTable;
}

void PrepareLibraries()
{
    PrepareMagick();
}

} // namespace framory::media::detail
