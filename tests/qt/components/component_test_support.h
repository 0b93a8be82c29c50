#pragma once

#include "media/image/image.h"
#include "support/run_events_until.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>

#include <cstdint>
#include <functional>
#include <string>

namespace framory::testing {

// A picture with four coloured quarters, so placement and orientation show.
inline QImage Quarters(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2;
            const bool bottom = y >= h / 2;
            image.setPixel(x, y, right ? (bottom ? 0xff0000ffu : 0xff00ff00u) : (bottom ? 0xffffff00u : 0xffff0000u));
        }
    }
    return image;
}

inline int ChannelDistance(std::uint32_t a, std::uint32_t b)
{
    const auto ch = [](std::uint32_t v, int s) { return static_cast<int>((v >> s) & 0xffu); };
    return std::max({std::abs(ch(a, 16) - ch(b, 16)), std::abs(ch(a, 8) - ch(b, 8)), std::abs(ch(a, 0) - ch(b, 0))});
}

} // namespace framory::testing
