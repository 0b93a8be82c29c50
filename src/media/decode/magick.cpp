#include "media/decode/magick.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <Magick++.h>

#include "media/image/scale.h"

namespace framory::media::detail {

namespace {

// GraphicsMagick reports through exceptions we catch; these handlers keep
// its own direct reports (warnings, errors outside a reader) off the
// terminal.
void quiet_handler(const MagickLib::ExceptionType, const char*, const char*) {}

// An error the library cannot go on from ends the process (the library
// would end it anyway), with our own one-line report instead of its own.
__attribute__((noreturn)) void fatal_handler(const MagickLib::ExceptionType, const char* reason, const char* description)
{
    std::fprintf(stderr, "framory: picture library stopped: %s%s%s\n", reason ? reason : "",
                 description ? ": " : "", description ? description : "");
    std::_Exit(70);
}

// Pictures are read from memory and never need an outside program, a
// download or a temporary file: every such request is refused (a WPG that
// embeds PostScript would otherwise start Ghostscript).
MagickPassFail confirm_access(const MagickLib::ConfirmAccessMode mode, const char*,
                                         MagickLib::ExceptionInfo*)
{
    return mode == MagickLib::FileReadConfirmAccessMode ? MagickPass : MagickFail;
}

// The deadline is in the thread's own processor time: a busy machine slows
// a drawing down without making it give up.
std::chrono::nanoseconds thread_time()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

thread_local std::chrono::nanoseconds t_deadline = std::chrono::nanoseconds::max();
thread_local bool t_deadline_passed = false;

MagickPassFail monitor(const char*, const MagickLib::magick_int64_t, const MagickLib::magick_uint64_t,
                                  MagickLib::ExceptionInfo*)
{
    if (thread_time() > t_deadline) {
        t_deadline_passed = true;
        return MagickFail;
    }
    return MagickPass;
}

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

std::mutex& streams_mutex()
{
    static std::mutex m;
    return m;
}

} // namespace

void PrepareMagick()
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
        MagickLib::SetFatalErrorHandler(fatal_handler);
        MagickLib::MagickSetConfirmAccessHandler(confirm_access);
        MagickLib::SetMonitorHandler(monitor);
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
    });
}

MagickDeadline::MagickDeadline(std::chrono::milliseconds limit)
{
    t_deadline = thread_time() + limit;
    t_deadline_passed = false;
}

MagickDeadline::~MagickDeadline()
{
    t_deadline = std::chrono::nanoseconds::max();
}

bool MagickDeadline::passed() const
{
    return t_deadline_passed || thread_time() > t_deadline;
}

SilenceStandardStreams::SilenceStandardStreams() : m_lock(streams_mutex())
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

SilenceStandardStreams::~SilenceStandardStreams()
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

Decoded FromMagick(Magick::Image& img, const Header& header, Size out)
{
    const auto w = static_cast<int>(img.columns());
    const auto h = static_cast<int>(img.rows());
    if (w <= 0 || h <= 0) {
        return Failed("no picture in the file");
    }
    if (std::int64_t{w} * h > kMaxPixels || w > kMaxSide || h > kMaxSide) {
        return Failed("the picture is larger than the budget", DecodeStatus::TooLarge);
    }
    // BGRA bytes in memory are 0xAARRGGBB words on a little-endian machine.
    Image pixels(w, h);
    const bool alpha = img.matte();
    img.write(0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), alpha ? "BGRA" : "BGRP", Magick::CharPixel,
              pixels.data());
    if (!alpha) {
        for (std::size_t i = 0; i < pixels.pixel_count(); ++i) {
            pixels.data()[i] |= 0xff000000u;
        }
    }
    return Succeeded(FitStored(std::move(pixels), 1, out), !header.complete);
}

} // namespace framory::media::detail
