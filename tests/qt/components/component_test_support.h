#pragma once

#include "media/worker/worker_client.h"
#include "support/run_events_until.h"

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>

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

// One-pixel columns of two colours, `even` first.
inline QImage Stripes(int w, int h, std::uint32_t even, std::uint32_t odd)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y) {
            image.setPixel(x, y, x % 2 == 0 ? even : odd);
        }
    }
    return image;
}

// The decoding helper with faults on demand (tests/media/worker): it hangs
// on files named hang.*, crashes on crash.*.
inline std::unique_ptr<media::WorkerDecodeService> HookedWorker(std::chrono::milliseconds time_limit)
{
    media::WorkerOptions options;
    options.program = FRAMORY_HOOKED_WORKER;
    options.time_limit = time_limit;
    options.report = [](std::string_view) {};
    return std::make_unique<media::WorkerDecodeService>(options);
}

inline int ChannelDistance(std::uint32_t a, std::uint32_t b)
{
    const auto ch = [](std::uint32_t v, int s) { return static_cast<int>((v >> s) & 0xffu); };
    return std::max({std::abs(ch(a, 16) - ch(b, 16)), std::abs(ch(a, 8) - ch(b, 8)), std::abs(ch(a, 0) - ch(b, 0))});
}

} // namespace framory::testing
