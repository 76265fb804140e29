// Characters the window draws as shapes of their own, and the code page of bitmap tilesets.
// Private to the engine (the tileset generator uses it too); no window library types.
#ifndef QM_PRESENTATION_CELLGLYPHS_H
#define QM_PRESENTATION_CELLGLYPHS_H

#include <cstdint>

namespace qm
{

// The Unicode code point of each of the 256 places of a tileset in the classic 16 x 16
// layout of the PC's code page 437, row by row (place 0 is blank, 1 .. 31 the symbols of
// that code page, 127 the house).
extern const char32_t CP437_CODE_POINTS[256];

// The place of `ch` in such a tileset, or -1 when the code page has no such character.
int cp437Place(char32_t ch);

// True for the box-drawing (U+2500 .. U+257F) and block and shade (U+2580 .. U+259F)
// characters, which are drawn as rectangles that reach the cell's edges, so that
// neighbouring cells join without gaps whatever the font.
bool isCellGlyph(char32_t ch);

// A filled quadrilateral of a cell glyph in pixels, corners in order, with the opacity of
// the character's colour (255 but for the shades).
struct GlyphQuad
{
    float x[4];
    float y[4];
    std::uint8_t alpha;
};

// Most quads a cell glyph takes.
constexpr int MAX_GLYPH_QUADS = 12;

// Writes the quads of the cell glyph `ch` in the cell whose box is (left, top) by (width,
// height) pixels into `quads`; returns how many (0 when `ch` is not a cell glyph). Edges are
// rounded to whole pixels, the same way for every cell, so that lines meet their neighbours'
// exactly.
int cellGlyphQuads(char32_t ch, float left, float top, float width, float height, GlyphQuad* quads);

} // namespace qm

#endif
