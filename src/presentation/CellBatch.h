// The display manager's collected drawing. Private to the engine.
#ifndef QM_CELLBATCH_H
#define QM_CELLBATCH_H

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <SFML/Graphics/VertexArray.hpp>
#include <SFML/Graphics/View.hpp>
#include <SFML/System/String.hpp>

#include <memory>
#include <string>
#include <vector>

namespace sf
{
class RenderTarget;
} // namespace sf

namespace qm
{

// The characters of a frame collected into one vertex array (background and glyph of each
// cell, in drawing order) and drawn with one call, and the record of which window pixels may
// differ from the background colour since the window was last cleared: glyphs drawn are
// noted by tiles (the box of what each tile received); anything else drawn into the window
// makes the whole window count. Backgrounds are then painted only where something shows.
//
// The glyphs come from the font, or from a bitmap tileset (loadTileset) in the 16 x 16 layout
// of code page 437; box-drawing, block and shade characters the tileset lacks (and all of them
// with a font) are drawn as rectangles reaching the cell's edges (see CellGlyphs.h).
class CellBatch
{
public:
    CellBatch() : vertices(sf::Triangles) {}

    // The font of the glyphs and the colour of the cell backgrounds.
    sf::Font font;
    sf::Color background;

    // Ready for glyphs of `size` in a window of the given pixels, nothing collected; the
    // whole window counts as drawn until it is first cleared. Returns -1 when the record of
    // drawn pixels cannot be allocated.
    int prepare(unsigned size, int horizontalPixels, int verticalPixels);

    // Makes the glyphs come from the PNG tileset `file`: 16 x 16 tiles in the layout of code
    // page 437, white glyphs on transparency, or (when no pixel is transparent) light glyphs on
    // black, whose brightness becomes their opacity. Each tile is coloured by its character's
    // colour. Returns 0, or -1 with `reason` set when the file cannot be read or its sides are
    // not multiples of 16.
    int loadTileset(const std::string& file, std::string& reason);

    // Makes the glyphs come from the font again (as after construction).
    void useFont()
    {
        tileset = false;
        tiles.reset();
        whiteTexel = sf::Vector2f(1.0f, 1.0f);
    }

    // True when the glyphs come from a tileset.
    bool hasTileset() const { return tileset; }

    // Appends the background and glyph triangles of one character (a code point) of the given
    // cell size whose glyph is placed at pixel (x, y) of `target`, exactly where the
    // per-character rectangle and text would put them. With a tileset the cell is the box
    // (x, y) by (cellWidth, cellHeight) and its tile fills it.
    void addCell(const sf::RenderTarget& target, float x, float y, float cellWidth, float cellHeight, char32_t ch,
                 sf::Color color);

    // True when so much is collected that it should be drawn now.
    bool isFull() const;

    // Draws what was collected, if anything, into `target`; true when a draw call was made.
    bool draw(sf::RenderTarget& target);

    // Drops what was collected.
    void discard() { vertices.clear(); }

    // Something other than collected characters was (or may be) drawn into the window.
    void markWholeWindowDrawn() { wholeWindowDrawn = true; }

    // The window was just cleared to the background colour.
    void markAllClean();

private:
    // A rectangle of window pixels; empty when left >= right.
    struct PixelBox
    {
        float left = 0, top = 0, right = 0, bottom = 0;
    };
    void markDrawn(PixelBox box);
    PixelBox drawnWithin(PixelBox box) const;
    // The place in drawnTiles of the tile at `row` and `column`.
    std::size_t tileIndex(int row, int column) const
    {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(tileColumns) + static_cast<std::size_t>(column);
    }
    // Whether pixel positions are the target's pixels (its own view, not resized).
    static bool pixelsAreWindowPixels(const sf::RenderTarget& target);
    // Appends a background rectangle (or the parts of it that must be painted).
    void addBackground(const float* view, float left, float top, float cellWidth, float cellHeight);
    // Appends the rectangles of a box-drawing, block or shade character in the cell box.
    void addCellGlyph(const float* view, char32_t ch, float left, float top, float cellWidth, float cellHeight,
                      sf::Color color);

    unsigned characterSize = 0;
    // The tileset's tiles, above two rows of white for the plain-coloured rectangles. Made only
    // when a tileset is loaded: a texture needs the display, which headless mode never opens.
    std::unique_ptr<sf::Texture> tiles;
    bool tileset = false;
    sf::Vector2f tileSize;
    // Where the texture in use is plain white: the glyph page's corner or the tiles' last rows.
    sf::Vector2f whiteTexel{1.0f, 1.0f};
    sf::VertexArray vertices;
    // Leaves positions as they are: the collected vertices are in clip coordinates.
    sf::View clipView{sf::Vector2f(0.0f, 0.0f), sf::Vector2f(2.0f, -2.0f)};
    bool wholeWindowDrawn = true;
    std::vector<PixelBox> drawnTiles;
    int tileColumns = 0;
    int tileRows = 0;
};

} // namespace qm

#endif
