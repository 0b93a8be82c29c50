// This folder: the Windows front end's dialogs: the hub, options, folder
// editor, change password and about box.

#include "win32/forms/artwork.h"

#include "media/effects/gradient.h"
#include "media/image/frame.h"
#include "win32/show/fx_components.h"

#include <algorithm>
#include <array>

namespace framory::win32 {

namespace {

// Fills a rectangle, clipped to the picture.
void paint_rect(media::Image& image, int left, int top, int width, int height, std::uint32_t colour)
{
    const int right = std::min(image.width(), left + width);
    const int bottom = std::min(image.height(), top + height);
    for (int y = std::max(0, top); y < bottom; ++y) {
        std::fill(image.row(y) + std::max(0, left), image.row(y) + std::max(0, right), colour);
    }
}

// Copies `part` into `image` with its top left corner at (left, top).
void paste(media::Image& image, const media::Image& part, int left, int top)
{
    for (int y = 0; y < part.height(); ++y) {
        const int row = top + y;
        if (row < 0 || row >= image.height()) {
            continue;
        }
        for (int x = 0; x < part.width(); ++x) {
            if (left + x >= 0 && left + x < image.width()) {
                image.at(left + x, row) = part.at(x, y);
            }
        }
    }
}

HFONT artwork_font(int pixels)
{
    return CreateFontA(-std::max(6, pixels), 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_ROMAN, "Times New Roman");
}

} // namespace

media::Image ProductArtwork(int width, int height)
{
    media::Image art(std::max(1, width), std::max(1, height));
    media::RenderGradient(3, media::Argb(70, 50, 130), art, 230);

    // Five snapshots across the middle, alternately higher and lower, each
    // a gradient style of the show in a colour of its own, framed the way
    // the show frames its pictures.
    struct Snapshot {
        int style;
        std::uint32_t colour;
    };
    const std::array<Snapshot, 5> snapshots{{{13, media::Argb(250, 180, 70)},
                                             {4, media::Argb(90, 170, 240)},
                                             {17, media::Argb(240, 110, 150)},
                                             {9, media::Argb(120, 210, 120)},
                                             {19, media::Argb(250, 220, 110)}}};
    media::FrameSpec frame;
    frame.first = {media::Argb(128, 128, 128), media::Argb(255, 255, 255), media::kFrameSunken,
                   std::max(1, width / 160)};
    frame.line_colour = media::Argb(0, 0, 128);
    frame.line_size = 1;
    const int step = art.width() / 6;
    const int tile_w = step * 5 / 4;
    const int tile_h = art.height() * 3 / 10;
    for (int i = 0; i < static_cast<int>(snapshots.size()); ++i) {
        media::Image tile(std::max(1, tile_w), std::max(1, tile_h));
        media::RenderGradient(snapshots[static_cast<std::size_t>(i)].style,
                              snapshots[static_cast<std::size_t>(i)].colour, tile, 180);
        // A hill along the bottom of each snapshot.
        paint_rect(tile, 0, tile.height() * 3 / 4, tile.width(), tile.height(), media::Argb(40, 90, 60));
        media::DrawFrame(frame, tile);
        const int left = step / 3 + i * step - tile_w / 8;
        const int top = art.height() * (i % 2 == 0 ? 30 : 42) / 100;
        paste(art, tile, left, top);
    }

    // The name across the top and the maker's address along the bottom,
    // each written on its own band of the sky.
    const auto write = [&art](const char* text, int top, int band, int pixels) {
        media::Image strip(art.width(), band);
        for (int y = 0; y < band; ++y) {
            std::copy(art.row(top + y), art.row(top + y) + art.width(), strip.row(y));
        }
        HFONT font = artwork_font(pixels);
        DrawCaption(strip, text, font);
        DeleteObject(font);
        paste(art, strip, 0, top);
    };
    const int title = std::max(8, art.height() / 5);
    write("Framory", art.height() / 40, title, title * 4 / 5);
    const int footer = std::max(7, art.height() / 9);
    write("www.obelin.example", art.height() - footer - art.height() / 40, footer, footer * 3 / 5);
    return art;
}

media::Image HubIconImage(HubIcon icon, std::uint32_t background)
{
    media::Image image(32, 32, background);
    const std::uint32_t ink = media::Argb(40, 40, 60);
    switch (icon) {
    case HubIcon::Folders:
        // A folder holding a picture.
        paint_rect(image, 3, 7, 12, 5, media::Argb(200, 150, 40));
        paint_rect(image, 2, 10, 28, 19, ink);
        paint_rect(image, 3, 11, 26, 17, media::Argb(250, 205, 80));
        paint_rect(image, 9, 14, 14, 11, media::Argb(255, 255, 255));
        paint_rect(image, 10, 15, 12, 5, media::Argb(110, 170, 240));
        paint_rect(image, 10, 20, 12, 4, media::Argb(60, 140, 70));
        break;
    case HubIcon::Options:
        // Three sliders with their thumbs at different places.
        for (int i = 0; i < 3; ++i) {
            const int y = 6 + i * 9;
            paint_rect(image, 3, y + 2, 26, 3, ink);
            const int thumb = 6 + ((i * 11 + 5) % 19);
            paint_rect(image, thumb - 1, y - 1, 6, 9, ink);
            paint_rect(image, thumb, y, 4, 7, media::Argb(230, 120, 60));
        }
        break;
    case HubIcon::Preview: {
        // A screen showing a picture, on its stand.
        paint_rect(image, 2, 3, 28, 21, ink);
        media::Image screen(24, 17);
        media::RenderGradient(13, media::Argb(250, 180, 90), screen, 200);
        paste(image, screen, 4, 5);
        paint_rect(image, 13, 24, 6, 3, ink);
        paint_rect(image, 8, 27, 16, 3, ink);
        break;
    }
    }
    return image;
}

} // namespace framory::win32
