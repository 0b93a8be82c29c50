#pragma once

// Colour management through lcms2: pictures end in sRGB, or in the
// display's own profile when the caller passes one. The lcms2 types stay in
// colour.cpp.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "media/image/image.h"

namespace framory::media::detail {

// What a file says about its colours, in order of precedence: an embedded
// profile, PNG's sRGB chunk, PNG's gamma and chromaticities. A file that
// says nothing is taken as sRGB.
struct ColourInfo {
    std::vector<std::uint8_t> icc;
    bool srgb = false;
    double gamma = 0; // the file's encoding exponent (0.45455 for 2.2), 0 when absent
    // White, red, green and blue as x, y pairs.
    std::optional<std::array<double, 8>> chromaticities;
    // The decoder converted the pixels itself (CMYK, CIE Lab).
    bool converted = false;
};

// Where pixels go: the display's profile, or sRGB when there is none or it
// cannot be read. One per decode; not shared between threads.
class ColourTarget {
public:
    explicit ColourTarget(std::span<const std::uint8_t> display_icc = {});
    ~ColourTarget();
    ColourTarget(const ColourTarget&) = delete;
    ColourTarget& operator=(const ColourTarget&) = delete;

    bool is_srgb() const;
    void* profile() const; // the lcms2 profile handle

private:
    struct Handles;
    std::unique_ptr<Handles> m_handles;
};

// Converts straight 0xAARRGGBB pixels in place from what `info` says to
// the target, alpha untouched. Nothing happens when both are sRGB or the
// decoder converted already. A profile that cannot be used leaves the
// pixels as they are (taken as sRGB).
void ApplyColour(const ColourInfo& info, const ColourTarget& target, Image& image);

// Rows of CMYK samples (four bytes a pixel) to opaque 0xAARRGGBB in the
// target's space: through the embedded profile when there is one, else by
// the plain ink formula. `inverted`: 255 means no ink (Adobe's JPEGs).
class CmykConverter {
public:
    CmykConverter(std::span<const std::uint8_t> icc, bool inverted, const ColourTarget& target);
    ~CmykConverter();
    CmykConverter(const CmykConverter&) = delete;
    CmykConverter& operator=(const CmykConverter&) = delete;
    void convert(const std::uint8_t* cmyk, std::uint32_t* out, std::size_t count) const;

private:
    void* m_transform = nullptr;
    bool m_inverted;
    bool m_plain_then_transform = false;
};

// Rows of CIE L*a*b* (D50) values, L 0..100 and a, b about -128..127, to
// opaque 0xAARRGGBB in the target's space.
class LabConverter {
public:
    explicit LabConverter(const ColourTarget& target);
    ~LabConverter();
    LabConverter(const LabConverter&) = delete;
    LabConverter& operator=(const LabConverter&) = delete;
    // `lab` holds three doubles a pixel.
    void convert(const double* lab, std::uint32_t* out, std::size_t count) const;

private:
    void* m_transform = nullptr;
};

} // namespace framory::media::detail
