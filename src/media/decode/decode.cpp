#include "media/decode/decode.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include "media/decode/decoders.h"
#include "media/decode/headers.h"
#include "media/image/scale.h"

namespace framory::media {

using detail::Bytes;
using detail::Decoded;
using detail::Header;
using detail::Match;

namespace detail {

namespace {

// A QImage in any format, handed to the scaler strip by strip: a picture
// stored as 1 bit per pixel (a fax page) is never expanded whole.
class QImageRows {
public:
    explicit QImageRows(const QImage& image) : m_image(image) {}

    const std::uint32_t* row(int y)
    {
        const QImage::Format f = m_image.format();
        if (y < m_first || y >= m_first + m_strip.height()) {
            const int rows = std::min(kStripRows, m_image.height() - y);
            QImage view(m_image.constScanLine(y), m_image.width(), rows, m_image.bytesPerLine(), f);
            view.setColorTable(m_image.colorTable());
            m_strip = view.convertToFormat(QImage::Format_ARGB32);
            m_first = y;
        }
        return reinterpret_cast<const std::uint32_t*>(m_strip.constScanLine(y - m_first));
    }

private:
    static constexpr int kStripRows = 64;
    const QImage& m_image;
    QImage m_strip;
    int m_first = 0;
};

} // namespace

Decoded DecodeWithQt(Bytes bytes, const char* format, const Header& header, Size out)
{
    const QByteArray data =
        QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly)) {
        return Failed("cannot open the buffer");
    }
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(true);
    // Our budget is checked already; Qt's own limit is set just above it.
    reader.setAllocationLimit(static_cast<int>(kMaxPixels * 4 / (1024 * 1024)) + 16);
    const bool swapped = header.orientation >= 5;
    if (std::string_view(format) == "jpeg") {
        // libjpeg decodes at 1/2, 1/4 or 1/8 of the size almost for free:
        // take the smallest of those that still covers the target (in the
        // stored orientation), and let our scaler do the rest.
        const int need_w = swapped ? out.height : out.width;
        const int need_h = swapped ? out.width : out.height;
        for (int denom : {8, 4, 2}) {
            const int w = (header.width + denom - 1) / denom;
            const int h = (header.height + denom - 1) / denom;
            if (w >= need_w && h >= need_h) {
                reader.setScaledSize(QSize(w, h));
                break;
            }
        }
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        return Failed(reader.errorString().toStdString());
    }
    // The pixels are trusted over the header, but only within the budget.
    if (std::int64_t{image.width()} * image.height() > kMaxPixels) {
        return Failed("decoded picture exceeds the budget");
    }
    Decoded d;
    d.status = DecodeStatus::Ok;
    d.partial = !header.complete;
    if (image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32) {
        // Already our layout: scaled in place, on every core.
        d.image = ScalePixels(reinterpret_cast<const std::uint32_t*>(image.constBits()), image.width(),
                              image.height(), image.bytesPerLine() / 4, out.width, out.height);
    } else {
        QImageRows rows(image);
        d.image = ScaleRows(
            image.width(), image.height(), [&rows](int y, std::uint32_t*) { return rows.row(y); }, out.width,
            out.height);
    }
    return d;
}

} // namespace detail

namespace {

Decoded decode_radiance(Bytes bytes, const Header&, Size out)
{
    std::string problem;
    auto picture = detail::DecodeRadiance(bytes, problem);
    if (!picture) {
        return detail::Failed(problem);
    }
    Decoded d;
    d.status = DecodeStatus::Ok;
    d.partial = !picture->complete;
    d.image = ScalePixels(picture->pixels.data(), picture->width, picture->height, picture->width, out.width,
                          out.height);
    return d;
}

Decoded decode_dib(Bytes bytes, const Header& header, Size out)
{
    const auto bmp = detail::DibToBmp(bytes);
    if (!bmp) {
        return detail::Failed("device-independent bitmap header not understood");
    }
    const Bytes file(reinterpret_cast<const std::uint8_t*>(bmp->data()), bmp->size());
    return detail::DecodeWithQt(file, "bmp", header, out);
}

// One row of the decoder table.
struct Entry {
    std::string_view name;
    // File types (last three characters of the name) this content usually
    // comes under; used only to break a tie between equal matches.
    std::array<std::string_view, 3> types;
    Match (*sniff)(Bytes);
    Header (*read_header)(Bytes);
    Decoded (*decode)(Bytes, const Header&, Size);
};

// Order matters only among equal matches with no help from the name.
constexpr Entry kTable[] = {
    {"jpeg", {"JPG", "JIF", "KQP"}, detail::SniffJpeg, detail::ReadJpegHeader,
     [](Bytes b, const Header& h, Size o) {
         if (auto direct = detail::DecodeJpegDirect(b, h, o)) {
             return std::move(*direct);
         }
         return detail::DecodeWithQt(b, "jpeg", h, o);
     }},
    {"png", {"PNG"}, detail::SniffPng, detail::ReadPngHeader,
     [](Bytes b, const Header& h, Size o) { return detail::DecodeWithQt(b, "png", h, o); }},
    {"gif", {"GIF"}, detail::SniffGif, detail::ReadGifHeader,
     [](Bytes b, const Header& h, Size o) { return detail::DecodeWithQt(b, "gif", h, o); }},
    {"bmp", {"BMP", "DIB", "RLE"}, detail::SniffBmp, detail::ReadBmpHeader,
     [](Bytes b, const Header& h, Size o) { return detail::DecodeWithQt(b, "bmp", h, o); }},
    {"tiff", {"TIF"}, detail::SniffTiff, detail::ReadTiffHeader,
     [](Bytes b, const Header& h, Size o) { return detail::DecodeWithQt(b, "tiff", h, o); }},
    {"softimage-pic", {"PIC"}, detail::SniffSoftimage, detail::ReadSoftimageHeader, detail::DecodeWithStb},
    {"radiance-pic", {"PIC", "HDR"}, detail::SniffRadiance, detail::ReadRadianceHeader, decode_radiance},
    {"wpg", {"WPG"}, detail::SniffWpg, detail::ReadWpgHeader,
     [](Bytes b, const Header& h, Size o) { return detail::DecodeWithMagick(b, "WPG", h, o); }},
    {"wmf", {"WMF"}, detail::SniffWmf, detail::ReadWmfHeader, detail::DecodeWmf},
    {"utah-rle", {"RLE"}, detail::SniffUtahRle, detail::ReadUtahRleHeader,
     [](Bytes b, const Header& h, Size o) { return detail::DecodeWithMagick(b, "RLE", h, o); }},
    {"pcx", {"PCX"}, detail::SniffPcx, detail::ReadPcxHeader,
     [](Bytes b, const Header& h, Size o) { return detail::DecodeWithMagick(b, "PCX", h, o); }},
    {"tga", {"TGA"}, detail::SniffTga, detail::ReadTgaHeader, detail::DecodeWithStb},
    {"dib", {"DIB", "BMP", "RLE"}, detail::SniffDib, detail::ReadDibHeader, decode_dib},
};

std::string file_type(std::string_view name)
{
    // The last three characters, as the show's file lists compare them.
    std::string type(name.substr(name.size() >= 3 ? name.size() - 3 : 0));
    for (char& c : type) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return type;
}

const Entry* pick(Bytes bytes, std::string_view name_hint)
{
    const std::string type = file_type(name_hint);
    const Entry* best = nullptr;
    Match best_match = Match::None;
    bool best_named = false;
    for (const Entry& e : kTable) {
        const Match m = e.sniff(bytes);
        if (m == Match::None) {
            continue;
        }
        const bool named = std::find(e.types.begin(), e.types.end(), type) != e.types.end();
        if (!best || m > best_match || (m == best_match && named && !best_named)) {
            best = &e;
            best_match = m;
            best_named = named;
        }
    }
    return best;
}

Size upright(const Header& h)
{
    return h.orientation >= 5 ? Size{h.height, h.width} : Size{h.width, h.height};
}

bool over_budget(std::int64_t w, std::int64_t h)
{
    return w > kMaxSide || h > kMaxSide || w * h > kMaxPixels;
}

// Sniffs, reads the header and checks the budget: everything short of pixels.
DecodeResult probe(Bytes bytes, std::string_view name_hint, const Entry*& entry, Header& header)
{
    DecodeResult r;
    entry = pick(bytes, name_hint);
    if (!entry) {
        r.status = DecodeStatus::NotAPicture;
        r.message = bytes.empty() ? "the file is empty" : "no decoder recognises the content";
        return r;
    }
    r.decoder = std::string(entry->name);
    header = entry->read_header(bytes);
    if (!header.valid()) {
        r.status = DecodeStatus::Corrupt;
        r.message = header.problem;
        return r;
    }
    r.natural = upright(header);
    const int side = std::max({header.width, header.height, header.largest_side});
    if (side > kMaxSide || over_budget(header.width, header.height) || header.total_pixels > kMaxPixels) {
        r.status = DecodeStatus::TooLarge;
        r.message = "the header claims " + std::to_string(header.width) + "x" + std::to_string(header.height) +
                    ", more than the pixel budget";
        return r;
    }
    r.status = DecodeStatus::Ok;
    r.partial = !header.complete;
    return r;
}

// No picture within the budget needs a file this long (64 megapixels of
// uncompressed 32-bit pixels, with room for run-length overhead).
constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t{512} * 1024 * 1024;

struct FileBytes {
    std::vector<std::uint8_t> data;
    DecodeStatus status = DecodeStatus::Ok;
    std::string message;
};

FileBytes read_file(const std::string& path)
{
    FileBytes f;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || !std::filesystem::is_regular_file(path, ec)) {
        f.status = DecodeStatus::NotAPicture;
        f.message = "cannot read " + path;
        return f;
    }
    if (size > kMaxFileBytes) {
        f.status = DecodeStatus::TooLarge;
        f.message = "the file is larger than any picture within the budget";
        return f;
    }
    std::ifstream in(path, std::ios::binary);
    f.data.resize(static_cast<std::size_t>(size));
    if (!in || (size > 0 && !in.read(reinterpret_cast<char*>(f.data.data()), static_cast<std::streamsize>(size)))) {
        f.data.clear();
        f.status = DecodeStatus::NotAPicture;
        f.message = "cannot read " + path;
    }
    return f;
}

DecodeResult refused(FileBytes&& f)
{
    DecodeResult r;
    r.status = f.status;
    r.message = std::move(f.message);
    return r;
}

} // namespace

std::string_view StatusName(DecodeStatus status)
{
    switch (status) {
    case DecodeStatus::Ok:
        return "ok";
    case DecodeStatus::NotAPicture:
        return "not a picture";
    case DecodeStatus::TooLarge:
        return "too large";
    case DecodeStatus::Corrupt:
        return "corrupt";
    }
    return "unknown";
}

void PrepareDecoders()
{
    detail::PrepareLibraries();
}

std::string_view SniffDecoder(std::span<const std::uint8_t> bytes, std::string_view name_hint)
{
    const Entry* e = pick(bytes, name_hint);
    return e ? e->name : std::string_view();
}

DecodeResult ProbeBytes(std::span<const std::uint8_t> bytes, std::string_view name_hint)
{
    const Entry* entry = nullptr;
    Header header;
    return probe(bytes, name_hint, entry, header);
}

DecodeResult DecodeBytes(std::span<const std::uint8_t> bytes, std::string_view name_hint, Size target)
{
    const Entry* entry = nullptr;
    Header header;
    DecodeResult r = probe(bytes, name_hint, entry, header);
    if (!r.ok()) {
        return r;
    }
    const Size out = target.width > 0 && target.height > 0 ? target : r.natural;
    if (over_budget(out.width, out.height)) {
        r.status = DecodeStatus::TooLarge;
        r.message = "the target size is more than the pixel budget";
        return r;
    }
    detail::PrepareLibraries();
    Decoded d = entry->decode(bytes, header, out);
    r.status = d.status;
    r.message = std::move(d.message);
    r.partial = d.status == DecodeStatus::Ok && d.partial;
    if (d.status == DecodeStatus::Ok) {
        r.image = std::move(d.image);
    }
    return r;
}

DecodeResult DecodeFile(const std::string& path, Size target)
{
    FileBytes file = read_file(path);
    if (file.status != DecodeStatus::Ok) {
        return refused(std::move(file));
    }
    return DecodeBytes(file.data, path, target);
}

DecodeResult ProbeFile(const std::string& path)
{
    FileBytes file = read_file(path);
    if (file.status != DecodeStatus::Ok) {
        return refused(std::move(file));
    }
    return ProbeBytes(file.data, path);
}

} // namespace framory::media
