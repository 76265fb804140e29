// The display manager's collected drawing. Private to the engine.
#ifndef QM_CELLBATCH_H
#define QM_CELLBATCH_H

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/VertexArray.hpp>
#include <SFML/Graphics/View.hpp>
#include <SFML/System/String.hpp>

#include <vector>

namespace sf
{
class RenderWindow;
} // namespace sf

namespace qm
{

// The characters of a frame collected into one vertex array (background and glyph of each
// cell, in drawing order) and drawn with one call, and the record of which window pixels may
// differ from the background colour since the window was last cleared: glyphs drawn are
// noted by tiles (the box of what each tile received); anything else drawn into the window
// makes the whole window count. Backgrounds are then painted only where something shows.
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

    // Appends the background and glyph triangles of one character, the code point `ch`, of
    // the given cell size whose glyph is placed at pixel (x, y) of `window`, exactly where the
    // per-character rectangle and text would put them.
    void addCell(const sf::RenderWindow& window, float x, float y, float cellWidth, float cellHeight, char32_t ch,
                 sf::Color color);

    // True when so much is collected that it should be drawn now.
    bool isFull() const;

    // Draws what was collected, if anything, into `window`; true when a draw call was made.
    bool draw(sf::RenderWindow& window);

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
    // Whether pixel positions are window pixels (the window's own view, not resized).
    static bool pixelsAreWindowPixels(const sf::RenderWindow& window);

    unsigned characterSize = 0;
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
