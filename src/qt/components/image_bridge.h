#pragma once

#include "core/components/fx_components.h"
#include "media/image/image.h"

#include <QImage>

namespace framory::qt {

// A QImage that reads the picture's pixels in place; it must not outlive
// the picture.
inline QImage WrapImage(const media::Image& image)
{
    return QImage(reinterpret_cast<const uchar*>(image.data()), image.width(), image.height(),
                  static_cast<qsizetype>(image.width()) * 4, QImage::Format_ARGB32);
}

// The same for a frame of the components, whose pixels are all opaque: as
// such, painting copies it without blending.
inline QImage WrapFrame(const media::Image& image)
{
    return QImage(reinterpret_cast<const uchar*>(image.data()), image.width(), image.height(),
                  static_cast<qsizetype>(image.width()) * 4, QImage::Format_RGB32);
}

// A QImage that reads a snapshot's pixels in place; it must not outlive the
// snapshot.
inline QImage WrapPixels(const core::PixelView& view)
{
    return QImage(reinterpret_cast<const uchar*>(view.pixels), view.width, view.height,
                  static_cast<qsizetype>(view.stride) * 4, QImage::Format_ARGB32);
}

// A copy of a QImage as a plain picture.
inline media::Image ToImage(const QImage& source)
{
    const QImage rgb = source.convertToFormat(QImage::Format_ARGB32);
    media::Image out(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
        std::copy(row, row + rgb.width(), out.row(y));
    }
    return out;
}

} // namespace framory::qt
