#pragma once

// GraphicsMagick, which plays metafiles: its one-time set-up and the
// pieces the metafile reader uses.

#include <chrono>
#include <mutex>

#include "media/decode/format.h"

namespace Magick {
class Image;
}

namespace framory::media::detail {

// Limits, font map, quiet handlers, no outside programs; once per process.
void PrepareMagick();

// A picture GraphicsMagick read, as our pixels scaled to `out`.
Decoded FromMagick(Magick::Image& image, const Header& header, Size out);

// While one lives on a thread, GraphicsMagick's work on that thread gives
// up once it has spent `limit` of processor time (its progress reports are
// refused), so a picture that takes too long to draw is bounded.
class MagickDeadline {
public:
    explicit MagickDeadline(std::chrono::milliseconds limit);
    ~MagickDeadline();
    MagickDeadline(const MagickDeadline&) = delete;
    MagickDeadline& operator=(const MagickDeadline&) = delete;
    bool passed() const;
};

// The metafile player inside GraphicsMagick (libwmf) writes its complaints
// about broken records straight to the standard streams, past every handler
// the library offers. While one of these lives, both streams point at
// /dev/null. This is process-wide: a line another thread writes in those
// milliseconds is lost too, which a screen saver with no terminal can afford.
class SilenceStandardStreams {
public:
    SilenceStandardStreams();
    ~SilenceStandardStreams();
    SilenceStandardStreams(const SilenceStandardStreams&) = delete;
    SilenceStandardStreams& operator=(const SilenceStandardStreams&) = delete;

private:
    std::unique_lock<std::mutex> m_lock;
    int m_out = -1;
    int m_err = -1;
};

} // namespace framory::media::detail
