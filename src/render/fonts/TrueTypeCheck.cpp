#include "render/fonts/TrueTypeCheck.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace vorn {

namespace {

// A composite glyph's parts are drawn by recursion, each adding its points.
constexpr int kMaxComponentDepth = 32;
constexpr std::uint64_t kMaxGlyphPoints = 1u << 17;

// The reach of a glyph's points: stb_truetype keeps each coordinate in 16
// bits, and a composite glyph's are its parts' placed by float arithmetic,
// which must land in that range.
struct Extent {
    double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;

    void add(double x, double y) {
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
    }
};

// A part of a composite glyph: its glyph and how it is placed, as
// stb_truetype reads them.
struct Part {
    std::uint32_t glyph = 0;
    float matrix[6] = {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
};

struct Table {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    bool present = false;
};

class Font {
public:
    Font(const std::uint8_t* data, std::uint32_t size) : data_(data), size_(size) {}

    std::uint32_t u8(std::uint64_t at) const { return data_[at]; }
    std::uint32_t u16(std::uint64_t at) const { return static_cast<std::uint32_t>(data_[at] << 8 | data_[at + 1]); }
    std::int32_t s16(std::uint64_t at) const { return static_cast<std::int16_t>(u16(at)); }
    std::uint32_t u32(std::uint64_t at) const { return u16(at) << 16 | u16(at + 2); }
    std::uint32_t size() const { return size_; }

    // The first directory entry with the tag, as stb_truetype finds it.
    Table find(const char* tag) const {
        const std::uint32_t tables = u16(4);
        for (std::uint32_t i = 0; i < tables; ++i) {
            const std::uint32_t entry = 12 + 16 * i;
            if (std::equal(tag, tag + 4, data_ + entry)) return {u32(entry + 8), u32(entry + 12), true};
        }
        return {};
    }

private:
    const std::uint8_t* data_;
    std::uint32_t size_;
};

// Whether [at, at + length) lies in the table.
bool inside(const Table& t, std::uint64_t at, std::uint64_t length) {
    return at >= t.offset && at + length <= static_cast<std::uint64_t>(t.offset) + t.length;
}

class Checker {
public:
    Checker(const Font& font) : f_(font) {}

    std::string run() {
        if (f_.size() < 12) return "shorter than a table directory";
        const std::uint32_t tag = f_.u32(0);
        if (tag != 0x00010000 && tag != 0x74727565 /* true */ && tag != 0x4F54544F /* OTTO */) {
            return "not a TrueType font";
        }
        const std::uint32_t tables = f_.u16(4);
        if (12 + static_cast<std::uint64_t>(tables) * 16 > f_.size()) return "a table directory cut short";
        for (std::uint32_t i = 0; i < tables; ++i) {
            const std::uint32_t entry = 12 + 16 * i;
            if (static_cast<std::uint64_t>(f_.u32(entry + 8)) + f_.u32(entry + 12) > f_.size()) {
                return "a table past the end of the file";
            }
        }
        for (const char* name : {"cmap", "head", "hhea", "hmtx", "maxp", "loca"}) {
            if (!f_.find(name).present) return std::string("no ") + name + " table";
        }
        if (!f_.find("glyf").present) return "no TrueType outlines (glyf table)";
        std::string fault = checkMetrics();
        if (fault.empty()) fault = checkGlyphs();
        if (fault.empty()) fault = checkCharacterMap();
        if (fault.empty()) fault = checkKern();
        if (fault.empty()) fault = checkPairPositioning();
        return fault;
    }

private:
    std::string checkMetrics() {
        const Table head = f_.find("head");
        if (head.length < 54) return "a head table cut short";
        locFormat_ = f_.u16(head.offset + 50);
        if (locFormat_ > 1) return "an unknown glyph location format";
        const Table maxp = f_.find("maxp");
        if (maxp.length < 6) return "a maxp table cut short";
        glyphs_ = f_.u16(maxp.offset + 4);
        if (glyphs_ == 0) return "no glyphs";
        const Table hhea = f_.find("hhea");
        if (hhea.length < 36) return "an hhea table cut short";
        // The scale for a pixel height divides by this; glyph boxes turn
        // inside out below zero.
        if (f_.s16(hhea.offset + 4) - f_.s16(hhea.offset + 6) <= 0) return "no height between ascent and descent";
        const std::uint32_t metrics = f_.u16(hhea.offset + 34);
        if (metrics == 0) return "no horizontal metrics";
        const std::uint64_t needed = 4ull * metrics + (glyphs_ > metrics ? 2ull * (glyphs_ - metrics) : 0);
        if (f_.find("hmtx").length < needed) return "an hmtx table shorter than its glyphs need";
        return {};
    }

    // The bytes of glyph g in glyf; an empty range for a glyph without
    // outline.
    std::string glyphRange(std::uint32_t g, std::uint64_t& begin, std::uint64_t& end) const {
        const Table loca = f_.find("loca");
        const Table glyf = f_.find("glyf");
        const std::uint64_t width = locFormat_ == 0 ? 2 : 4;
        if ((static_cast<std::uint64_t>(g) + 2) * width > loca.length) return "a loca table shorter than its glyphs";
        const std::uint64_t at = loca.offset + g * width;
        const std::uint64_t a = locFormat_ == 0 ? 2ull * f_.u16(at) : f_.u32(at);
        const std::uint64_t b = locFormat_ == 0 ? 2ull * f_.u16(at + width) : f_.u32(at + width);
        if (a > b || b > glyf.length) return "glyph locations out of order or past the glyf table";
        begin = glyf.offset + a;
        end = glyf.offset + b;
        return {};
    }

    std::string checkGlyphs() {
        parts_.assign(glyphs_, {});
        points_.assign(glyphs_, 0);
        extents_.assign(glyphs_, {});
        for (std::uint32_t g = 0; g < glyphs_; ++g) {
            std::uint64_t begin = 0, end = 0;
            std::string fault = glyphRange(g, begin, end);
            if (fault.empty() && begin < end) fault = checkGlyph(g, begin, end);
            if (!fault.empty()) return fault + " (glyph " + std::to_string(g) + ")";
        }
        // Composite glyphs: no part may contain its own glyph, and the
        // points drawn stay bounded however parts are shared.
        std::vector<int> state(glyphs_, 0);
        for (std::uint32_t g = 0; g < glyphs_; ++g) {
            std::uint64_t total = 0;
            if (!countPoints(g, 0, state, total)) return "composite glyphs that contain themselves or grow without bound";
        }
        std::fill(state.begin(), state.end(), 0);
        for (std::uint32_t g = 0; g < glyphs_; ++g) {
            if (!placeParts(g, state)) return "glyph parts placed beyond the coordinates' range (glyph " + std::to_string(g) + ")";
        }
        return {};
    }

    std::string checkGlyph(std::uint32_t g, std::uint64_t begin, std::uint64_t end) {
        if (end - begin < 10) return "a glyph header cut short";
        const std::int32_t contours = f_.s16(begin);
        if (f_.s16(begin + 2) > f_.s16(begin + 6) || f_.s16(begin + 4) > f_.s16(begin + 8)) {
            return "a glyph box turned inside out";
        }
        if (contours > 0) return checkSimpleGlyph(g, begin, end, static_cast<std::uint32_t>(contours));
        if (contours < 0) return checkCompositeGlyph(g, begin, end);
        return {};
    }

    std::string checkSimpleGlyph(std::uint32_t g, std::uint64_t begin, std::uint64_t end, std::uint32_t contours) {
        std::uint64_t at = begin + 10;
        if (at + 2ull * contours + 2 > end) return "contour ends cut short";
        std::int64_t previous = -1;
        std::uint32_t singlePointStart = 0;
        bool lastIsSinglePoint = false;
        for (std::uint32_t c = 0; c < contours; ++c) {
            const std::int64_t last = f_.u16(at + 2ull * c);
            if (last <= previous) return "contour ends out of order";
            lastIsSinglePoint = last == previous + 1;
            singlePointStart = static_cast<std::uint32_t>(last);
            previous = last;
        }
        const std::uint64_t points = static_cast<std::uint64_t>(previous) + 1;
        at += 2ull * contours;
        const std::uint64_t instructions = f_.u16(at);
        at += 2 + instructions;
        if (at > end) return "instructions past the glyph's end";
        // Flags, with their repeats, then the x and y coordinates they size.
        std::vector<std::uint8_t> flags;
        flags.reserve(points);
        while (flags.size() < points) {
            if (at >= end) return "point flags past the glyph's end";
            const std::uint8_t flag = static_cast<std::uint8_t>(f_.u8(at++));
            std::uint64_t repeat = 0;
            if (flag & 8) {
                if (at >= end) return "point flags past the glyph's end";
                repeat = f_.u8(at++);
            }
            for (std::uint64_t r = 0; r <= repeat && flags.size() < points; ++r) flags.push_back(flag);
        }
        std::uint64_t coordinates = 0;
        for (const std::uint8_t flag : flags) {
            coordinates += (flag & 2) ? 1 : (flag & 16) ? 0 : 2;
            coordinates += (flag & 4) ? 1 : (flag & 32) ? 0 : 2;
        }
        if (at + coordinates > end) return "point coordinates past the glyph's end";
        // A last contour of one point off the curve makes stb_truetype read
        // the point after it.
        if (lastIsSinglePoint && (flags[singlePointStart] & 1) == 0) return "a last contour of one control point";
        points_[g] = points + 2ull * contours;
        // The points' reach, summed as stb_truetype sums them, in 16 bits.
        // Lines and moves carry a control point at the origin.
        const auto axis = [&](std::uint8_t shortBit, std::uint8_t sameBit) {
            std::vector<std::int16_t> values(flags.size());
            std::int16_t value = 0;
            for (std::size_t i = 0; i < flags.size(); ++i) {
                const std::uint8_t flag = flags[i];
                if (flag & shortBit) {
                    const std::int32_t d = static_cast<std::int32_t>(f_.u8(at++));
                    value = static_cast<std::int16_t>(value + ((flag & sameBit) ? d : -d));
                } else if (!(flag & sameBit)) {
                    value = static_cast<std::int16_t>(value + f_.s16(at));
                    at += 2;
                }
                values[i] = value;
            }
            return values;
        };
        const std::vector<std::int16_t> xs = axis(2, 16);
        const std::vector<std::int16_t> ys = axis(4, 32);
        for (std::size_t i = 0; i < flags.size(); ++i) extents_[g].add(xs[i], ys[i]);
        return {};
    }

    std::string checkCompositeGlyph(std::uint32_t g, std::uint64_t begin, std::uint64_t end) {
        std::uint64_t at = begin + 10;
        for (bool more = true; more;) {
            if (at + 4 > end) return "a glyph part cut short";
            const std::uint32_t flags = f_.u16(at);
            const std::uint32_t part = f_.u16(at + 2);
            at += 4;
            // Parts placed by matching points are not supported by
            // stb_truetype.
            if ((flags & 2) == 0) return "a glyph part placed by points";
            const std::uint64_t placed = at;
            at += (flags & 1) ? 4 : 2;
            at += (flags & 8) ? 2 : (flags & 0x40) ? 4 : (flags & 0x80) ? 8 : 0;
            if (at > end) return "a glyph part cut short";
            // stb_truetype reads the index as a signed number.
            if (part >= glyphs_ || part >= 0x8000) return "a glyph part that is no glyph";
            parts_[g].push_back(readPlacement(part, flags, placed));
            more = (flags & 0x20) != 0;
        }
        return {};
    }

    // The offsets and the matrix of a part, as stb_truetype reads them.
    Part readPlacement(std::uint32_t glyph, std::uint32_t flags, std::uint64_t at) const {
        Part part;
        part.glyph = glyph;
        float* m = part.matrix;
        if (flags & 1) {
            m[4] = static_cast<float>(f_.s16(at));
            m[5] = static_cast<float>(f_.s16(at + 2));
            at += 4;
        } else {
            m[4] = static_cast<float>(static_cast<std::int8_t>(f_.u8(at)));
            m[5] = static_cast<float>(static_cast<std::int8_t>(f_.u8(at + 1)));
            at += 2;
        }
        const auto f2dot14 = [&](std::uint64_t where) { return static_cast<float>(f_.s16(where)) / 16384.0f; };
        if (flags & 8) {
            m[0] = m[3] = f2dot14(at);
        } else if (flags & 0x40) {
            m[0] = f2dot14(at);
            m[3] = f2dot14(at + 2);
        } else if (flags & 0x80) {
            m[0] = f2dot14(at);
            m[1] = f2dot14(at + 2);
            m[2] = f2dot14(at + 4);
            m[3] = f2dot14(at + 6);
        }
        return part;
    }

    // A composite glyph's reach from its parts', each placed as
    // stb_truetype places every point: x by m (a x + c y + e), y by
    // n (b x + d y + f), m and n the lengths of the matrix's columns, and the
    // result cut to 16 bits. False when a placed point would not fit them.
    // Parts are known to be free of cycles by now.
    bool placeParts(std::uint32_t g, std::vector<int>& state) {
        if (state[g] != 0) return true;
        state[g] = 1;
        if (parts_[g].empty()) return true;
        Extent whole;
        for (const Part& part : parts_[g]) {
            if (!placeParts(part.glyph, state)) return false;
            const Extent& e = extents_[part.glyph];
            const float* m = part.matrix;
            const double mx = std::sqrt(double(m[0]) * m[0] + double(m[1]) * m[1]);
            const double ny = std::sqrt(double(m[2]) * m[2] + double(m[3]) * m[3]);
            for (const double x : {e.x0, e.x1}) {
                for (const double y : {e.y0, e.y1}) {
                    const double px = mx * (m[0] * x + m[2] * y + m[4]);
                    const double py = ny * (m[1] * x + m[3] * y + m[5]);
                    if (!(px >= -32768.0 && px < 32768.0 && py >= -32768.0 && py < 32768.0)) return false;
                    whole.add(std::trunc(px), std::trunc(py));
                }
            }
        }
        extents_[g] = whole;
        return true;
    }

    bool countPoints(std::uint32_t g, int depth, std::vector<int>& state, std::uint64_t& total) {
        if (state[g] == 2) {
            total += points_[g];
            return total <= kMaxGlyphPoints;
        }
        if (state[g] == 1 || depth > kMaxComponentDepth) return false;
        state[g] = 1;
        std::uint64_t own = points_[g];
        for (const Part& part : parts_[g]) {
            if (!countPoints(part.glyph, depth + 1, state, own)) return false;
        }
        points_[g] = own;
        state[g] = 2;
        total += own;
        return own <= kMaxGlyphPoints && total <= kMaxGlyphPoints;
    }

    // Whether every glyph a code point can map to exists.
    bool isGlyph(std::uint64_t g) const { return g < glyphs_; }

    std::string checkCharacterMap() {
        const Table cmap = f_.find("cmap");
        if (cmap.length < 4) return "a cmap table cut short";
        const std::uint32_t count = f_.u16(cmap.offset + 2);
        if (4 + 8ull * count > cmap.length) return "a cmap table cut short";
        // The subtable stb_truetype uses: the last Unicode one listed.
        std::uint64_t map = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint64_t record = cmap.offset + 4 + 8ull * i;
            const std::uint32_t platform = f_.u16(record);
            const std::uint32_t encoding = f_.u16(record + 2);
            if (platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10))) {
                map = cmap.offset + static_cast<std::uint64_t>(f_.u32(record + 4));
            }
        }
        if (map == 0) return "no Unicode character map";
        if (!inside(cmap, map, 4)) return "a character map past the cmap table";
        const std::uint32_t format = f_.u16(map);
        switch (format) {
        case 0: return checkByteMap(cmap, map);
        case 4: return checkSegmentMap(cmap, map);
        case 6: return checkTrimmedMap(cmap, map);
        case 12:
        case 13: return checkGroupMap(cmap, map, format);
        default: return "a character map of format " + std::to_string(format);
        }
    }

    std::string checkByteMap(const Table& cmap, std::uint64_t map) {
        const std::uint32_t bytes = f_.u16(map + 2);
        if (bytes <= 6) return {};
        if (!inside(cmap, map, bytes)) return "a character map past the cmap table";
        for (std::uint64_t i = 6; i < bytes; ++i) {
            if (!isGlyph(f_.u8(map + i))) return "a character mapped to no glyph";
        }
        return {};
    }

    std::string checkTrimmedMap(const Table& cmap, std::uint64_t map) {
        if (!inside(cmap, map, 10)) return "a character map past the cmap table";
        const std::uint32_t count = f_.u16(map + 8);
        if (!inside(cmap, map, 10 + 2ull * count)) return "a character map past the cmap table";
        for (std::uint32_t i = 0; i < count; ++i) {
            if (!isGlyph(f_.u16(map + 10 + 2ull * i))) return "a character mapped to no glyph";
        }
        return {};
    }

    std::string checkSegmentMap(const Table& cmap, std::uint64_t map) {
        if (!inside(cmap, map, 14)) return "a character map past the cmap table";
        const std::uint32_t segments = f_.u16(map + 6) >> 1;
        if (segments == 0) return "a character map without segments";
        // stb_truetype's binary search stays among the segments only with
        // the search values the format prescribes.
        std::uint32_t range = 1, selector = 0;
        while (range * 2 <= segments) {
            range *= 2;
            ++selector;
        }
        if ((f_.u16(map + 8) >> 1) != range || f_.u16(map + 10) != selector || (f_.u16(map + 12) >> 1) != segments - range) {
            return "character map search values that do not fit its segments";
        }
        if (!inside(cmap, map, 16 + 8ull * segments)) return "a character map past the cmap table";
        const std::uint64_t ends = map + 14;
        const std::uint64_t starts = ends + 2ull * segments + 2;
        const std::uint64_t deltas = starts + 2ull * segments;
        const std::uint64_t offsets = deltas + 2ull * segments;
        std::int64_t previousEnd = -1;
        for (std::uint32_t i = 0; i < segments; ++i) {
            const std::uint32_t start = f_.u16(starts + 2ull * i);
            const std::uint32_t last = f_.u16(ends + 2ull * i);
            if (start > last || static_cast<std::int64_t>(start) <= previousEnd) {
                return "character map segments out of order";
            }
            previousEnd = last;
            const std::uint32_t offset = f_.u16(offsets + 2ull * i);
            if (offset == 0) {
                // Glyphs start + delta .. last + delta, modulo 65536.
                const std::uint32_t first = (start + f_.u16(deltas + 2ull * i)) & 0xFFFF;
                if (!isGlyph(static_cast<std::uint64_t>(first) + (last - start))) return "a character mapped to no glyph";
                continue;
            }
            const std::uint64_t glyphs = offsets + 2ull * i + offset;
            if (!inside(cmap, glyphs, 2ull * (last - start + 1))) return "a character map past the cmap table";
            for (std::uint32_t c = 0; c <= last - start; ++c) {
                if (!isGlyph(f_.u16(glyphs + 2ull * c))) return "a character mapped to no glyph";
            }
        }
        return {};
    }

    std::string checkGroupMap(const Table& cmap, std::uint64_t map, std::uint32_t format) {
        if (!inside(cmap, map, 16)) return "a character map past the cmap table";
        const std::uint64_t groups = f_.u32(map + 12);
        if (!inside(cmap, map, 16 + 12 * groups)) return "a character map past the cmap table";
        for (std::uint64_t i = 0; i < groups; ++i) {
            const std::uint64_t group = map + 16 + 12 * i;
            const std::uint64_t start = f_.u32(group);
            const std::uint64_t last = f_.u32(group + 4);
            const std::uint64_t glyph = f_.u32(group + 8);
            if (start > last) continue;
            if (!isGlyph(format == 12 ? glyph + (last - start) : glyph)) return "a character mapped to no glyph";
        }
        return {};
    }

    std::string checkKern() {
        const Table kern = f_.find("kern");
        if (!kern.present) return {};
        if (kern.length < 4) return "a kern table cut short";
        if (f_.u16(kern.offset + 2) < 1) return {};
        if (kern.length < 18) return "a kern table cut short";
        if (f_.u16(kern.offset + 8) != 1) return {};
        if (18 + 6ull * f_.u16(kern.offset + 10) > kern.length) return "more kerning pairs than the kern table holds";
        return {};
    }

    // The highest index a coverage table can give, or -1 for none; false
    // when stb_truetype would read past the table.
    bool coverage(const Table& gpos, std::uint64_t at, std::int64_t& highest) const {
        highest = -1;
        if (!inside(gpos, at, 2)) return false;
        const std::uint32_t format = f_.u16(at);
        if (format != 1 && format != 2) return true;
        if (!inside(gpos, at, 4)) return false;
        const std::uint32_t count = f_.u16(at + 2);
        if (format == 1) {
            highest = static_cast<std::int64_t>(count) - 1;
            return inside(gpos, at + 4, 2ull * count);
        }
        if (!inside(gpos, at + 4, 6ull * count)) return false;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint64_t record = at + 4 + 6ull * i;
            const std::int64_t first = f_.u16(record);
            const std::int64_t last = f_.u16(record + 2);
            if (last >= first) highest = std::max(highest, f_.u16(record + 4) + last - first);
        }
        return true;
    }

    bool classes(const Table& gpos, std::uint64_t at) const {
        if (!inside(gpos, at, 2)) return false;
        const std::uint32_t format = f_.u16(at);
        if (format == 1) return inside(gpos, at, 6) && inside(gpos, at + 6, 2ull * f_.u16(at + 4));
        if (format == 2) return inside(gpos, at, 4) && inside(gpos, at + 4, 6ull * f_.u16(at + 2));
        return true;
    }

    std::string checkPairPositioning() {
        const Table gpos = f_.find("GPOS");
        if (!gpos.present) return {};
        const std::string cut = "a GPOS table that points past its end";
        if (gpos.length < 4) return cut;
        if (f_.u16(gpos.offset) != 1 || f_.u16(gpos.offset + 2) != 0) return {};
        if (gpos.length < 10) return cut;
        const std::uint64_t list = gpos.offset + f_.u16(gpos.offset + 8);
        if (!inside(gpos, list, 2)) return cut;
        const std::uint32_t lookups = f_.u16(list);
        if (!inside(gpos, list + 2, 2ull * lookups)) return cut;
        for (std::uint32_t i = 0; i < lookups; ++i) {
            const std::uint64_t lookup = list + f_.u16(list + 2 + 2ull * i);
            if (!inside(gpos, lookup, 6)) return cut;
            if (f_.u16(lookup) != 2) continue;
            const std::uint32_t subtables = f_.u16(lookup + 4);
            if (!inside(gpos, lookup + 6, 2ull * subtables)) return cut;
            for (std::uint32_t s = 0; s < subtables; ++s) {
                const std::uint64_t table = lookup + f_.u16(lookup + 6 + 2ull * s);
                if (!inside(gpos, table, 4)) return cut;
                std::int64_t highest = -1;
                if (!coverage(gpos, table + f_.u16(table + 2), highest)) return cut;
                if (highest < 0) continue;
                const std::uint32_t format = f_.u16(table);
                if (format != 1 && format != 2) continue;
                if (!inside(gpos, table, 8)) return cut;
                if (f_.u16(table + 4) != 4 || f_.u16(table + 6) != 0) continue;
                if (format == 1) {
                    if (!inside(gpos, table, 10)) return cut;
                    const std::uint32_t sets = f_.u16(table + 8);
                    if (!inside(gpos, table + 10, 2ull * (static_cast<std::uint64_t>(highest) + 1))) return cut;
                    for (std::int64_t c = 0; c <= highest; ++c) {
                        const std::uint64_t set = table + f_.u16(table + 10 + 2ull * static_cast<std::uint64_t>(c));
                        if (!inside(gpos, set, 2)) return cut;
                        if (c < sets && !inside(gpos, set + 2, 4ull * f_.u16(set))) return cut;
                    }
                } else {
                    if (!inside(gpos, table, 16)) return cut;
                    if (!classes(gpos, table + f_.u16(table + 8)) || !classes(gpos, table + f_.u16(table + 10))) {
                        return cut;
                    }
                    const std::uint64_t records = 2ull * f_.u16(table + 12) * f_.u16(table + 14);
                    if (!inside(gpos, table + 16, records)) return cut;
                }
            }
        }
        return {};
    }

    const Font& f_;
    std::uint32_t locFormat_ = 0;
    std::uint32_t glyphs_ = 0;
    std::vector<std::vector<Part>> parts_;
    std::vector<Extent> extents_;
    std::vector<std::uint64_t> points_;
};

} // namespace

std::string trueTypeFault(const std::uint8_t* data, std::uint32_t size) {
    if (data == nullptr) return "empty";
    const Font font(data, size);
    return Checker(font).run();
}

} // namespace vorn
