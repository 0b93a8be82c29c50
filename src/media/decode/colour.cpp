#include "media/decode/colour.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include <lcms2.h>

namespace framory::media::detail {

namespace {

// lcms2 reports through a handler; the decode's result already says what
// went wrong, so its messages are dropped rather than printed.
void quiet(cmsContext, cmsUInt32Number, const char*) {}

void prepare()
{
    static std::once_flag once;
    std::call_once(once, [] { cmsSetLogErrorHandler(quiet); });
}

struct Profile {
    cmsHPROFILE handle = nullptr;
    explicit Profile(cmsHPROFILE h = nullptr) : handle(h) {}
    ~Profile()
    {
        if (handle) {
            cmsCloseProfile(handle);
        }
    }
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;
};

struct Transform {
    cmsHTRANSFORM handle = nullptr;
    explicit Transform(cmsHTRANSFORM h = nullptr) : handle(h) {}
    ~Transform()
    {
        if (handle) {
            cmsDeleteTransform(handle);
        }
    }
    Transform(const Transform&) = delete;
    Transform& operator=(const Transform&) = delete;
};

// A transform is made per picture and used from one thread: no cache.
constexpr cmsUInt32Number kFlags = cmsFLAGS_NOCACHE;

cmsHPROFILE open_icc(std::span<const std::uint8_t> icc)
{
    if (icc.empty() || icc.size() > 0x7fffffff) {
        return nullptr;
    }
    return cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size()));
}

// A profile from PNG's gAMA and cHRM chunks: the primaries the file gives
// (sRGB's when it gives none) and a pure power curve.
cmsHPROFILE profile_from_chunks(const ColourInfo& info)
{
    const std::array<double, 8> srgb = {0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
    const std::array<double, 8>& c = info.chromaticities ? *info.chromaticities : srgb;
    for (double v : c) {
        if (!(v > 0.0 && v < 1.0)) {
            return nullptr;
        }
    }
    const cmsCIExyY white = {c[0], c[1], 1.0};
    const cmsCIExyYTRIPLE primaries = {{c[2], c[3], 1.0}, {c[4], c[5], 1.0}, {c[6], c[7], 1.0}};
    cmsToneCurve* curve = nullptr;
    if (info.gamma > 0) {
        curve = cmsBuildGamma(nullptr, 1.0 / info.gamma);
    } else {
        // Primaries without a gamma: sRGB's own curve.
        const cmsFloat64Number params[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
        curve = cmsBuildParametricToneCurve(nullptr, 4, params);
    }
    if (!curve) {
        return nullptr;
    }
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE p = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return p;
}

bool near(double a, double b, double tolerance)
{
    return std::abs(a - b) <= tolerance;
}

// Gamma 2.2 (or none) with sRGB's primaries is what untagged pictures are
// taken to be anyway: no transform for it.
bool chunks_say_srgb(const ColourInfo& info)
{
    if (info.chromaticities) {
        const std::array<double, 8> srgb = {0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
        for (std::size_t i = 0; i < srgb.size(); ++i) {
            if (!near((*info.chromaticities)[i], srgb[i], 0.0015)) {
                return false;
            }
        }
    }
    return info.gamma == 0 || near(info.gamma, 1.0 / 2.2, 0.002);
}

void transform_in_place(cmsHTRANSFORM t, Image& image)
{
    for (int y = 0; y < image.height(); ++y) {
        cmsDoTransform(t, image.row(y), image.row(y), static_cast<cmsUInt32Number>(image.width()));
    }
}

// A grey profile maps one value to one colour: a table of 256 colours,
// looked up by each pixel's green (all three channels are equal in a grey
// picture; a pixel that is not grey keeps its colour).
void apply_grey(cmsHPROFILE grey, cmsHPROFILE out, Image& image)
{
    Transform t(cmsCreateTransform(grey, TYPE_GRAY_8, out, TYPE_BGRA_8, INTENT_PERCEPTUAL, kFlags));
    if (!t.handle) {
        return;
    }
    std::array<std::uint8_t, 256> levels{};
    for (std::size_t i = 0; i < levels.size(); ++i) {
        levels[i] = static_cast<std::uint8_t>(i);
    }
    std::array<std::uint32_t, 256> table{};
    table.fill(0xff000000u);
    cmsDoTransform(t.handle, levels.data(), table.data(), 256);
    for (std::size_t i = 0; i < image.pixel_count(); ++i) {
        std::uint32_t& p = image.data()[i];
        const std::uint32_t g = (p >> 8) & 0xff;
        if (((p >> 16) & 0xff) == g && (p & 0xff) == g) {
            p = (p & 0xff000000u) | (table[g] & 0x00ffffffu);
        }
    }
}

} // namespace

struct ColourTarget::Handles {
    Profile display;
    Profile srgb;
};

ColourTarget::ColourTarget(std::span<const std::uint8_t> display_icc) : m_handles(std::make_unique<Handles>())
{
    prepare();
    if (cmsHPROFILE p = open_icc(display_icc)) {
        // Only an RGB output profile can take our pixels.
        if (cmsGetColorSpace(p) == cmsSigRgbData &&
            (cmsGetDeviceClass(p) == cmsSigDisplayClass || cmsGetDeviceClass(p) == cmsSigColorSpaceClass ||
             cmsGetDeviceClass(p) == cmsSigOutputClass)) {
            m_handles->display.handle = p;
        } else {
            cmsCloseProfile(p);
        }
    }
    m_handles->srgb.handle = cmsCreate_sRGBProfile();
}

ColourTarget::~ColourTarget() = default;

bool ColourTarget::is_srgb() const
{
    return m_handles->display.handle == nullptr;
}

void* ColourTarget::profile() const
{
    return m_handles->display.handle ? m_handles->display.handle : m_handles->srgb.handle;
}

void ApplyColour(const ColourInfo& info, const ColourTarget& target, Image& image)
{
    if (info.converted || image.empty()) {
        return;
    }
    Profile source;
    if (!info.icc.empty()) {
        source.handle = open_icc(info.icc);
    } else if (!info.srgb && (info.gamma > 0 || info.chromaticities) && !chunks_say_srgb(info)) {
        source.handle = profile_from_chunks(info);
    }
    if (source.handle) {
        const cmsColorSpaceSignature space = cmsGetColorSpace(source.handle);
        if (space == cmsSigGrayData) {
            apply_grey(source.handle, target.profile(), image);
            return;
        }
        if (space != cmsSigRgbData) {
            // A profile that does not describe RGB pixels (a CMYK profile
            // left in an RGB file) says nothing usable: taken as sRGB.
            cmsCloseProfile(source.handle);
            source.handle = nullptr;
        }
    }
    if (!source.handle) {
        if (target.is_srgb()) {
            return;
        }
        source.handle = cmsCreate_sRGBProfile();
    }
    Transform t(cmsCreateTransform(source.handle, TYPE_BGRA_8, target.profile(), TYPE_BGRA_8, INTENT_PERCEPTUAL,
                                   kFlags | cmsFLAGS_COPY_ALPHA));
    if (t.handle) {
        transform_in_place(t.handle, image);
    }
}

CmykConverter::CmykConverter(std::span<const std::uint8_t> icc, bool inverted, const ColourTarget& target)
    : m_inverted(inverted)
{
    prepare();
    Profile source(open_icc(icc));
    if (source.handle && cmsGetColorSpace(source.handle) == cmsSigCmykData) {
        m_transform = cmsCreateTransform(source.handle, inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8, target.profile(),
                                         TYPE_BGRA_8, INTENT_PERCEPTUAL, kFlags);
    } else if (!target.is_srgb()) {
        // No profile: the plain formula gives sRGB, converted from there.
        Profile srgb(cmsCreate_sRGBProfile());
        m_transform = cmsCreateTransform(srgb.handle, TYPE_BGRA_8, target.profile(), TYPE_BGRA_8, INTENT_PERCEPTUAL,
                                         kFlags | cmsFLAGS_COPY_ALPHA);
        m_plain_then_transform = true;
    }
}

CmykConverter::~CmykConverter()
{
    if (m_transform) {
        cmsDeleteTransform(m_transform);
    }
}

void CmykConverter::convert(const std::uint8_t* cmyk, std::uint32_t* out, std::size_t count) const
{
    std::fill(out, out + count, 0xff000000u);
    if (m_transform && !m_plain_then_transform) {
        cmsDoTransform(m_transform, cmyk, out, static_cast<cmsUInt32Number>(count));
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = cmyk + i * 4;
        // The share of light each ink lets through, times that of black.
        const std::uint32_t c = m_inverted ? p[0] : 255u - p[0];
        const std::uint32_t m = m_inverted ? p[1] : 255u - p[1];
        const std::uint32_t y = m_inverted ? p[2] : 255u - p[2];
        const std::uint32_t k = m_inverted ? p[3] : 255u - p[3];
        out[i] = 0xff000000u | (((c * k + 127) / 255) << 16) | (((m * k + 127) / 255) << 8) | ((y * k + 127) / 255);
    }
    if (m_transform) {
        cmsDoTransform(m_transform, out, out, static_cast<cmsUInt32Number>(count));
    }
}

LabConverter::LabConverter(const ColourTarget& target)
{
    prepare();
    Profile lab(cmsCreateLab4Profile(nullptr));
    m_transform =
        cmsCreateTransform(lab.handle, TYPE_Lab_DBL, target.profile(), TYPE_BGRA_8, INTENT_PERCEPTUAL, kFlags);
}

LabConverter::~LabConverter()
{
    if (m_transform) {
        cmsDeleteTransform(m_transform);
    }
}

void LabConverter::convert(const double* lab, std::uint32_t* out, std::size_t count) const
{
    std::fill(out, out + count, 0xff000000u);
    if (m_transform) {
        cmsDoTransform(m_transform, lab, out, static_cast<cmsUInt32Number>(count));
    }
}

} // namespace framory::media::detail
