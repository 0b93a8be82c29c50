// WordPerfect Graphics, versions 1 and 2: the first bitmap they hold, with
// the palette given before it, read by our own code. The header walk counts
// every bitmap against the budget all the same.
#include <algorithm>
#include <optional>
#include <vector>

#include "media/decode/format.h"

namespace framory::media::detail {

namespace {

// WordPerfect's variable-length record size: a byte, or 0xff and a 16-bit
// value whose top bit announces a further 16 bits.
std::optional<std::uint64_t> wpg_length(Bytes b, std::size_t& at)
{
    const auto first = u8(b, at);
    if (!first) {
        return std::nullopt;
    }
    ++at;
    if (*first != 0xff) {
        return *first;
    }
    const auto word = u16le(b, at);
    if (!word) {
        return std::nullopt;
    }
    at += 2;
    if ((*word & 0x8000) == 0) {
        return *word;
    }
    const auto low = u16le(b, at);
    if (!low) {
        return std::nullopt;
    }
    at += 2;
    return (std::uint64_t{*word & 0x7fffu} << 16) | *low;
}

Match sniff(Bytes b)
{
    return starts_with(b, "\xffWPC") ? Match::Strong : Match::None;
}

// The file's level (1 or 2) after checking its header, or a problem.
std::optional<std::uint32_t> level_of(Bytes b, std::string& problem)
{
    const auto offset = u32le(b, 4);
    const auto product = u8(b, 9);
    const auto level = u8(b, 10);
    const auto key = u16le(b, 12);
    if (!offset || !product || !level || !key) {
        problem = "WPG header cut short";
    } else if (*product != 0x16 || (*level != 1 && *level != 2)) {
        problem = "not a WordPerfect graphics file";
    } else if (*key != 0) {
        problem = "encrypted WPG file";
    }
    return problem.empty() ? level : std::nullopt;
}

// Walks the records from the header's offset, calling `visit(type, body,
// length)` until it returns false or the data ends. False when the file
// stops inside a record.
template <typename Visit> bool walk(Bytes b, std::uint32_t level, Visit visit)
{
    std::size_t at = *u32le(b, 4);
    while (at < b.size()) {
        std::uint32_t type = 0;
        if (level == 1) {
            type = b[at++];
        } else {
            at += 1; // record class
            const auto t = u8(b, at++);
            if (!t || !wpg_length(b, at)) { // then the extension
                return false;
            }
            type = *t;
        }
        const auto length = wpg_length(b, at);
        if (!length) {
            return false;
        }
        const std::size_t body = at;
        const bool whole = *length <= b.size() - body;
        if (!visit(type, body, whole ? static_cast<std::size_t>(*length) : b.size() - body) || !whole) {
            return whole;
        }
        if (level == 1 && type == 0x10) {
            return true; // end of the WPG data
        }
        at = body + static_cast<std::size_t>(*length);
    }
    return true;
}

// Where a bitmap record keeps its size: version 1 bitmaps (0x0b, and 0x14
// with a rotation and frame first), version 2 bitmaps (0x0e).
std::optional<std::size_t> bitmap_fields(std::uint32_t level, std::uint32_t type)
{
    if (level == 1 && type == 0x0b) {
        return 0;
    }
    if (level == 1 && type == 0x14) {
        return 10;
    }
    if (level == 2 && type == 0x0e) {
        return 0;
    }
    return std::nullopt;
}

Header read_header(Bytes b)
{
    std::string problem;
    const auto level = level_of(b, problem);
    if (!level) {
        return MakeProblem(problem);
    }
    int width = 0;
    int height = 0;
    Size largest;
    std::int64_t total = 0;
    const bool complete = walk(b, *level, [&](std::uint32_t type, std::size_t body, std::size_t) {
        const auto fields = bitmap_fields(*level, type);
        const auto w = fields ? u16le(b, body + *fields) : std::nullopt;
        const auto h = fields ? u16le(b, body + *fields + 2) : std::nullopt;
        if (w && h && *w > 0 && *h > 0) {
            if (width == 0) {
                width = static_cast<int>(*w);
                height = static_cast<int>(*h);
            }
            if (std::int64_t{*w} * *h > std::int64_t{largest.width} * largest.height) {
                largest = {static_cast<int>(*w), static_cast<int>(*h)};
            }
            total += std::int64_t{*w} * *h;
        }
        return true;
    });
    if (width == 0) {
        return MakeProblem(complete ? "WPG file holds no bitmap" : "WPG file cut short before its bitmap");
    }
    Header hd = Sized(width, height);
    hd.total_pixels = total;
    hd.largest_part = largest;
    hd.complete = complete;
    return hd;
}

// Rows of a bitmap as they are unpacked: bytes go in one after another,
// and a row can be repeated.
class Rows {
public:
    Rows(std::size_t row_bytes, int height) : m_row(row_bytes), m_height(height), m_data(row_bytes * height) {}
    bool full() const { return m_done >= m_height; }
    int done() const { return m_done; }
    void put(std::uint8_t v)
    {
        if (full()) {
            return;
        }
        m_data[static_cast<std::size_t>(m_done) * m_row + m_x] = v;
        if (++m_x == m_row) {
            m_x = 0;
            ++m_done;
        }
    }
    void put(std::uint8_t v, std::size_t count)
    {
        for (std::size_t i = 0; i < count && !full(); ++i) {
            put(v);
        }
    }
    // Repeats the previous row; only at the start of a row, after one.
    bool repeat(std::size_t count)
    {
        if (m_x != 0 || m_done == 0) {
            return false;
        }
        for (std::size_t i = 0; i < count && !full(); ++i) {
            std::copy_n(row(m_done - 1), m_row, m_data.begin() + static_cast<std::ptrdiff_t>(m_done * m_row));
            ++m_done;
        }
        return true;
    }
    const std::uint8_t* row(int y) const { return m_data.data() + static_cast<std::size_t>(y) * m_row; }

private:
    std::size_t m_row;
    int m_height;
    std::vector<std::uint8_t> m_data;
    int m_done = 0;
    std::size_t m_x = 0;
};

// Version 1 runs: a byte with the top bit set repeats the next byte (or,
// with a zero count, writes the following count of 0xff bytes); without
// it, copies that many bytes (or, with a zero count, repeats the previous
// row the following count of times).
void unpack_v1(Bytes b, std::size_t at, std::size_t end, Rows& rows)
{
    while (at < end && !rows.full()) {
        const std::uint32_t v = b[at++];
        const std::size_t n = v & 0x7fu;
        if (at >= end) {
            break;
        }
        if (v & 0x80u) {
            rows.put(n != 0 ? b[at] : 0xff, n != 0 ? n : b[at]);
            ++at;
        } else if (n != 0) {
            const std::size_t take = std::min(n, end - at);
            for (std::size_t i = 0; i < take; ++i) {
                rows.put(b[at + i]);
            }
            at += take;
        } else if (!rows.repeat(b[at++])) {
            break;
        }
    }
}

// Version 2 runs work on samples of 1 to 8 bytes (0x7d sets the size):
// 0x7f and 0xff write runs of zero and 0xff bytes, 0xfd repeats the last
// sample, 0xfe repeats the previous row; other bytes with the top bit set
// give a sample and its repeat count, without it a count of literal samples.
void unpack_v2(Bytes b, std::size_t at, std::size_t end, Rows& rows)
{
    std::size_t sample_size = 1;
    std::uint8_t sample[8] = {};
    while (at + 1 < end && !rows.full()) {
        const std::uint32_t v = b[at++];
        if (v == 0x7d) {
            sample_size = b[at++];
            if (sample_size < 1 || sample_size > 8) {
                return;
            }
            continue;
        }
        if (v == 0x7e) {
            return; // an exclusive-or run: unknown what it applies to
        }
        if (v == 0x7f || v == 0xff || v == 0xfd || v == 0xfe) {
            const std::size_t count = std::size_t{b[at++]} + 1;
            if (v == 0xfe) {
                if (!rows.repeat(count)) {
                    return;
                }
            } else if (v == 0xfd) {
                for (std::size_t i = 0; i < count && !rows.full(); ++i) {
                    for (std::size_t k = 0; k < sample_size; ++k) {
                        rows.put(sample[k]);
                    }
                }
            } else {
                rows.put(v == 0xff ? 0xff : 0, count * sample_size);
            }
            continue;
        }
        const std::size_t count = (v & 0x7fu) + 1;
        if (v & 0x80u) {
            if (end - at < sample_size) {
                return;
            }
            std::copy_n(b.data() + at, sample_size, sample);
            at += sample_size;
            for (std::size_t i = 0; i < count && !rows.full(); ++i) {
                for (std::size_t k = 0; k < sample_size; ++k) {
                    rows.put(sample[k]);
                }
            }
        } else {
            const std::size_t take = std::min(count * sample_size, end - at);
            for (std::size_t i = 0; i < take; ++i) {
                rows.put(b[at + i]);
            }
            at += take;
        }
    }
}

Decoded decode(Bytes b, const Header& h, const Request& request)
{
    std::string problem;
    const std::uint32_t level = *level_of(b, problem);
    // Without a palette record: black and white for one bit a pixel, and a
    // grey ramp for deeper indices (the files seen all carry their palette).
    std::uint32_t palette[256];
    for (std::uint32_t i = 0; i < 256; ++i) {
        const auto grey = static_cast<std::uint8_t>(i);
        palette[i] = Argb(grey, grey, grey);
    }
    palette[1] = Argb(255, 255, 255);
    std::optional<std::size_t> bitmap;
    std::size_t bitmap_end = 0;
    std::uint32_t bitmap_type = 0;
    walk(b, level, [&](std::uint32_t type, std::size_t body, std::size_t length) {
        if (bitmap_fields(level, type)) {
            bitmap = body;
            bitmap_end = body + length;
            bitmap_type = type;
            return false;
        }
        // Palettes: a start index and a count, then three bytes an entry
        // in version 1, four (the last unused) in version 2.
        if ((level == 1 && type == 0x0e) || (level == 2 && type == 0x0c)) {
            const std::size_t entry = level == 1 ? 3 : 4;
            const std::uint32_t start = u16le(b, body).value_or(0);
            const std::uint32_t count = u16le(b, body + 2).value_or(0);
            for (std::uint32_t i = 0; i < count && start + i < 256 && 4 + (i + 1) * entry <= length; ++i) {
                const std::size_t at = body + 4 + i * entry;
                palette[start + i] = Argb(b[at], b[at + 1], b[at + 2]);
            }
        }
        return true;
    });
    if (!bitmap) {
        return Failed("WPG bitmap missing");
    }
    const std::size_t fields = *bitmap + *bitmap_fields(level, bitmap_type);
    const std::uint32_t depth = level == 1 ? u16le(b, fields + 4).value_or(0) : u8(b, fields + 4).value_or(0);
    const std::uint32_t compression = level == 1 ? 1 : u8(b, fields + 5).value_or(0);
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 24) {
        return Failed("WPG bitmap of " + std::to_string(depth) + " bits a pixel");
    }
    const auto w = static_cast<std::size_t>(h.width);
    Rows rows((w * depth + 7) / 8, h.height);
    const std::size_t data = fields + (level == 1 ? 10 : 6);
    if (level == 1) {
        unpack_v1(b, data, bitmap_end, rows);
    } else if (compression == 1) {
        unpack_v2(b, data, bitmap_end, rows);
    } else {
        for (std::size_t at = data; at < bitmap_end && !rows.full(); ++at) {
            rows.put(b[at]);
        }
    }
    // Rows the data did not reach stay transparent.
    Image picture(h.width, h.height, 0);
    for (int y = 0; y < rows.done(); ++y) {
        const std::uint8_t* row = rows.row(y);
        for (std::size_t x = 0; x < w; ++x) {
            std::uint32_t& p = picture.row(y)[x];
            if (depth == 24) {
                p = Argb(row[x * 3], row[x * 3 + 1], row[x * 3 + 2]);
            } else {
                const std::size_t bit = x * depth;
                p = palette[(row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1)];
            }
        }
    }
    return Succeeded(FitStored(std::move(picture), 1, request.out), !rows.full() || !h.complete);
}

} // namespace

const Format kWpgFormat{"wpg", {"WPG"}, sniff, read_header, decode};

} // namespace framory::media::detail
