// Box-drawing, block and shade characters as rectangles, and the code page of tilesets.
#include "presentation/CellGlyphs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace qm
{

const char32_t CP437_CODE_POINTS[256] = {
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A,
    0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190,
    0x221F, 0x2194, 0x25B2, 0x25BC, 0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027, 0x0028, 0x0029,
    0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F, 0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F, 0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045,
    0x0046, 0x0047, 0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F, 0x0050, 0x0051, 0x0052, 0x0053,
    0x0054, 0x0055, 0x0056, 0x0057, 0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F, 0x0060, 0x0061,
    0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067, 0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077, 0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D,
    0x007E, 0x2302, 0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561,
    0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C,
    0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564,
    0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6,
    0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A,
    0x207F, 0x00B2, 0x25A0, 0x00A0,
};

int cp437Place(char32_t ch)
{
    if (ch >= 0x20 && ch < 0x7F)
    {
        return static_cast<int>(ch);
    }
    // The other places, sorted by code point once, for a binary search.
    static const std::array<std::pair<char32_t, int>, 256> sorted = []
    {
        std::array<std::pair<char32_t, int>, 256> pairs{};
        for (int place = 0; place < 256; ++place)
        {
            pairs[static_cast<std::size_t>(place)] = {CP437_CODE_POINTS[place], place};
        }
        std::sort(pairs.begin(), pairs.end());
        return pairs;
    }();
    const auto found = std::lower_bound(sorted.begin(), sorted.end(), std::make_pair(ch, 0));
    return found != sorted.end() && found->first == ch ? found->second : -1;
}

bool isCellGlyph(char32_t ch)
{
    return ch >= 0x2500 && ch <= 0x259F;
}

namespace
{
// The four arms of each box-drawing character U+2500 .. U+257F, left, up, right and down:
// '0' none, '1' light, '2' heavy, '3' double. The dashed lines, the arcs and the diagonals
// are marked apart below.
const char* const BOX_ARMS[128] = {
    "1010", "2020", "0101", "0202", "1010", "2020", "0101", "0202", "1010", "2020", "0101", "0202", "0011",
    "0021", "0012", "0022", "1001", "2001", "1002", "2002", "0110", "0120", "0210", "0220", "1100", "2100",
    "1200", "2200", "0111", "0121", "0211", "0112", "0212", "0221", "0122", "0222", "1101", "2101", "1201",
    "1102", "1202", "2201", "2102", "2202", "1011", "2011", "1021", "2021", "1012", "2012", "1022", "2022",
    "1110", "2110", "1120", "2120", "1210", "2210", "1220", "2220", "1111", "2111", "1121", "2121", "1211",
    "1112", "1212", "2211", "1221", "2112", "1122", "2221", "2122", "2212", "1222", "2222", "1010", "2020",
    "0101", "0202", "3030", "0303", "0031", "0013", "0033", "3001", "1003", "3003", "0130", "0310", "0330",
    "3100", "1300", "3300", "0131", "0313", "0333", "3101", "1303", "3303", "3031", "1013", "3033", "3130",
    "1310", "3330", "3131", "1313", "3333", "0011", "1001", "1100", "0110", "0000", "0000", "0000", "1000",
    "0100", "0010", "0001", "2000", "0200", "0020", "0002", "1020", "0102", "2010", "0201",
};

// How many dashes a dashed line of U+2500 .. U+257F has (0: a solid line).
int dashesOf(char32_t ch)
{
    if (ch >= 0x2504 && ch <= 0x250B)
    {
        return ch <= 0x2507 ? 3 : 4;
    }
    return ch >= 0x254C && ch <= 0x254F ? 2 : 0;
}

enum Arm
{
    LEFT_ARM = 0,
    UP_ARM = 1,
    RIGHT_ARM = 2,
    DOWN_ARM = 3,
};

// Collects the quads of one cell, edges rounded to whole pixels.
class QuadWriter
{
public:
    explicit QuadWriter(GlyphQuad* out) : quads(out) {}
    void rect(float x0, float y0, float x1, float y1, std::uint8_t alpha = 255)
    {
        x0 = std::round(x0);
        y0 = std::round(y0);
        x1 = std::max(std::round(x1), x0 + 1.0f);
        y1 = std::max(std::round(y1), y0 + 1.0f);
        quads[count++] = GlyphQuad{{x0, x1, x1, x0}, {y0, y0, y1, y1}, alpha};
    }
    void quad(const float (&x)[4], const float (&y)[4])
    {
        quads[count++] = GlyphQuad{{x[0], x[1], x[2], x[3]}, {y[0], y[1], y[2], y[3]}, 255};
    }
    int count = 0;

private:
    GlyphQuad* quads;
};

void blockQuads(char32_t ch, float l, float t, float w, float h, QuadWriter& out)
{
    const float r = l + w, b = t + h, mx = l + w / 2, my = t + h / 2;
    if (ch >= 0x2581 && ch <= 0x2588) // lower eighths
    {
        out.rect(l, b - h * static_cast<float>(ch - 0x2580) / 8.0f, r, b);
    }
    else if (ch >= 0x2589 && ch <= 0x258F) // left eighths, seven down to one
    {
        out.rect(l, t, l + w * static_cast<float>(0x2590 - ch) / 8.0f, b);
    }
    else if (ch >= 0x2591 && ch <= 0x2593) // shades: the colour a quarter, half, three quarters on
    {
        out.rect(l, t, r, b, static_cast<std::uint8_t>(64 * (ch - 0x2590)));
    }
    else if (ch == 0x2580 || ch == 0x2590 || ch == 0x2594 || ch == 0x2595)
    {
        const float cut[4][4] = {{l, t, r, my}, {mx, t, r, b}, {l, t, r, t + h / 8}, {r - w / 8, t, r, b}};
        const int which = ch == 0x2580 ? 0 : ch == 0x2590 ? 1 : ch == 0x2594 ? 2 : 3;
        out.rect(cut[which][0], cut[which][1], cut[which][2], cut[which][3]);
    }
    else // quadrants U+2596 .. U+259F: bits upper left, upper right, lower left, lower right
    {
        static const int QUADRANTS[10] = {4, 8, 1, 13, 9, 7, 11, 2, 6, 14};
        const int bits = QUADRANTS[ch - 0x2596];
        const float boxes[4][4] = {{l, t, mx, my}, {mx, t, r, my}, {l, my, mx, b}, {mx, my, r, b}};
        for (int quadrant = 0; quadrant < 4; ++quadrant)
        {
            if ((bits & (1 << quadrant)) != 0)
            {
                out.rect(boxes[quadrant][0], boxes[quadrant][1], boxes[quadrant][2], boxes[quadrant][3]);
            }
        }
    }
}

void diagonalQuads(char32_t ch, float l, float t, float w, float h, float thickness, QuadWriter& out)
{
    const float r = l + w, b = t + h;
    // A band of the line's thickness measured across it, as a horizontal offset.
    const float half = thickness * std::sqrt(w * w + h * h) / h / 2;
    if (ch != 0x2572) // rising: lower left to upper right
    {
        out.quad({l - half, l + half, r + half, r - half}, {b, b, t, t});
    }
    if (ch != 0x2571) // falling: upper left to lower right
    {
        out.quad({l - half, l + half, r + half, r - half}, {t, t, b, b});
    }
}
} // namespace

int cellGlyphQuads(char32_t ch, float l, float t, float w, float h, GlyphQuad* quads)
{
    QuadWriter out(quads);
    if (!isCellGlyph(ch))
    {
        return 0;
    }
    if (ch >= 0x2580)
    {
        blockQuads(ch, l, t, w, h, out);
        return out.count;
    }
    // Lines one eighth of the cell's smaller side thick (heavy ones twice that); a double line
    // is two light lines with a light line's gap between them.
    const float light = std::max(1.0f, std::round(std::min(w, h) / 8.0f));
    const float gap = light;
    if (ch >= 0x2571 && ch <= 0x2573)
    {
        diagonalQuads(ch, l, t, w, h, light, out);
        return out.count;
    }
    const char* const arms = BOX_ARMS[ch - 0x2500];
    int weight[4];
    float lineWidth[4]; // half the width of a light or heavy arm, 0 for none
    for (int arm = 0; arm < 4; ++arm)
    {
        weight[arm] = arms[arm] - '0';
        lineWidth[arm] = weight[arm] == 1 ? light / 2 : weight[arm] == 2 ? light : 0.0f;
    }
    const float centre[2] = {l + w / 2, t + h / 2};
    const float edge[4] = {l, t, l + w, t + h};
    const int dashes = dashesOf(ch);
    // Half the width of what an arm crosses at the centre: its perpendicular arms.
    auto halfWidth = [&](int arm) { return weight[arm] == 3 ? gap + light / 2 : lineWidth[arm]; };
    for (int arm = 0; arm < 4; ++arm)
    {
        if (weight[arm] == 0)
        {
            continue;
        }
        const bool horizontal = arm == LEFT_ARM || arm == RIGHT_ARM;
        const int axis = horizontal ? 0 : 1;               // along the arm
        const float dir = arm >= 2 ? 1.0f : -1.0f;         // towards the arm's edge
        const int before = horizontal ? UP_ARM : LEFT_ARM; // the perpendicular arm on the lower side
        const int after = horizontal ? DOWN_ARM : RIGHT_ARM;
        const bool opposite = weight[(arm + 2) % 4] != 0;
        const bool doubleBefore = weight[before] == 3, doubleAfter = weight[after] == 3;
        const float across = std::max(halfWidth(before), halfWidth(after));

        // Each line of the arm: its offset across the arm and how far past the centre it reaches.
        float offsets[2] = {0, 0};
        float reach[2] = {across, across};
        int lines = 1;
        if (weight[arm] == 3)
        {
            lines = 2;
            offsets[0] = -gap;
            offsets[1] = gap;
            for (int side = 0; side < 2; ++side)
            {
                const bool doubleHere = side == 0 ? doubleBefore : doubleAfter;
                const bool doubleThere = side == 0 ? doubleAfter : doubleBefore;
                const int here = side == 0 ? before : after, there = side == 0 ? after : before;
                if (doubleHere)
                {
                    reach[side] = -(gap - light / 2); // the inner line stops at the crossing double
                }
                else if (doubleThere)
                {
                    reach[side] = gap + light / 2; // the outer line runs round the corner
                }
                else
                {
                    reach[side] = std::max(lineWidth[here], lineWidth[there]);
                }
            }
        }
        else if (!opposite && doubleBefore && doubleAfter)
        {
            reach[0] = -(gap - light / 2); // a tee on a double line stops at its near line
        }
        else if (!opposite && (doubleBefore || doubleAfter))
        {
            reach[0] = gap + light / 2; // a corner with a double line reaches its far line
        }
        const float thickness = weight[arm] == 2 ? 2 * light : light;
        for (int line = 0; line < lines; ++line)
        {
            const float from = centre[axis] - dir * reach[line];
            const float to = edge[arm];
            const float low = std::round(centre[1 - axis] + offsets[line] - thickness / 2);
            float start = std::min(from, to), end = std::max(from, to);
            const int pieces = dashes > 0 ? dashes : 1;
            if (dashes > 0)
            {
                // Dashes divide the whole cell, half of them on each arm's side of the centre.
                start = horizontal ? l : t;
                end = start + (horizontal ? w : h);
                if (arm == LEFT_ARM || arm == UP_ARM)
                {
                    continue; // drawn once, with the other arm
                }
            }
            const float length = (end - start) / static_cast<float>(pieces);
            for (int piece = 0; piece < pieces; ++piece)
            {
                const float a = start + length * static_cast<float>(piece) + (dashes > 0 ? length / 4 : 0);
                const float z = start + length * static_cast<float>(piece + 1) - (dashes > 0 ? length / 4 : 0);
                if (horizontal)
                {
                    out.rect(a, low, z, low + thickness);
                }
                else
                {
                    out.rect(low, a, low + thickness, z);
                }
            }
        }
    }
    return out.count;
}

} // namespace qm
