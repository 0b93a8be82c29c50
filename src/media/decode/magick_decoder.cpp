#include "media/decode/decoders.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <Magick++.h>
#include <tiffio.h>

#include "media/image/scale.h"

namespace framory::media::detail {

namespace {

// GraphicsMagick reports through exceptions we catch; these handlers keep
// its own direct reports (warnings, errors outside a reader) off the
// terminal.
void quiet_handler(const MagickLib::ExceptionType, const char*, const char*) {}

// The PostScript font names a metafile asks for, and the URW fonts that
// stand for them, as the fonts are named in Debian's packages.
struct FontName {
    const char* name;
    const char* family;
    const char* weight;
    const char* style;
    const char* file;
};
constexpr FontName kFonts[] = {
    {"Times-Roman", "Times", "400", "normal", "NimbusRoman-Regular"},
    {"Times-Bold", "Times", "700", "normal", "NimbusRoman-Bold"},
    {"Times-Italic", "Times", "400", "italic", "NimbusRoman-Italic"},
    {"Times-BoldItalic", "Times", "700", "italic", "NimbusRoman-BoldItalic"},
    {"Helvetica", "Helvetica", "400", "normal", "NimbusSans-Regular"},
    {"Helvetica-Bold", "Helvetica", "700", "normal", "NimbusSans-Bold"},
    {"Helvetica-Oblique", "Helvetica", "400", "oblique", "NimbusSans-Italic"},
    {"Helvetica-BoldOblique", "Helvetica", "700", "oblique", "NimbusSans-BoldItalic"},
    {"Courier", "Courier", "400", "normal", "NimbusMonoPS-Regular"},
    {"Courier-Bold", "Courier", "700", "normal", "NimbusMonoPS-Bold"},
    {"Courier-Oblique", "Courier", "400", "oblique", "NimbusMonoPS-Italic"},
    {"Courier-BoldOblique", "Courier", "700", "oblique", "NimbusMonoPS-BoldItalic"},
    {"Symbol", "Symbol", "400", "normal", "StandardSymbolsPS"},
};

// GraphicsMagick's own font map names files of an older font package that
// is no longer installed, so text in a metafile would find no glyphs. We
// write a map of the fonts that exist and point its configuration path at
// it, once, before the library starts.
void point_font_map_at_installed_fonts()
{
    const char* dirs[] = {"/usr/share/fonts/X11/Type1", "/usr/share/fonts/type1/urw-base35",
                          "/usr/share/fonts/type1/gsfonts"};
    std::string entries;
    for (const FontName& font : kFonts) {
        for (const char* dir : dirs) {
            std::error_code ec;
            std::string found;
            for (const char* ext : {".pfb", ".t1"}) {
                const std::filesystem::path path = std::filesystem::path(dir) / (std::string(font.file) + ext);
                if (std::filesystem::exists(path, ec)) {
                    found = path.string();
                    break;
                }
            }
            if (!found.empty()) {
                entries += "  <type name=\"" + std::string(font.name) + "\" fullname=\"" + font.name +
                           "\" family=\"" + font.family + "\" weight=\"" + font.weight + "\" style=\"" +
                           font.style + "\" stretch=\"normal\" format=\"type1\" glyphs=\"" + found + "\" />\n";
                break;
            }
        }
    }
    if (entries.empty()) {
        return;
    }
    std::error_code ec;
    const auto dir = std::filesystem::temp_directory_path(ec) / ("framory-magick-" + std::to_string(getuid()));
    if (ec) {
        return;
    }
    std::filesystem::create_directories(dir, ec);
    const auto file = dir / "type.mgk";
    const auto temp = dir / ("type.mgk." + std::to_string(getpid()));
    {
        std::ofstream out(temp, std::ios::trunc);
        out << "<?xml version=\"1.0\"?>\n<typemap>\n" << entries << "</typemap>\n";
        if (!out) {
            return;
        }
    }
    std::filesystem::rename(temp, file, ec);
    if (ec) {
        return;
    }
    std::string path = dir.string();
    if (const char* old = std::getenv("MAGICK_CONFIGURE_PATH"); old && *old) {
        path += ":";
        path += old;
    }
    setenv("MAGICK_CONFIGURE_PATH", path.c_str(), 1);
}

// The metafile player inside GraphicsMagick (libwmf) writes its complaints
// about broken records straight to the standard streams, past every handler
// the library offers. While it plays, both streams point at /dev/null. This
// is process-wide: a line another thread writes in those milliseconds is
// lost too, which a screen saver with no terminal can afford.
class SilenceStandardStreams {
public:
    SilenceStandardStreams() : m_lock(mutex())
    {
        std::fflush(stdout);
        std::fflush(stderr);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null < 0) {
            return;
        }
        m_out = dup(1);
        m_err = dup(2);
        if (m_out >= 0 && m_err >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
        close(null);
    }
    ~SilenceStandardStreams()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        if (m_out >= 0 && m_err >= 0) {
            dup2(m_out, 1);
            dup2(m_err, 2);
        }
        if (m_out >= 0) {
            close(m_out);
        }
        if (m_err >= 0) {
            close(m_err);
        }
    }
    SilenceStandardStreams(const SilenceStandardStreams&) = delete;
    SilenceStandardStreams& operator=(const SilenceStandardStreams&) = delete;

private:
    static std::mutex& mutex()
    {
        static std::mutex m;
        return m;
    }
    std::lock_guard<std::mutex> m_lock;
    int m_out = -1;
    int m_err = -1;
};

Decoded to_decoded(Magick::Image& img, const Header& header, Size out)
{
    const auto w = static_cast<int>(img.columns());
    const auto h = static_cast<int>(img.rows());
    if (w <= 0 || h <= 0) {
        return Failed("no picture in the file");
    }
    if (std::int64_t{w} * h > kMaxPixels || w > kMaxSide || h > kMaxSide) {
        Decoded d = Failed("the picture is larger than the budget");
        d.status = DecodeStatus::TooLarge;
        return d;
    }
    // BGRA bytes in memory are 0xAARRGGBB words on a little-endian machine.
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    const bool alpha = img.matte();
    img.write(0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), alpha ? "BGRA" : "BGRP",
              Magick::CharPixel, pixels.data());
    if (!alpha) {
        for (std::uint32_t& p : pixels) {
            p |= 0xff000000u;
        }
    }
    Decoded d;
    d.status = DecodeStatus::Ok;
    d.partial = !header.complete;
    d.image = ScalePixels(pixels.data(), w, h, w, out.width, out.height);
    return d;
}

Magick::Blob to_blob(Bytes bytes)
{
    return Magick::Blob(bytes.data(), bytes.size());
}

} // namespace

void PrepareLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        point_font_map_at_installed_fonts();
        // The library's own signal handlers would print and end the program
        // on a SIGTERM (the desktop stopping its saver); the program's
        // default ending is the right one, so none are installed.
        MagickLib::ExceptionInfo init_exception;
        MagickLib::GetExceptionInfo(&init_exception);
        MagickLib::InitializeMagickEx(nullptr, MAGICK_OPT_NO_SIGNAL_HANDER, &init_exception);
        MagickLib::DestroyExceptionInfo(&init_exception);
        MagickLib::SetErrorHandler(quiet_handler);
        MagickLib::SetWarningHandler(quiet_handler);
        // The budget again, inside the library: no picture larger than we
        // hold, pixel caches in memory only (never on disk), one thread as
        // decoding already runs off the window's thread.
        MagickLib::SetMagickResourceLimit(MagickLib::WidthResource, kMaxSide);
        MagickLib::SetMagickResourceLimit(MagickLib::HeightResource, kMaxSide);
        MagickLib::SetMagickResourceLimit(MagickLib::PixelsResource, kMaxPixels);
        MagickLib::SetMagickResourceLimit(MagickLib::MemoryResource, kMaxPixels * 8 + (64 << 20));
        MagickLib::SetMagickResourceLimit(MagickLib::MapResource, 0);
        MagickLib::SetMagickResourceLimit(MagickLib::DiskResource, 0);
        MagickLib::SetMagickResourceLimit(MagickLib::ThreadsResource, 1);
        // libtiff (read through Qt) reports damaged strips on the terminal
        // by default; the reader's result already says what went wrong.
        TIFFSetWarningHandler(nullptr);
        TIFFSetErrorHandler(nullptr);
    });
}

Decoded DecodeWithMagick(Bytes bytes, const char* magick, const Header& header, Size out)
{
    PrepareLibraries();
    try {
        Magick::Image img;
        img.quiet(true);
        img.subImage(0);
        img.subRange(1);
        img.magick(magick);
        img.read(to_blob(bytes));
        return to_decoded(img, header, out);
    } catch (const Magick::Exception& e) {
        return Failed(e.what());
    } catch (const std::exception& e) {
        return Failed(e.what());
    }
}

Decoded DecodeWmf(Bytes bytes, const Header& header, Size out)
{
    PrepareLibraries();
    const auto frame = ReadWmfFrame(bytes);
    if (!frame) {
        return Failed("metafile header cut short");
    }
    // A metafile cut short is played up to its last whole record: we end it
    // there with an end-of-file record, so the player draws what is there
    // instead of refusing the file.
    std::string patched;
    if (!header.complete) {
        patched.assign(reinterpret_cast<const char*>(bytes.data()), frame->records_end);
        patched.append("\x03\x00\x00\x00\x00\x00", 6);
        const std::size_t start = frame->placeable ? 22 : 0;
        const std::size_t words = (patched.size() - start) / 2;
        for (int i = 0; i < 4; ++i) {
            patched[start + 6 + static_cast<std::size_t>(i)] = static_cast<char>((words >> (8 * i)) & 0xff);
        }
        bytes = Bytes(reinterpret_cast<const std::uint8_t*>(patched.data()), patched.size());
    }
    const SilenceStandardStreams quiet;
    try {
        // The player's own size at 72 dots per inch tells which density
        // renders it at the size it will be shown, so vector art stays sharp.
        Magick::Image probe;
        probe.quiet(true);
        probe.magick("WMF");
        probe.density(Magick::Geometry(72, 72));
        probe.ping(to_blob(bytes));
        const double base_w = static_cast<double>(probe.columns());
        const double base_h = static_cast<double>(probe.rows());
        if (base_w <= 0 || base_h <= 0) {
            return Failed("metafile has no size");
        }
        const double dx = std::clamp(72.0 * out.width / base_w, 1.0, 72.0 * kMaxSide / base_w);
        const double dy = std::clamp(72.0 * out.height / base_h, 1.0, 72.0 * kMaxSide / base_h);
        Magick::Image img;
        img.quiet(true);
        img.magick("WMF");
        img.density(Magick::Geometry(static_cast<unsigned>(std::lround(dx)), static_cast<unsigned>(std::lround(dy))));
        img.read(to_blob(bytes));
        return to_decoded(img, header, out);
    } catch (const Magick::Exception& e) {
        return Failed(e.what());
    } catch (const std::exception& e) {
        return Failed(e.what());
    }
}

} // namespace framory::media::detail
