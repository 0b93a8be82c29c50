#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace framory::media {

// A plain 32-bit picture: rows top to bottom, no padding, each pixel a
// 0xAARRGGBB value. The layout matches QImage::Format_ARGB32 (and RGB32 when
// alpha is 0xff) on a little-endian machine, so the front end wraps it
// without copying.
class Image {
public:
    Image() = default;
    Image(int width, int height, std::uint32_t fill = 0xff000000u)
        : m_width(width > 0 ? width : 0), m_height(height > 0 ? height : 0),
          m_pixels(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), fill)
    {
    }

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool empty() const { return m_pixels.empty(); }

    std::uint32_t* row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width); }
    const std::uint32_t* row(int y) const
    {
        return m_pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width);
    }
    std::uint32_t& at(int x, int y) { return row(y)[x]; }
    std::uint32_t at(int x, int y) const { return row(y)[x]; }

    std::uint32_t* data() { return m_pixels.data(); }
    const std::uint32_t* data() const { return m_pixels.data(); }
    std::size_t pixel_count() const { return m_pixels.size(); }

    bool operator==(const Image&) const = default;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_pixels;
};

constexpr std::uint32_t Argb(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 0xff)
{
    return (std::uint32_t{a} << 24) | (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | std::uint32_t{b};
}

} // namespace framory::media
