// What the header readers learn before any pixel is decoded: the upright
// size, whether the data is all there, and the budget, for headers built
// byte by byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/decode/decode.h"
#include "media/support.h"

namespace framory::media {
namespace {

using ByteVec = std::vector<std::uint8_t>;

ByteVec Cat(std::initializer_list<ByteVec> parts)
{
    ByteVec out;
    for (const ByteVec& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

ByteVec Le16(std::uint32_t x) { return {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8)}; }
ByteVec Be16(std::uint32_t x) { return {static_cast<std::uint8_t>(x >> 8), static_cast<std::uint8_t>(x)}; }
ByteVec Le32(std::uint32_t x) { return Cat({Le16(x & 0xffff), Le16(x >> 16)}); }

ByteVec Cut(ByteVec v, std::size_t bytes)
{
    v.resize(v.size() - bytes);
    return v;
}

// SOI, an EXIF block with the given orientation, a baseline frame header, EOI.
ByteVec Jpeg(std::uint32_t width, std::uint32_t height, int orientation, bool with_end = true)
{
    return Cat({{0xff, 0xd8}, test::ExifBlock(orientation), {0xff, 0xc0, 0, 11, 8}, Be16(height), Be16(width),
                {1, 1, 0x11, 0}, with_end ? ByteVec{0xff, 0xd9} : ByteVec{}});
}

// A GIF screen holding one frame (with one data byte).
ByteVec Gif(std::uint32_t screen_w, std::uint32_t screen_h, std::uint32_t frame_w, std::uint32_t frame_h)
{
    return Cat({{'G', 'I', 'F', '8', '9', 'a'}, Le16(screen_w), Le16(screen_h), {0, 0, 0, 0x2c, 0, 0, 0, 0},
                Le16(frame_w), Le16(frame_h), {0, 2, 1, 0, 0, 0x3b}});
}

// A 4x2 run-length TGA of two packets.
ByteVec Tga() { return {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 2, 0, 24, 0x20, 0x83, 1, 2, 3, 0x83, 4, 5, 6}; }

// A 16x2 one-bit PCX whose single run of four bytes covers both lines:
// run-length version 5, window 0,0 to 15,1, one plane of two bytes a line.
ByteVec Pcx()
{
    return Cat({{0x0a, 5, 1, 1, 0, 0, 0, 0, 15, 0, 1, 0}, ByteVec(53, 0), {1, 2}, ByteVec(61, 0), {0xc4, 0xaa}});
}

// A metafile whose window extent is 1440 by 2880 twips, optionally behind a
// placeable header of 300 by 150 units at 100 units an inch.
ByteVec Wmf(bool placeable)
{
    const ByteVec records = Cat({{1, 0, 9, 0, 0, 3}, Le32(0), Le16(0), Le32(5), Le16(0), // header
                                 Le32(5), Le16(0x020c), Le16(2880), Le16(1440),          // SetWindowExt(y, x)
                                 Le32(3), Le16(0)});                                     // end of file
    if (!placeable) {
        return records;
    }
    return Cat({{0xd7, 0xcd, 0xc6, 0x9a, 0, 0, 0, 0, 0, 0}, Le16(300), Le16(150), Le16(100), Le32(0), Le16(0), records});
}

// A WordPerfect file of two bitmaps: the library decodes both.
ByteVec Wpg(std::uint32_t second_w, std::uint32_t second_h)
{
    ByteVec w = Cat({{0xff, 'W', 'P', 'C'}, Le32(16), {1, 0x16, 1, 0, 0, 0, 0, 0}});
    for (auto [bw, bh] : {std::pair{100u, 50u}, {second_w, second_h}}) {
        w = Cat({w, {0x0b, 10}, Le16(bw), Le16(bh), Le16(1), Le32(0)});
    }
    return Cat({w, {0x10, 0}});
}

ByteVec Text(const std::string& s) { return {s.begin(), s.end()}; }

// A PNG whose chunk after IHDR claims more bytes than the file holds.
ByteVec PngWithLongChunk(const char* type, std::uint32_t length)
{
    return Cat({{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 8, 0, 0, 0, 8, 8, 2,
                 0, 0, 0, 0, 0, 0, 0},
                Be16(length >> 16), Be16(length & 0xffff), Text(type), ByteVec(16, 'x')});
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
        // The limits: 16384 a side, 64 Mi pixels.
        {"JPEG as wide as allowed", Jpeg(16384, 10, 1), "x.jpg", DecodeStatus::Ok, {16384, 10}},
        {"JPEG wider", Jpeg(16385, 10, 1), "x.jpg", DecodeStatus::TooLarge, {16385, 10}, false, "16385x10"},
        {"JPEG taller", Jpeg(10, 16385, 1), "x.jpg", DecodeStatus::TooLarge, {10, 16385}, false, "10x16385"},
        {"JPEG as large as allowed", Jpeg(8192, 8192, 1), "x.jpg", DecodeStatus::Ok, {8192, 8192}},
        {"JPEG a row larger", Jpeg(8192, 8193, 1), "x.jpg", DecodeStatus::TooLarge, {8192, 8193}, false, "8192x8193"},
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
        {"Radiance axis named twice", Text("#?RADIANCE\n\n-Y 2 +Y 8\n" + std::string(64, '@')), "x.hdr",
         DecodeStatus::Corrupt, {}, false, "resolution"},
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

} // namespace
} // namespace framory::media
