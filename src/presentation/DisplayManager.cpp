#include "platform/Platform.h"
#include "presentation/Screenshot.h"
#include "presentation/TerminalDisplay.h"

#include <qm/Config.h>
#include <qm/DisplayManager.h>
#include <qm/LogManager.h>
#include <qm/utility.h>

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Text.hpp>
#include <SFML/Graphics/Texture.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qm
{

namespace
{
// Glyph sizes outside this range are a configuration mistake (a huge or negative
// font_scale); they are clamped so that the text renderer gets a sane size.
constexpr float MIN_CHARACTER_SIZE = 1.0f;
constexpr float MAX_CHARACTER_SIZE = 1024.0f;

// A glyph can reach beyond its own cell (its size is font_scale times the cell), so cells
// are culled only when they lie this many cells outside the window.
constexpr float CULL_MARGIN = 2.0f;

// The collected characters are drawn once this many vertices (12 per character) are waiting,
// which bounds the memory a frame of any size can take; order is kept, so nothing changes.
constexpr std::size_t MAX_BATCH_VERTICES = 12 * 8192;

// Texture coordinates (page pixels) of the centre of the 2 x 2 opaque white square the glyph
// page keeps in its corner: a quad sampling only this point is drawn in its plain colour.
const sf::Vector2f WHITE_TEXEL(1.0f, 1.0f);

// The text renderer places a glyph's quad one pixel beyond the glyph's bounds on each side
// and samples the page one pixel beyond the glyph's rectangle; the same is done here.
constexpr float GLYPH_PADDING = 1.0f;

// Side of the square tiles by which the pixels drawn in a frame are noted.
constexpr int TILE_PIXELS = 32;

int notStarted()
{
    LogManager::getInstance().writeLog("%s not started!", "DisplayManager");
    return -1;
}
} // namespace

DisplayManager::DisplayManager() : batch(sf::Triangles)
{
    setType("DisplayManager");
}

DisplayManager::~DisplayManager() = default;

DisplayManager& DisplayManager::getInstance()
{
    static DisplayManager instance;
    return instance;
}

float charWidth()
{
    const DisplayManager& display = DisplayManager::getInstance();
    return static_cast<float>(display.getHorizontalPixels()) / static_cast<float>(display.getHorizontal());
}

float charHeight()
{
    const DisplayManager& display = DisplayManager::getInstance();
    return static_cast<float>(display.getVerticalPixels()) / static_cast<float>(display.getVertical());
}

Vector spacesToPixels(Vector spaces)
{
    const Vector pixels(spaces.getX() * charWidth(), spaces.getY() * charHeight());
    LogManager::getInstance().writeLog(30, "spacesToPixels(int): spaces (%.2f,%.2f) = pixels (%.2f,%.2f)",
                                       spaces.getX(), spaces.getY(), pixels.getX(), pixels.getY());
    return pixels;
}

Vector pixelsToSpaces(Vector pixels)
{
    const Vector spaces(pixels.getX() / charWidth(), pixels.getY() / charHeight());
    LogManager::getInstance().writeLog(30, "pixelsToSpaces(): pixels (%.2f,%.2f) = spaces (%.2f,%.2f)", pixels.getX(),
                                       pixels.getY(), spaces.getX(), spaces.getY());
    return spaces;
}

int DisplayManager::startUp()
{
    LogManager& log = LogManager::getInstance();
    if (isStarted())
    {
        log.writeLog("DisplayManager::startUp(): Already started.");
        return 0;
    }
    const Config& config = Config::getInstance();
    horizontalPixels = config.getWindowHorizontalPixels();
    verticalPixels = config.getWindowVerticalPixels();
    horizontalChars = config.getWindowHorizontalChars();
    verticalChars = config.getWindowVerticalChars();
    cellBackground = CellColor::engine(config.getWindowBackgroundColor());
    drawingCells.resize(horizontalChars, verticalChars, cellBackground);
    shownCells.resize(horizontalChars, verticalChars, cellBackground);

    if (config.getHeadless())
    {
        log.writeLog(1, "DisplayManager::startUp(): not doing graphics since in headless mode.");
    }
    else if (config.getDisplay() == "terminal")
    {
        terminal = std::make_unique<TerminalDisplay>();
        if (terminal->start(horizontalChars, verticalChars) != 0)
        {
            terminal.reset();
            return -1;
        }
    }
    else
    {
        // The window library aborts the process when it cannot reach the display, so the
        // refusal has to happen before the window is created.
        if (!platform::holdDisplay())
        {
            log.writeLog("DisplayManager::startUp(): Unable to allocate window!");
            log.writeLog("DisplayManager::startUp(): No display could be opened (is DISPLAY set?); "
                         "\"headless:true\" in the configuration runs without a window.");
            return -1;
        }
        const sf::VideoMode desktop = sf::VideoMode::getDesktopMode();
        log.writeLog(5, "DisplayManager::startUp(): window resolution (%d, %d) pixels.",
                     static_cast<int>(desktop.width), static_cast<int>(desktop.height));

        window = std::make_unique<sf::RenderWindow>(
            sf::VideoMode(static_cast<unsigned>(horizontalPixels), static_cast<unsigned>(verticalPixels), 32),
            sf::String(config.getWindowTitle()), static_cast<sf::Uint32>(config.getWindowStyle()),
            sf::ContextSettings());
        if (!window->isOpen())
        {
            window.reset();
            log.writeLog("DisplayManager::startUp(): Unable to allocate window!");
            return -1;
        }
        window->setMouseCursorVisible(config.getShowMouse());
        window->setVerticalSyncEnabled(true);

        if (!font.loadFromFile(config.getFontFile()))
        {
            log.writeLog("DisplayManager::startUp(): Unable to load font from file '%s'.",
                         config.getFontFile().c_str());
            return -1;
        }
        rectangle = std::make_unique<sf::RectangleShape>(sf::Vector2f(charWidth(), charHeight()));
        text = std::make_unique<sf::Text>();
        text->setFont(font);
        text->setStyle(sf::Text::Bold);
        const float size = config.getFontScale() * std::min(charWidth(), charHeight());
        text->setCharacterSize(static_cast<unsigned>(
            std::isfinite(size) ? std::clamp(size, MIN_CHARACTER_SIZE, MAX_CHARACTER_SIZE) : MIN_CHARACTER_SIZE));
        backgroundColor = colorToSFML(config.getWindowBackgroundColor());
        rectangle->setFillColor(backgroundColor);

        // Collected characters are drawn with the glyph page as their one texture: glyphs
        // sample their own rectangles, backgrounds the page's white corner. Glyphs keep their
        // place in the page when it grows (coordinates are page pixels), so what was
        // collected before a new glyph was loaded stays valid within the frame.
        characterSize = text->getCharacterSize();
        charStrings.clear();
        for (int c = 0; c < 256; ++c)
        {
            charStrings.emplace_back(std::string(1, static_cast<char>(c)));
        }
        const sf::Image page = font.getTexture(characterSize).copyToImage();
        glyphPageHasWhite = page.getSize().x >= 2 && page.getSize().y >= 2;
        for (unsigned y = 0; glyphPageHasWhite && y < 2; ++y)
        {
            for (unsigned x = 0; x < 2; ++x)
            {
                glyphPageHasWhite = glyphPageHasWhite && page.getPixel(x, y) == sf::Color::White;
            }
        }
        if (config.getBatchDrawing() && !glyphPageHasWhite)
        {
            log.writeLog("DisplayManager::startUp(): The glyph page has no white corner; drawing cell by cell.");
        }
        batched = config.getBatchDrawing() && glyphPageHasWhite;
        batch.clear();
        tileColumns = (horizontalPixels + TILE_PIXELS - 1) / TILE_PIXELS;
        tileRows = (verticalPixels + TILE_PIXELS - 1) / TILE_PIXELS;
        drawnTiles.assign(static_cast<std::size_t>(tileColumns) * static_cast<std::size_t>(tileRows), PixelBox{});
        wholeWindowDrawn = true; // until the first clear
    }

    Manager::startUp();
    log.writeLog(5, "DisplayManager::startUp(): successfully started.");
    return 0;
}

void DisplayManager::shutDown()
{
    if (terminal)
    {
        terminal->stop();
        terminal.reset();
    }
    drawingCells.resize(0, 0, cellBackground);
    if (window)
    {
        window->close();
        window.reset();
    }
    text.reset();
    rectangle.reset();
    batch.clear();
    characters = 0;
    drawCalls = 0;
    platform::releaseDisplay();
    Manager::shutDown();
    LogManager::getInstance().writeLog(1, "DisplayManager::shutDown(): successfully stopped.");
}

int DisplayManager::drawCh(Vector position, char ch, std::uint8_t r, std::uint8_t g, std::uint8_t b) const
{
    if (!isStarted())
    {
        return notStarted();
    }
    putCell(position, ch, CellColor::rgb(r, g, b));
    if (!window)
    {
        return terminal ? 0 : -1;
    }
    const Vector cell = worldToView(position);
    if (cell.getX() < -CULL_MARGIN || cell.getY() < -CULL_MARGIN ||
        cell.getX() > static_cast<float>(horizontalChars) + CULL_MARGIN ||
        cell.getY() > static_cast<float>(verticalChars) + CULL_MARGIN)
    {
        return 0; // nothing of it would show
    }
    const Vector pixel = spacesToPixels(cell);
    ++characters;
    if (batched)
    {
        addCell(pixel.getX(), pixel.getY(), ch, sf::Color(r, g, b, 255));
        if (batch.getVertexCount() >= MAX_BATCH_VERTICES)
        {
            drawPending();
        }
        return 0;
    }
    const float cellWidth = charWidth();
    const float cellHeight = charHeight();

    // The glyph sits a little right of and above its cell background; the offsets keep
    // the bold glyph visually centred in the cell.
    rectangle->setPosition(pixel.getX() - cellWidth / 10.0f, pixel.getY() + cellHeight / 5.0f);
    window->draw(*rectangle);

    text->setString(sf::String(std::string(1, ch)));
    text->setPosition(pixel.getX(), pixel.getY());
    text->setFillColor(sf::Color(r, g, b, 255));
    window->draw(*text);
    wholeWindowDrawn = true;
    drawCalls += 2;
    return 0;
}

namespace
{
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

void DisplayManager::addCell(float x, float y, char ch, sf::Color color) const
{
    const float* view = window->getView().getTransform().getMatrix();
    const float cellWidth = charWidth();
    const float cellHeight = charHeight();
    const float left = x - cellWidth / 10.0f;
    const float top = y + cellHeight / 5.0f;
    const CornerTransform cell(view, left, top);
    const bool windowPixels = !wholeWindowDrawn && pixelsAreWindowPixels();
    if (!windowPixels)
    {
        wholeWindowDrawn = true;
        // The background rectangle: a cell at its corner, as two triangles.
        const sf::Vector2f corners[4] = {cell(0, 0), cell(cellWidth, 0), cell(cellWidth, cellHeight),
                                         cell(0, cellHeight)};
        for (const int corner : {0, 1, 2, 0, 2, 3})
        {
            batch.append(sf::Vertex(corners[corner], backgroundColor, WHITE_TEXEL));
        }
    }
    else
    {
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
                batch.append(sf::Vertex(corners[index], backgroundColor, WHITE_TEXEL));
            }
        }
    }

    // One string of one char, laid out as the text renderer lays it out: blanks advance
    // without a quad, every other code point is a quad of its bold glyph on the base line.
    const CornerTransform glyphAt(view, x, y);
    const sf::String& string = charStrings[static_cast<unsigned char>(ch)];
    float penX = 0.0f;
    const float penY = static_cast<float>(characterSize);
    for (std::size_t i = 0; i < string.getSize(); ++i)
    {
        const sf::Uint32 code = string[i];
        if (code == L' ' || code == L'\n' || code == L'\t' || code == L'\r')
        {
            break; // nothing visible follows in a one-char string
        }
        const sf::Glyph& glyph = font.getGlyph(code, characterSize, true);
        const float glyphLeft = penX + (glyph.bounds.left - GLYPH_PADDING);
        const float glyphTop = penY + (glyph.bounds.top - GLYPH_PADDING);
        const float glyphRight = penX + (glyph.bounds.left + glyph.bounds.width + GLYPH_PADDING);
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
            batch.append(*vertex);
        }
        if (!wholeWindowDrawn)
        {
            // A pixel beyond the quad on each side, for the rounding of its edges.
            markDrawn({glyphLeft + x - 1.0f, glyphTop + y - 1.0f, glyphRight + x + 1.0f, glyphBottom + y + 1.0f});
        }
        penX += glyph.advance;
    }
}

void DisplayManager::drawPending() const
{
    if (window && batch.getVertexCount() > 0)
    {
        sf::RenderStates states;
        states.texture = &font.getTexture(characterSize);
        // The vertices are clip coordinates already (see CornerTransform).
        const sf::View view = window->getView();
        window->setView(clipView);
        window->draw(batch, states);
        window->setView(view);
        ++drawCalls;
        batch.clear();
    }
}

bool DisplayManager::pixelsAreWindowPixels() const
{
    // With the window's own view, unresized, a pixel position is a window pixel.
    const sf::View& view = window->getView();
    const sf::View& standard = window->getDefaultView();
    return std::memcmp(view.getTransform().getMatrix(), standard.getTransform().getMatrix(), 16 * sizeof(float)) == 0 &&
           view.getViewport() == standard.getViewport() &&
           static_cast<float>(window->getSize().x) == standard.getSize().x &&
           static_cast<float>(window->getSize().y) == standard.getSize().y;
}

void DisplayManager::markDrawn(PixelBox box) const
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
            PixelBox& tile = drawnTiles[static_cast<std::size_t>(row * tileColumns + column)];
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

DisplayManager::PixelBox DisplayManager::drawnWithin(PixelBox box) const
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
            const PixelBox& tile = drawnTiles[static_cast<std::size_t>(row * tileColumns + column)];
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

void DisplayManager::markAllClean() const
{
    std::fill(drawnTiles.begin(), drawnTiles.end(), PixelBox{});
    wholeWindowDrawn = false;
}

int DisplayManager::flush() const
{
    if (!isStarted())
    {
        return notStarted();
    }
    if (!window)
    {
        return -1;
    }
    drawPending();
    return 0;
}

int DisplayManager::drawIntoWindow(const sf::Drawable& drawable, const sf::RenderStates& states) const
{
    if (flush() != 0)
    {
        return -1;
    }
    window->draw(drawable, states);
    wholeWindowDrawn = true;
    ++drawCalls;
    return 0;
}

sf::RenderWindow* DisplayManager::getWindow() const
{
    drawPending();
    wholeWindowDrawn = true;
    return window.get();
}

sf::Window* DisplayManager::getInputWindow() const
{
    return window.get();
}

void DisplayManager::setBatched(bool on)
{
    drawPending();
    batched = on && glyphPageHasWhite;
}

int DisplayManager::drawCh(Vector position, char ch, int color) const
{
    if (Config::getInstance().getHeadless())
    {
        putCell(position, ch, CellColor::engine(color));
        return -1;
    }
    std::uint8_t r = 255, g = 255, b = 255;
    colorToRGB(color, r, g, b);
    const int result = drawCh(position, ch, r, g, b);
    // The grid keeps the engine colour, not its red, green and blue.
    putCell(position, ch, CellColor::engine(color));
    return result;
}

void DisplayManager::putCell(Vector position, char ch, CellColor color) const
{
    if (drawingCells.getWidth() > 0)
    {
        drawingCells.put(worldToView(position), static_cast<unsigned char>(ch), color, cellBackground);
    }
}

void DisplayManager::fillCells(const std::vector<Vector>& corners, CellColor color) const
{
    drawingCells.fillInside(corners, color);
}

int DisplayManager::drawString(Vector position, std::string str, Justification justification, int color) const
{
    if (!isStarted())
    {
        return notStarted();
    }
    const int length = static_cast<int>(str.size());
    float startX = position.getX();
    if (justification == CENTER)
    {
        startX -= static_cast<float>(length / 2);
    }
    else if (justification == RIGHT)
    {
        startX -= static_cast<float>(length);
    }
    for (int i = 0; i < length; ++i)
    {
        drawCh(Vector(startX + static_cast<float>(i), position.getY()), str[static_cast<std::size_t>(i)], color);
    }
    return window || terminal ? 0 : -1;
}

void DisplayManager::takeScreenshotIfAsked()
{
    if (screenshotAsked)
    {
        screenshotAsked = false;
        (void)saveScreenshot(window.get(), shownCells);
    }
}

int DisplayManager::swapBuffers()
{
    if (!isStarted())
    {
        return notStarted();
    }
    std::swap(shownCells, drawingCells);
    drawingCells.clear(cellBackground);
    if (terminal)
    {
        terminal->show(shownCells);
        takeScreenshotIfAsked();
        return 0;
    }
    if (!window)
    {
        takeScreenshotIfAsked();
        return -1;
    }
    drawPending();
    takeScreenshotIfAsked(); // before display(): the frame is still in the window
    window->display();
    window->clear(backgroundColor);
    markAllClean();
    frameDrawCalls = drawCalls;
    drawCalls = 0;
    frameCharacters = characters;
    characters = 0;
    return 0;
}

} // namespace qm
