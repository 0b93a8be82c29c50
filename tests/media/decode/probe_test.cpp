// What the header readers learn before any pixel is decoded: the upright
// size, whether the data is all there, and the budget, for headers built
// byte by byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/decode/decode.h"

namespace framory::media {
namespace {

using ByteVec = std::vector<std::uint8_t>;

void Put16le(ByteVec& v, std::uint32_t x)
{
    v.push_back(static_cast<std::uint8_t>(x & 0xff));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}

void Put16be(ByteVec& v, std::uint32_t x)
{
    v.push_back(static_cast<std::uint8_t>(x >> 8));
    v.push_back(static_cast<std::uint8_t>(x & 0xff));
}

void Put32le(ByteVec& v, std::uint32_t x)
{
    Put16le(v, x & 0xffff);
    Put16le(v, x >> 16);
}

void PutText(ByteVec& v, const std::string& s)
{
    v.insert(v.end(), s.begin(), s.end());
}

ByteVec Cut(ByteVec v, std::size_t bytes)
{
    v.resize(v.size() - bytes);
    return v;
}

// SOI, an EXIF block with the given orientation, a baseline frame header, EOI.
ByteVec Jpeg(int width, int height, int orientation, bool with_end = true)
{
    ByteVec tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
    Put16le(tiff, 1);      // one entry
    Put16le(tiff, 0x0112); // Orientation
    Put16le(tiff, 3);      // SHORT
    Put32le(tiff, 1);      // count
    Put16le(tiff, static_cast<std::uint32_t>(orientation));
    Put16le(tiff, 0);
    Put32le(tiff, 0); // no next directory
    ByteVec j = {0xff, 0xd8, 0xff, 0xe1};
    Put16be(j, static_cast<std::uint32_t>(2 + 6 + tiff.size()));
    j.insert(j.end(), {'E', 'x', 'i', 'f', 0, 0});
    j.insert(j.end(), tiff.begin(), tiff.end());
    j.insert(j.end(), {0xff, 0xc0});
    Put16be(j, 11);
    j.push_back(8);
    Put16be(j, static_cast<std::uint32_t>(height));
    Put16be(j, static_cast<std::uint32_t>(width));
    j.insert(j.end(), {1, 1, 0x11, 0});
    if (with_end) {
        j.insert(j.end(), {0xff, 0xd9});
    }
    return j;
}

// A GIF screen holding one frame (with one data byte).
ByteVec Gif(std::uint32_t screen_w, std::uint32_t screen_h, std::uint32_t frame_w, std::uint32_t frame_h)
{
    ByteVec g;
    PutText(g, "GIF89a");
    Put16le(g, screen_w);
    Put16le(g, screen_h);
    g.insert(g.end(), {0, 0, 0});
    g.push_back(0x2c);
    Put16le(g, 0);
    Put16le(g, 0);
    Put16le(g, frame_w);
    Put16le(g, frame_h);
    g.push_back(0);
    g.insert(g.end(), {2, 1, 0, 0, 0x3b}); // code size, one data byte, end
    return g;
}

// A 4x2 run-length TGA of two packets.
ByteVec Tga()
{
    ByteVec t = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16le(t, 4);
    Put16le(t, 2);
    t.insert(t.end(), {24, 0x20});
    t.insert(t.end(), {0x83, 1, 2, 3, 0x83, 4, 5, 6});
    return t;
}

// A 16x2 one-bit PCX whose single run of four bytes covers both lines.
ByteVec Pcx()
{
    ByteVec p(128, 0);
    p[0] = 0x0a;
    p[1] = 5;
    p[2] = 1;
    p[3] = 1;  // 1 bit
    p[8] = 15; // xmax: 16 wide
    p[10] = 1; // ymax: 2 high
    p[65] = 1; // one plane
    p[66] = 2; // two bytes per line
    p.insert(p.end(), {0xc4, 0xaa});
    return p;
}

// A metafile whose window extent is 1440 by 2880 twips, optionally behind a
// placeable header of 300 by 150 units at 100 units an inch.
ByteVec Wmf(bool placeable)
{
    ByteVec records;
    Put16le(records, 1);
    Put16le(records, 9);
    Put16le(records, 0x0300);
    Put32le(records, 0);
    Put16le(records, 0);
    Put32le(records, 5);
    Put16le(records, 0);
    Put32le(records, 5); // SetWindowExt(y=2880, x=1440)
    Put16le(records, 0x020c);
    Put16le(records, 2880);
    Put16le(records, 1440);
    Put32le(records, 3); // end of file
    Put16le(records, 0);
    if (!placeable) {
        return records;
    }
    ByteVec w = {0xd7, 0xcd, 0xc6, 0x9a, 0, 0};
    Put16le(w, 0);
    Put16le(w, 0);
    Put16le(w, 300); // right
    Put16le(w, 150); // bottom
    Put16le(w, 100); // units per inch
    Put32le(w, 0);
    Put16le(w, 0);
    w.insert(w.end(), records.begin(), records.end());
    return w;
}

// A WordPerfect file of two bitmaps: the library decodes both.
ByteVec Wpg(std::uint32_t second_w, std::uint32_t second_h)
{
    ByteVec w = {0xff, 'W', 'P', 'C'};
    Put32le(w, 16);
    w.insert(w.end(), {1, 0x16, 1, 0, 0, 0, 0, 0});
    for (auto [bw, bh] : {std::pair{100u, 50u}, {second_w, second_h}}) {
        w.push_back(0x0b);
        w.push_back(10);
        Put16le(w, bw);
        Put16le(w, bh);
        Put16le(w, 1);
        Put16le(w, 0);
        Put16le(w, 0);
    }
    w.insert(w.end(), {0x10, 0});
    return w;
}

// A Radiance header with the given resolution line and flat pixels.
ByteVec Radiance(const std::string& resolution, std::size_t pixels)
{
    ByteVec r;
    PutText(r, "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n" + resolution + "\n");
    for (std::size_t i = 0; i < pixels; ++i) {
        r.insert(r.end(), {128, 64, 32, 129});
    }
    return r;
}

// A PNG whose chunk after IHDR claims more bytes than the file holds.
ByteVec PngWithLongChunk(const char* type, std::uint32_t length)
{
    ByteVec p = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 8, 0, 0, 0, 8, 8, 2,
                 0, 0, 0, 0, 0, 0, 0};
    for (int shift = 24; shift >= 0; shift -= 8) {
        p.push_back(static_cast<std::uint8_t>(length >> shift));
    }
    PutText(p, type);
    p.insert(p.end(), 16, 'x');
    return p;
}

struct Case {
    const char* what;
    ByteVec bytes;
    const char* name;
    DecodeStatus status;
    Size natural;
    bool partial = false;
    const char* message = ""; // a part of the message when not Ok
};

TEST(Probe, HeadersGiveUprightSizeWholenessAndBudget)
{
    const Case cases[] = {
        {"EXIF orientation 6 swaps the sides", Jpeg(50, 100, 6), "x.jpg", DecodeStatus::Ok, {100, 50}},
        {"orientation 3 keeps them", Jpeg(50, 100, 3), "x.jpg", DecodeStatus::Ok, {50, 100}},
        {"out-of-range orientation is ignored", Jpeg(50, 100, 9), "x.jpg", DecodeStatus::Ok, {50, 100}},
        {"no end marker", Jpeg(50, 100, 1, false), "x.jpg", DecodeStatus::Ok, {50, 100}, true},
        {"JPEG without a size", Jpeg(0, 100, 1), "x.jpg", DecodeStatus::Corrupt, {}, false, "size"},
        {"JPEG over the side limit", Jpeg(20000, 10, 1), "x.jpg", DecodeStatus::TooLarge, {20000, 10}, false,
         "20000x10"},
        {"GIF frame", Gif(10, 10, 8, 8), "x.gif", DecodeStatus::Ok, {10, 10}},
        {"GIF frame larger than its screen", Gif(10, 10, 20000, 10), "x.gif", DecodeStatus::TooLarge, {10, 10},
         false, "20000x10"},
        {"GIF screen of no size takes the frame's", Gif(0, 0, 7, 9), "x.gif", DecodeStatus::Ok, {7, 9}},
        {"GIF data runs off the end", Cut(Gif(10, 10, 8, 8), 3), "x.gif", DecodeStatus::Ok, {10, 10}, true},
        {"TGA runs cover the picture", Tga(), "x.tga", DecodeStatus::Ok, {4, 2}},
        {"TGA runs stop short", Cut(Tga(), 4), "x.tga", DecodeStatus::Ok, {4, 2}, true},
        {"PCX runs cover the picture", Pcx(), "x.pcx", DecodeStatus::Ok, {16, 2}},
        {"PCX runs stop short", Cut(Pcx(), 2), "x.pcx", DecodeStatus::Ok, {16, 2}, true},
        {"WMF frame from the window extent, 96 dpi", Wmf(false), "x.wmf", DecodeStatus::Ok, {96, 192}},
        {"WMF frame from the placeable header", Wmf(true), "x.wmf", DecodeStatus::Ok, {288, 144}},
        {"WMF end record cut", Cut(Wmf(true), 3), "x.wmf", DecodeStatus::Ok, {288, 144}, true},
        {"WPG bitmaps within the budget", Wpg(300, 200), "x.wpg", DecodeStatus::Ok, {100, 50}},
        {"WPG second bitmap over the budget", Wpg(9000, 9000), "x.wpg", DecodeStatus::TooLarge, {100, 50}, false,
         "9000x9000"},
        {"WPG bitmaps over the budget together", Wpg(8192, 8192), "x.wpg", DecodeStatus::TooLarge, {100, 50}, false,
         "pixels in all"},
        {"Radiance rows", Radiance("-Y 2 +X 8", 16), "x.hdr", DecodeStatus::Ok, {8, 2}},
        {"Radiance columns", Radiance("+X 8 -Y 2", 16), "x.hdr", DecodeStatus::Ok, {8, 2}},
        {"Radiance columns, right to left", Radiance("-X 3 +Y 5", 15), "x.hdr", DecodeStatus::Ok, {3, 5}},
        {"Radiance axis named twice", Radiance("-Y 2 +Y 8", 16), "x.hdr", DecodeStatus::Corrupt, {}, false,
         "resolution"},
        {"PNG chunk longer than the file", PngWithLongChunk("tEXt", 0x7ffffff0), "x.png", DecodeStatus::Corrupt, {},
         false, "tEXt"},
        {"PNG chunk over 2^31", PngWithLongChunk("zTXt", 0x80000000u), "x.png", DecodeStatus::Corrupt, {}, false,
         "2147483648"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DecodeResult p = ProbeBytes(c.bytes, c.name);
        EXPECT_EQ(p.status, c.status) << p.message;
        if (c.status == DecodeStatus::Ok || c.status == DecodeStatus::TooLarge) {
            EXPECT_EQ(p.natural, c.natural);
        }
        EXPECT_EQ(p.partial, c.partial);
        EXPECT_NE(p.message.find(c.message), std::string::npos) << p.message;
        // The decode refuses for the same reason, before any pixel.
        if (c.status != DecodeStatus::Ok) {
            const DecodeResult d = DecodeBytes(c.bytes, c.name, Size{64, 64});
            EXPECT_EQ(d.status, c.status);
            EXPECT_TRUE(d.image.empty());
        }
    }
}

TEST(Probe, RadianceScanOrdersTurnUpright)
{
    // A 3x2 picture, dark to bright along its rows, stored as columns from
    // the right, bottom to top ("-X 3 +Y 2" scans x = 2, 1, 0, each from y =
    // 1 up to 0): the decoded picture is the same whatever the order.
    auto pixel = [](int x, int y) {
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>(40 + 60 * x), static_cast<std::uint8_t>(30 + 90 * y),
                                         16, 128};
    };
    ByteVec rows;
    PutText(rows, "#?RADIANCE\n\n-Y 2 +X 3\n");
    ByteVec columns;
    PutText(columns, "#?RADIANCE\n\n-X 3 +Y 2\n");
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            const auto p = pixel(x, y);
            rows.insert(rows.end(), p.begin(), p.end());
        }
    }
    for (int x = 2; x >= 0; --x) {
        for (int y = 1; y >= 0; --y) {
            const auto p = pixel(x, y);
            columns.insert(columns.end(), p.begin(), p.end());
        }
    }
    const DecodeResult a = DecodeBytes(rows, "a.hdr", Size{});
    const DecodeResult b = DecodeBytes(columns, "b.hdr", Size{});
    ASSERT_TRUE(a.ok() && b.ok()) << a.message << b.message;
    EXPECT_EQ(b.natural, (Size{3, 2}));
    EXPECT_EQ(a.image, b.image);
    EXPECT_LT(a.image.at(0, 0) & 0xff0000u, a.image.at(2, 0) & 0xff0000u); // red grows along the row
}

} // namespace
} // namespace framory::media
