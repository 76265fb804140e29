// The one-call drawing of a frame's characters and its record of the pixels drawn on.
#include "presentation/CellBatch.h"

#include "presentation/CellGlyphs.h"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RenderStates.hpp>
#include <SFML/Graphics/RenderTarget.hpp>
#include <SFML/Graphics/Texture.hpp>

#include <algorithm>
#include <cmath>
#include <exception>

namespace qm
{

namespace
{
// The collected characters are drawn once this many vertices (12 per character) are waiting,
// which bounds the memory a frame of any size can take; order is kept, so nothing changes.
constexpr std::size_t MAX_BATCH_VERTICES = std::size_t{12} * 8192;

// Tiles of a tileset per row and per column.
constexpr unsigned TILESET_TILES = 16;

// The text renderer places a glyph's quad one pixel beyond the glyph's bounds on each side
// and samples the page one pixel beyond the glyph's rectangle; the same is done here.
constexpr float GLYPH_PADDING = 1.0f;

// Side of the square tiles by which the pixels drawn in a frame are noted.
constexpr int TILE_PIXELS = 32;

// Where the graphics pipeline puts the local point (x, y) of something drawn at `corner`
// with the window's `view`: its clip coordinates, computed with the very roundings of the
// per-character method, whose model-view (a translation to the corner) and projection are
// combined into one matrix first and then applied to the local point. Collected characters
// are given these coordinates directly (with a view that leaves them unchanged), so that they
// land on exactly the same pixels and sample exactly the same texels.
class CornerTransform
{
public:
    CornerTransform(const float* view, float cornerX, float cornerY)
        : m0(view[0]), m4(view[4]), m1(view[1]), m5(view[5]), m12(view[0] * cornerX + view[4] * cornerY + view[12]),
          m13(view[1] * cornerX + view[5] * cornerY + view[13])
    {
    }
    sf::Vector2f operator()(float x, float y) const
    {
        return sf::Vector2f(m0 * x + m4 * y + m12, m1 * x + m5 * y + m13);
    }

private:
    float m0, m4, m1, m5, m12, m13;
};
} // namespace

int CellBatch::prepare(unsigned size, int horizontalPixels, int verticalPixels)
{
    characterSize = size;
    vertices.clear();
    tileColumns = (horizontalPixels + TILE_PIXELS - 1) / TILE_PIXELS;
    tileRows = (verticalPixels + TILE_PIXELS - 1) / TILE_PIXELS;
    try
    {
        drawnTiles.assign(static_cast<std::size_t>(tileColumns) * static_cast<std::size_t>(tileRows), PixelBox{});
    }
    catch (const std::exception&)
    {
        return -1;
    }
    wholeWindowDrawn = true; // until the first clear
    return 0;
}

bool CellBatch::isFull() const
{
    return vertices.getVertexCount() >= MAX_BATCH_VERTICES;
}

int CellBatch::loadTileset(const std::string& file, std::string& reason)
{
    sf::Image image;
    if (!image.loadFromFile(file))
    {
        reason = "not a readable image";
        return -1;
    }
    const sf::Vector2u size = image.getSize();
    if (size.x < TILESET_TILES || size.y < TILESET_TILES || size.x % TILESET_TILES != 0 || size.y % TILESET_TILES != 0)
    {
        reason = "its " + std::to_string(size.x) + " x " + std::to_string(size.y) + " pixels are not 16 x 16 tiles";
        return -1;
    }
    bool transparent = false;
    for (unsigned y = 0; y < size.y && !transparent; ++y)
    {
        for (unsigned x = 0; x < size.x && !transparent; ++x)
        {
            transparent = image.getPixel(x, y).a < 255;
        }
    }
    sf::Image padded;
    padded.create(size.x, size.y + 2, sf::Color::White);
    for (unsigned y = 0; y < size.y; ++y)
    {
        for (unsigned x = 0; x < size.x; ++x)
        {
            sf::Color pixel = image.getPixel(x, y);
            if (!transparent)
            {
                // Light on black: the brightness is how much of the character's colour shows.
                pixel = sf::Color(255, 255, 255, std::max({pixel.r, pixel.g, pixel.b}));
            }
            padded.setPixel(x, y, pixel);
        }
    }
    auto texture = std::make_unique<sf::Texture>();
    if (!texture->loadFromImage(padded))
    {
        reason = "too large for a texture";
        return -1;
    }
    texture->setSmooth(false);
    tiles = std::move(texture);
    tileSize = sf::Vector2f(static_cast<float>(size.x / TILESET_TILES), static_cast<float>(size.y / TILESET_TILES));
    whiteTexel = sf::Vector2f(1.0f, static_cast<float>(size.y) + 1.0f);
    tileset = true;
    return 0;
}

void CellBatch::addBackground(const float* view, float left, float top, float cellWidth, float cellHeight)
{
    const CornerTransform cell(view, left, top);
    if (wholeWindowDrawn)
    {
        // The background rectangle: a cell at its corner, as two triangles.
        const sf::Vector2f corners[4] = {cell(0, 0), cell(cellWidth, 0), cell(cellWidth, cellHeight),
                                         cell(0, cellHeight)};
        for (const int corner : {0, 1, 2, 0, 2, 3})
        {
            vertices.append(sf::Vertex(corners[corner], background, whiteTexel));
        }
        return;
    }
    // The window was cleared to the background colour, so the rectangle changes only the
    // pixels something was drawn on since. Where nothing was, it is left out; otherwise
    // only the whole pixel columns and rows around what was drawn are painted: their
    // pixels are exactly those the whole rectangle covers there (pixel centres lie half
    // a pixel away from the cut), and in the same colour.
    const PixelBox box{left, top, cellWidth + left, cellHeight + top};
    const PixelBox drawn = drawnWithin(box);
    if (drawn.left < drawn.right)
    {
        const sf::Vector2f corner = cell(0, 0);
        const sf::Vector2f opposite = cell(cellWidth, cellHeight);
        const float cutLeft = std::floor(drawn.left), cutRight = std::ceil(drawn.right);
        const float cutTop = std::floor(drawn.top), cutBottom = std::ceil(drawn.bottom);
        const float x0 = cutLeft > box.left ? view[0] * cutLeft + view[12] : corner.x;
        const float x1 = cutRight < box.right ? view[0] * cutRight + view[12] : opposite.x;
        const float y0 = cutTop > box.top ? view[5] * cutTop + view[13] : corner.y;
        const float y1 = cutBottom < box.bottom ? view[5] * cutBottom + view[13] : opposite.y;
        const sf::Vector2f corners[4] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
        for (const int index : {0, 1, 2, 0, 2, 3})
        {
            vertices.append(sf::Vertex(corners[index], background, whiteTexel));
        }
    }
}

void CellBatch::addCellGlyph(const float* view, char32_t ch, float left, float top, float cellWidth, float cellHeight,
                             sf::Color color)
{
    GlyphQuad quads[MAX_GLYPH_QUADS];
    const int count = cellGlyphQuads(ch, left, top, cellWidth, cellHeight, quads);
    const CornerTransform at(view, 0.0f, 0.0f);
    for (int i = 0; i < count; ++i)
    {
        const GlyphQuad& quad = quads[i];
        const sf::Color shade(color.r, color.g, color.b, quad.alpha);
        for (const int corner : {0, 1, 2, 0, 2, 3})
        {
            vertices.append(sf::Vertex(at(quad.x[corner], quad.y[corner]), shade, whiteTexel));
        }
    }
    if (count > 0 && !wholeWindowDrawn)
    {
        markDrawn({left - 1.0f, top - 1.0f, left + cellWidth + 1.0f, top + cellHeight + 1.0f});
    }
}

void CellBatch::addCell(const sf::RenderTarget& target, float x, float y, float cellWidth, float cellHeight,
                        char32_t ch, sf::Color color)
{
    const float* view = target.getView().getTransform().getMatrix();
    if (!wholeWindowDrawn && !pixelsAreWindowPixels(target))
    {
        wholeWindowDrawn = true;
    }
    if (tileset)
    {
        // The cell is its box on the grid and its tile fills it; the code page's box-drawing
        // characters come from the tiles, the other ones are drawn as rectangles.
        addBackground(view, x, y, cellWidth, cellHeight);
        int place = cp437Place(ch);
        if (place < 0 && isCellGlyph(ch))
        {
            addCellGlyph(view, ch, x, y, cellWidth, cellHeight, color);
            return;
        }
        place = place < 0 ? '?' : place;
        if (place == ' ' || place == 0)
        {
            return;
        }
        const float u = static_cast<float>(place % 16) * tileSize.x;
        const float v = static_cast<float>(place / 16) * tileSize.y;
        const CornerTransform tileAt(view, x, y);
        const sf::Vertex corners[4] = {
            sf::Vertex(tileAt(0, 0), color, sf::Vector2f(u, v)),
            sf::Vertex(tileAt(cellWidth, 0), color, sf::Vector2f(u + tileSize.x, v)),
            sf::Vertex(tileAt(cellWidth, cellHeight), color, sf::Vector2f(u + tileSize.x, v + tileSize.y)),
            sf::Vertex(tileAt(0, cellHeight), color, sf::Vector2f(u, v + tileSize.y))};
        for (const int corner : {0, 1, 2, 0, 2, 3})
        {
            vertices.append(corners[corner]);
        }
        return;
    }

    const float left = x - cellWidth / 10.0f;
    const float top = y + cellHeight / 5.0f;
    addBackground(view, left, top, cellWidth, cellHeight);
    if (isCellGlyph(ch))
    {
        // Box-drawing, block and shade characters fill the cell's box to its edges.
        addCellGlyph(view, ch, left, top, cellWidth, cellHeight, color);
        return;
    }

    // One code point, laid out as the text renderer lays out a string of it: a blank
    // advances without a quad, every other code point is a quad of its bold glyph on the
    // base line.
    const CornerTransform glyphAt(view, x, y);
    const auto code = static_cast<sf::Uint32>(ch);
    if (code == L' ' || code == L'\n' || code == L'\t' || code == L'\r')
    {
        return;
    }
    const float penY = static_cast<float>(characterSize);
    const sf::Glyph& glyph = font.getGlyph(code, characterSize, true);
    const float glyphLeft = glyph.bounds.left - GLYPH_PADDING;
    const float glyphTop = penY + (glyph.bounds.top - GLYPH_PADDING);
    const float glyphRight = glyph.bounds.left + glyph.bounds.width + GLYPH_PADDING;
    const float glyphBottom = penY + (glyph.bounds.top + glyph.bounds.height + GLYPH_PADDING);
    const float u1 = static_cast<float>(glyph.textureRect.left) - GLYPH_PADDING;
    const float v1 = static_cast<float>(glyph.textureRect.top) - GLYPH_PADDING;
    const float u2 = static_cast<float>(glyph.textureRect.left + glyph.textureRect.width) + GLYPH_PADDING;
    const float v2 = static_cast<float>(glyph.textureRect.top + glyph.textureRect.height) + GLYPH_PADDING;
    const sf::Vertex topLeft(glyphAt(glyphLeft, glyphTop), color, sf::Vector2f(u1, v1));
    const sf::Vertex topRight(glyphAt(glyphRight, glyphTop), color, sf::Vector2f(u2, v1));
    const sf::Vertex bottomLeft(glyphAt(glyphLeft, glyphBottom), color, sf::Vector2f(u1, v2));
    const sf::Vertex bottomRight(glyphAt(glyphRight, glyphBottom), color, sf::Vector2f(u2, v2));
    // The text renderer's two triangles, in its order.
    for (const sf::Vertex* vertex : {&topLeft, &topRight, &bottomLeft, &bottomLeft, &topRight, &bottomRight})
    {
        vertices.append(*vertex);
    }
    if (!wholeWindowDrawn)
    {
        // A pixel beyond the quad on each side, for the rounding of its edges.
        markDrawn({glyphLeft + x - 1.0f, glyphTop + y - 1.0f, glyphRight + x + 1.0f, glyphBottom + y + 1.0f});
    }
}

bool CellBatch::draw(sf::RenderTarget& target)
{
    if (vertices.getVertexCount() == 0)
    {
        return false;
    }
    sf::RenderStates states;
    states.texture = tileset ? tiles.get() : &font.getTexture(characterSize);
    // The vertices are clip coordinates already (see CornerTransform); the viewport stays.
    const sf::View view = target.getView();
    sf::View clip = clipView;
    clip.setViewport(view.getViewport());
    target.setView(clip);
    target.draw(vertices, states);
    target.setView(view);
    vertices.clear();
    return true;
}

bool CellBatch::pixelsAreWindowPixels(const sf::RenderTarget& target)
{
    // With the target's own view, unresized, a pixel position is a pixel of the target.
    const sf::View& view = target.getView();
    const sf::View& standard = target.getDefaultView();
    const float* matrix = view.getTransform().getMatrix();
    return std::equal(matrix, matrix + 16, standard.getTransform().getMatrix()) &&
           view.getViewport() == standard.getViewport() &&
           static_cast<float>(target.getSize().x) == standard.getSize().x &&
           static_cast<float>(target.getSize().y) == standard.getSize().y;
}

void CellBatch::markDrawn(PixelBox box)
{
    box.left = std::max(box.left, 0.0f);
    box.top = std::max(box.top, 0.0f);
    box.right = std::min(box.right, static_cast<float>(tileColumns * TILE_PIXELS));
    box.bottom = std::min(box.bottom, static_cast<float>(tileRows * TILE_PIXELS));
    if (!(box.left < box.right && box.top < box.bottom))
    {
        return;
    }
    const int firstColumn = static_cast<int>(box.left) / TILE_PIXELS;
    const int lastColumn = std::min(tileColumns - 1, static_cast<int>(box.right) / TILE_PIXELS);
    const int firstRow = static_cast<int>(box.top) / TILE_PIXELS;
    const int lastRow = std::min(tileRows - 1, static_cast<int>(box.bottom) / TILE_PIXELS);
    for (int row = firstRow; row <= lastRow; ++row)
    {
        for (int column = firstColumn; column <= lastColumn; ++column)
        {
            const float tileLeft = static_cast<float>(column * TILE_PIXELS);
            const float tileTop = static_cast<float>(row * TILE_PIXELS);
            const PixelBox part{std::max(box.left, tileLeft), std::max(box.top, tileTop),
                                std::min(box.right, tileLeft + TILE_PIXELS),
                                std::min(box.bottom, tileTop + TILE_PIXELS)};
            PixelBox& tile = drawnTiles[tileIndex(row, column)];
            if (!(part.left < part.right && part.top < part.bottom))
            {
                continue;
            }
            tile = tile.left < tile.right
                       ? PixelBox{std::min(tile.left, part.left), std::min(tile.top, part.top),
                                  std::max(tile.right, part.right), std::max(tile.bottom, part.bottom)}
                       : part;
        }
    }
}

CellBatch::PixelBox CellBatch::drawnWithin(PixelBox box) const
{
    PixelBox found;
    const int firstColumn = std::max(0, static_cast<int>(std::floor(box.left)) / TILE_PIXELS);
    const int lastColumn = std::min(tileColumns - 1, static_cast<int>(std::max(0.0f, box.right)) / TILE_PIXELS);
    const int firstRow = std::max(0, static_cast<int>(std::floor(box.top)) / TILE_PIXELS);
    const int lastRow = std::min(tileRows - 1, static_cast<int>(std::max(0.0f, box.bottom)) / TILE_PIXELS);
    for (int row = firstRow; row <= lastRow; ++row)
    {
        for (int column = firstColumn; column <= lastColumn; ++column)
        {
            const PixelBox& tile = drawnTiles[tileIndex(row, column)];
            const PixelBox part{std::max(box.left, tile.left), std::max(box.top, tile.top),
                                std::min(box.right, tile.right), std::min(box.bottom, tile.bottom)};
            if (!(part.left < part.right && part.top < part.bottom))
            {
                continue;
            }
            found = found.left < found.right
                        ? PixelBox{std::min(found.left, part.left), std::min(found.top, part.top),
                                   std::max(found.right, part.right), std::max(found.bottom, part.bottom)}
                        : part;
        }
    }
    return found;
}

void CellBatch::markAllClean()
{
    std::fill(drawnTiles.begin(), drawnTiles.end(), PixelBox{});
    wholeWindowDrawn = false;
}

} // namespace qm
