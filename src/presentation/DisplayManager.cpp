#include "core/Utf8.h"
#include "platform/Platform.h"
#include "presentation/CellBatch.h"
#include "presentation/CellGlyphs.h"
#include "presentation/Screenshot.h"
#include "presentation/TerminalDisplay.h"

#include <qm/Config.h>
#include <qm/DisplayManager.h>
#include <qm/EngineCounters.h>
#include <qm/LogManager.h>
#include <qm/utility.h>

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/RenderStates.hpp>
#include <SFML/Graphics/RenderTexture.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Sprite.hpp>
#include <SFML/Graphics/Text.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <SFML/System/String.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

namespace qm
{

namespace
{
// The places the font is looked for, in order: the configured font_file as given, its file
// name in the working folder, its file name in the installed data folder (where the engine's
// package puts the font it ships). Each place once.
std::vector<std::string> fontPlaces(const std::string& configured)
{
    const std::string name = std::filesystem::path(configured).filename().string();
    std::vector<std::string> places{configured};
    for (const std::string& place : {name, std::string(QM_INSTALLED_DATA_DIR) + "/" + name})
    {
        if (!name.empty() && std::find(places.begin(), places.end(), place) == places.end())
        {
            places.push_back(place);
        }
    }
    return places;
}

// The first of the places that is a file; the configured name when none is (its loading
// then fails with the loader's own reason).
std::string findFont(const std::vector<std::string>& places)
{
    for (const std::string& place : places)
    {
        std::error_code error;
        if (std::filesystem::is_regular_file(place, error))
        {
            return place;
        }
    }
    return places.front();
}

// Glyph sizes outside this range are a configuration mistake (a huge or negative
// font_scale); they are clamped so that the text renderer gets a sane size.
constexpr float MIN_CHARACTER_SIZE = 1.0f;
constexpr float MAX_CHARACTER_SIZE = 1024.0f;

// A glyph can reach beyond its own cell (its size is font_scale times the cell), so cells
// are culled only when they lie this many cells outside the window.
constexpr float CULL_MARGIN = 2.0f;

// True when `file` names a bitmap tileset rather than a font: it ends in ".png" (any case).
bool isTilesetFile(const std::string& file)
{
    std::string extension = std::filesystem::path(file).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return extension == ".png";
}

// Where a picture of `picture` pixels is shown in a window of `window` pixels: the largest
// size that fits, a whole multiple unless `fit` (or the window is smaller than the picture),
// centred on whole pixels. Corner in window pixels; the scale in the box's extents.
struct PictureArea
{
    float left = 0, top = 0, scale = 1;
};
PictureArea pictureArea(sf::Vector2u window, float pictureWidth, float pictureHeight, bool fit)
{
    float scale = std::min(static_cast<float>(window.x) / pictureWidth, static_cast<float>(window.y) / pictureHeight);
    if (!fit && scale >= 1.0f)
    {
        scale = std::floor(scale);
    }
    if (!(scale > 0.0f))
    {
        scale = 1.0f; // a window of no size shows nothing anyway
    }
    return PictureArea{std::floor((static_cast<float>(window.x) - pictureWidth * scale) / 2.0f),
                       std::floor((static_cast<float>(window.y) - pictureHeight * scale) / 2.0f), scale};
}

// A drawn char as the text renderer has always converted it (the default locale): the code
// point its glyph is looked up by. Looked up once for every char.
char32_t glyphCode(char ch)
{
    static const std::array<char32_t, 256> codes = []
    {
        std::array<char32_t, 256> table{};
        for (std::size_t c = 0; c < table.size(); ++c)
        {
            const sf::String string(std::string(1, static_cast<char>(c)));
            table[c] = string.isEmpty() ? U'\0' : static_cast<char32_t>(string[0]);
        }
        return table;
    }();
    return codes[static_cast<unsigned char>(ch)];
}

// The configured window title (UTF-8, each malformed sequence as U+FFFD) for the window system.
sf::String titleString(const std::string& title)
{
    const std::u32string codePoints = utf8::decode(title);
    return sf::String::fromUtf32(codePoints.begin(), codePoints.end());
}

int notStarted()
{
    LogManager::getInstance().writeLog("%s not started!", "DisplayManager");
    return -1;
}
} // namespace

DisplayManager::DisplayManager()
    : cells(std::make_unique<CellBatch>()), font(cells->font), backgroundColor(cells->background)
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
                                       static_cast<double>(spaces.getX()), static_cast<double>(spaces.getY()),
                                       static_cast<double>(pixels.getX()), static_cast<double>(pixels.getY()));
    return pixels;
}

Vector pixelsToSpaces(Vector pixels)
{
    const Vector spaces(pixels.getX() / charWidth(), pixels.getY() / charHeight());
    LogManager::getInstance().writeLog(30, "pixelsToSpaces(): pixels (%.2f,%.2f) = spaces (%.2f,%.2f)",
                                       static_cast<double>(pixels.getX()), static_cast<double>(pixels.getY()),
                                       static_cast<double>(spaces.getX()), static_cast<double>(spaces.getY()));
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

        const bool scaled = config.getWindowResizable() || !config.getWindowScaling().empty();
        fitScaling = config.getWindowScaling() == "fit";
        windowStyle = static_cast<std::uint32_t>(config.getWindowStyle()) |
                      (config.getWindowResizable() ? static_cast<std::uint32_t>(sf::Style::Resize) : 0u);
        fullscreen = scaled && config.getWindowStyle() == WINDOW_STYLE_FULLSCREEN;
        windowedWidth = static_cast<unsigned>(horizontalPixels);
        windowedHeight = static_cast<unsigned>(verticalPixels);
        if (!scaled && config.getWindowStyle() == WINDOW_STYLE_FULLSCREEN &&
            (static_cast<unsigned>(horizontalPixels) > desktop.width ||
             static_cast<unsigned>(verticalPixels) > desktop.height))
        {
            // A fullscreen window is at most the screen; the system refuses bigger modes.
            log.writeLog("DisplayManager::startUp(): Warning! A fullscreen window of %d x %d pixels is larger than the "
                         "screen (%d x %d). Using the screen's size.",
                         horizontalPixels, verticalPixels, static_cast<int>(desktop.width),
                         static_cast<int>(desktop.height));
            horizontalPixels = static_cast<int>(desktop.width);
            verticalPixels = static_cast<int>(desktop.height);
        }
        try
        {
            // A scaled fullscreen window has the desktop's size; the picture keeps its own.
            window = std::make_unique<sf::RenderWindow>(
                fullscreen
                    ? desktop
                    : sf::VideoMode(static_cast<unsigned>(horizontalPixels), static_cast<unsigned>(verticalPixels), 32),
                titleString(config.getWindowTitle()), windowStyle, sf::ContextSettings());
        }
        catch (const std::exception& error)
        {
            log.writeLog("DisplayManager::startUp(): Unable to allocate window! (%s)", error.what());
            window.reset();
            return -1;
        }
        if (!window->isOpen())
        {
            window.reset();
            log.writeLog("DisplayManager::startUp(): Unable to allocate window!");
            return -1;
        }
        window->setMouseCursorVisible(config.getShowMouse());
        window->setVerticalSyncEnabled(true);
        if (scaled)
        {
            picture = std::make_unique<sf::RenderTexture>();
            if (!picture->create(static_cast<unsigned>(horizontalPixels), static_cast<unsigned>(verticalPixels)))
            {
                picture.reset();
                log.writeLog("DisplayManager::startUp(): Unable to allocate the picture of %d x %d pixels!",
                             horizontalPixels, verticalPixels);
                return -1;
            }
            picture->clear(colorToSFML(config.getWindowBackgroundColor()));
            log.writeLog(1, "DisplayManager::startUp(): picture of %d x %d pixels scaled to the window (%s).",
                         horizontalPixels, verticalPixels, fitScaling ? "fit" : "integer");
        }

        const std::vector<std::string> places = fontPlaces(config.getFontFile());
        const std::string fontFile = findFont(places);
        cells->useFont(); // until a tileset is loaded, in this start-up
        if (isTilesetFile(fontFile))
        {
            std::string reason;
            if (cells->loadTileset(fontFile, reason) != 0)
            {
                log.writeLog("DisplayManager::startUp(): Unable to load tileset from file '%s': %s.",
                             config.getFontFile().c_str(), reason.c_str());
                return -1;
            }
            log.writeLog(1, "DisplayManager::startUp(): tileset loaded from '%s'.", fontFile.c_str());
        }
        else if (!font.loadFromFile(fontFile))
        {
            log.writeLog("DisplayManager::startUp(): Unable to load font from file '%s'.",
                         config.getFontFile().c_str());
            std::string looked;
            for (const std::string& place : places)
            {
                looked += (looked.empty() ? "'" : ", '") + place + "'";
            }
            log.writeLog("DisplayManager::startUp(): Looked for it at %s.", looked.c_str());
            return -1;
        }
        else
        {
            log.writeLog(1, "DisplayManager::startUp(): font loaded from '%s'.", fontFile.c_str());
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
        const unsigned characterSize = text->getCharacterSize();
        const sf::Image page = cells->hasTileset() ? sf::Image() : font.getTexture(characterSize).copyToImage();
        // A tileset keeps a white strip of its own.
        glyphPageHasWhite = cells->hasTileset() || (page.getSize().x >= 2 && page.getSize().y >= 2);
        for (unsigned y = 0; glyphPageHasWhite && !cells->hasTileset() && y < 2; ++y)
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
        if (cells->prepare(characterSize, horizontalPixels, verticalPixels) != 0)
        {
            log.writeLog("DisplayManager::startUp(): Unable to allocate the drawn-tile map!");
            return -1;
        }
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
    picture.reset();
    fullscreen = false;
    if (window)
    {
        window->close();
        window.reset();
    }
    text.reset();
    rectangle.reset();
    cells->discard();
    characters = 0;
    drawCalls = 0;
    platform::releaseDisplay();
    Manager::shutDown();
    LogManager::getInstance().writeLog(1, "DisplayManager::shutDown(): successfully stopped.");
}

int DisplayManager::drawCh(Vector position, char ch, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    // The grid reads a char as its byte value (Latin-1); the glyph is the renderer's.
    return drawCell(position, static_cast<unsigned char>(ch), glyphCode(ch), r, g, b);
}

int DisplayManager::drawCh(Vector position, char32_t ch, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    const char32_t shown = utf8::isScalar(ch) ? ch : utf8::REPLACEMENT;
    return drawCell(position, shown, shown, r, g, b);
}

int DisplayManager::drawCell(Vector position, char32_t cellCh, char32_t glyph, std::uint8_t r, std::uint8_t g,
                             std::uint8_t b)
{
    const bool cellPut = std::exchange(engineColorCellPut, false);
    if (!isStarted())
    {
        return notStarted();
    }
    if (!cellPut)
    {
        putCell(position, cellCh, CellColor::rgb(r, g, b));
    }
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
    const float cellWidth = charWidth();
    const float cellHeight = charHeight();
    if (batched || cells->hasTileset() || isCellGlyph(glyph))
    {
        // Tiles and the box-drawing and block characters' rectangles are always drawn through
        // the collected vertices; cell by cell, at once.
        cells->addCell(target(), pixel.getX(), pixel.getY(), cellWidth, cellHeight, glyph, sf::Color(r, g, b, 255));
        if (cells->isFull() || !batched)
        {
            drawPending();
        }
        return 0;
    }

    // The glyph sits a little right of and above its cell background; the offsets keep
    // the bold glyph visually centred in the cell.
    rectangle->setPosition(pixel.getX() - cellWidth / 10.0f, pixel.getY() + cellHeight / 5.0f);
    target().draw(*rectangle);

    text->setString(sf::String(static_cast<sf::Uint32>(glyph)));
    text->setPosition(pixel.getX(), pixel.getY());
    text->setFillColor(sf::Color(r, g, b, 255));
    target().draw(*text);
    cells->markWholeWindowDrawn();
    drawCalls += 2;
    return 0;
}

void DisplayManager::drawPending()
{
    if (window && cells->draw(target()))
    {
        ++drawCalls;
    }
}

sf::RenderTarget& DisplayManager::target() const
{
    if (picture)
    {
        return *picture;
    }
    return *window;
}

Box DisplayManager::getPictureArea() const
{
    if (!window || !picture)
    {
        return Box(Vector(0, 0), static_cast<float>(horizontalPixels), static_cast<float>(verticalPixels));
    }
    const PictureArea area = pictureArea(window->getSize(), static_cast<float>(horizontalPixels),
                                         static_cast<float>(verticalPixels), fitScaling);
    return Box(Vector(area.left, area.top), static_cast<float>(horizontalPixels) * area.scale,
               static_cast<float>(verticalPixels) * area.scale);
}

Vector DisplayManager::windowToPicture(Vector windowPixels) const
{
    const Box area = getPictureArea();
    const float scale = area.getHorizontal() / static_cast<float>(horizontalPixels);
    if (!picture || !(scale > 0.0f))
    {
        return windowPixels;
    }
    return Vector((windowPixels.getX() - area.getCorner().getX()) / scale,
                  (windowPixels.getY() - area.getCorner().getY()) / scale);
}

void DisplayManager::present()
{
    picture->display();
    const sf::Vector2u size = window->getSize();
    window->setView(sf::View(sf::FloatRect(0.0f, 0.0f, static_cast<float>(size.x), static_cast<float>(size.y))));
    window->clear(backgroundColor);
    const PictureArea area =
        pictureArea(size, static_cast<float>(horizontalPixels), static_cast<float>(verticalPixels), fitScaling);
    // Whole multiples copy each pixel to a square of pixels; other scales blend neighbours.
    picture->setSmooth(area.scale != std::floor(area.scale));
    sf::Sprite shown(picture->getTexture());
    shown.setPosition(area.left, area.top);
    shown.setScale(area.scale, area.scale);
    window->draw(shown);
    ++drawCalls;
}

int DisplayManager::toggleFullscreen()
{
    LogManager& log = LogManager::getInstance();
    if (!isStarted())
    {
        return notStarted();
    }
    if (!window)
    {
        return -1;
    }
    if (!picture)
    {
        log.writeLog("DisplayManager::toggleFullscreen(): Warning! The picture is not scaled "
                     "(window_resizable or window_scaling); the window stays as it is.");
        return -1;
    }
    const sf::String shownTitle = titleString(Config::getInstance().getWindowTitle());
    if (!fullscreen)
    {
        windowedWidth = window->getSize().x;
        windowedHeight = window->getSize().y;
        window->create(sf::VideoMode::getDesktopMode(), shownTitle, sf::Style::Fullscreen);
    }
    else
    {
        // A game configured fullscreen comes back in the default window style.
        const auto fullscreenBit = static_cast<std::uint32_t>(sf::Style::Fullscreen);
        const std::uint32_t style =
            (windowStyle & fullscreenBit) != 0
                ? (windowStyle & ~fullscreenBit) | static_cast<std::uint32_t>(WINDOW_STYLE_DEFAULT)
                : windowStyle;
        window->create(sf::VideoMode(windowedWidth, windowedHeight, 32), shownTitle, style);
    }
    fullscreen = !fullscreen;
    window->setMouseCursorVisible(Config::getInstance().getShowMouse());
    window->setVerticalSyncEnabled(true);
    log.writeLog(1, "DisplayManager::toggleFullscreen(): %s at %u x %u pixels.", fullscreen ? "fullscreen" : "windowed",
                 window->getSize().x, window->getSize().y);
    return 0;
}

int DisplayManager::flush()
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
    cells->markWholeWindowDrawn();
    if (picture)
    {
        present(); // what the window shows, up to date
    }
    return 0;
}

int DisplayManager::drawIntoWindow(const sf::Drawable& drawable)
{
    return drawIntoWindow(drawable, sf::RenderStates::Default);
}

int DisplayManager::drawIntoWindow(const sf::Drawable& drawable, const sf::RenderStates& states)
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
    cells->markWholeWindowDrawn();
    target().draw(drawable, states);
    ++drawCalls;
    return 0;
}

sf::RenderWindow* DisplayManager::getWindow() const
{
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

int DisplayManager::drawCh(Vector position, char ch, int color)
{
    return drawCellInColor(position, static_cast<unsigned char>(ch), glyphCode(ch), color);
}

int DisplayManager::drawCh(Vector position, char32_t ch, int color)
{
    const char32_t shown = utf8::isScalar(ch) ? ch : utf8::REPLACEMENT;
    return drawCellInColor(position, shown, shown, color);
}

int DisplayManager::drawCh(Vector position, int ch, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return drawCh(position, static_cast<char>(ch), r, g, b);
}

int DisplayManager::drawCh(Vector position, int ch, int color)
{
    return drawCh(position, static_cast<char>(ch), color);
}

int DisplayManager::drawCellInColor(Vector position, char32_t cellCh, char32_t glyph, int color)
{
    // The grid keeps the engine colour, not its red, green and blue.
    putCell(position, cellCh, CellColor::engine(color));
    if (Config::getInstance().getHeadless())
    {
        return -1;
    }
    std::uint8_t r = 255, g = 255, b = 255;
    colorToRGB(color, r, g, b);
    engineColorCellPut = true;
    return drawCell(position, cellCh, glyph, r, g, b);
}

void DisplayManager::putCell(Vector position, char32_t ch, CellColor color)
{
    if (drawingCells.getWidth() > 0)
    {
        drawingCells.put(worldToView(position), ch, color, cellBackground);
    }
}

void DisplayManager::fillCells(const std::vector<Vector>& corners, CellColor color)
{
    drawingCells.fillInside(corners, color);
}

int DisplayManager::drawString(Vector position, std::string str, Justification justification, int color)
{
    if (!isStarted())
    {
        return notStarted();
    }
    // Justified by characters, not bytes; ASCII, the common case, is one byte a character.
    const int length = static_cast<int>(utf8::countCodePoints(str));
    float startX = position.getX();
    if (justification == CENTER)
    {
        const int half = length / 2; // whole cells
        startX -= static_cast<float>(half);
    }
    else if (justification == RIGHT)
    {
        startX -= static_cast<float>(length);
    }
    std::size_t at = 0;
    for (int i = 0; i < length; ++i)
    {
        const utf8::Decoded decoded = utf8::decodeAt(str, at);
        at += decoded.length;
        drawCh(Vector(startX + static_cast<float>(i), position.getY()), decoded.ch, color);
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
    if (picture)
    {
        present();
    }
    takeScreenshotIfAsked(); // before display(): the frame is still in the window
    window->display();
    (picture ? static_cast<sf::RenderTarget&>(*picture) : *window).clear(backgroundColor);
    cells->markAllClean();
    frameDrawCalls = drawCalls;
    drawCalls = 0;
    frameCharacters = characters;
    characters = 0;
    return 0;
}

EngineCounters getEngineCounters()
{
    const DisplayManager& display = DisplayManager::getInstance();
    EngineCounters counters;
    counters.frameDrawCalls = display.frameDrawCalls;
    counters.frameCharacters = display.frameCharacters;
    return counters;
}

} // namespace qm
