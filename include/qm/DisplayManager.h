#ifndef QM_DISPLAYMANAGER_H
#define QM_DISPLAYMANAGER_H

#include <qm/Manager.h>
#include <qm/Vector.h>

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Font.hpp>

#include <cstdint>
#include <memory>
#include <string>

namespace sf
{
class RenderWindow;
class RectangleShape;
class Text;
} // namespace sf

namespace qm
{

/// How drawString places text relative to the given position.
enum Justification
{
    LEFT = 0,
    CENTER = 1,
    RIGHT = 2,
};

/// The engine's one window and its grid of character cells. Every position handed to it
/// is in world spaces (cells, fractions allowed); each character is drawn as a cell of
/// background colour with a bold glyph on top. In headless mode ("headless:true") there is
/// no window: the cell geometry is kept and every drawing call returns -1 silently.
///
///     DisplayManager& display = DisplayManager::getInstance();
///     display.drawCh(Vector(10, 5), '@', YELLOW);
///     display.drawString(Vector(40, 1), "Score 12", CENTER, WHITE);
class DisplayManager : public Manager
{
public:
    static DisplayManager& getInstance();
    ~DisplayManager() override;

    /// Opens the window, loads the font and prepares the cell renderer. Returns -1 with a
    /// log line when no display can be opened, the window cannot be made or the font file
    /// cannot be loaded; 0 otherwise (also when already started, and in headless mode).
    int startUp() override;

    /// Closes and frees the window and the cell renderer.
    void shutDown() override;

    /// Draws `ch` in (r, g, b) on a background-coloured cell at `position` (world spaces).
    /// Returns -1 when not started (logged) or without a window (silent), else 0. A cell
    /// wholly outside the window is skipped (and counts as drawn).
    int drawCh(Vector position, char ch, std::uint8_t r, std::uint8_t g, std::uint8_t b) const;

    /// Draws `ch` in an engine colour. Same results as the RGB form.
    int drawCh(Vector position, char ch, int color) const;

    /// Draws `text` one cell per character from `position`, justified. Returns -1 when not
    /// started (logged) or headless, else 0.
    int drawString(Vector position, std::string text, Justification justification, int color) const;

    /// Shows what was drawn this iteration and clears the window to the background colour.
    /// Returns -1 when not started (logged) or without a window.
    int swapBuffers();

    /// Draw calls made into the window for the frame shown by the last swapBuffers (two per
    /// character drawn: its background cell and its glyph).
    int getFrameDrawCalls() const { return frameDrawCalls; }

    /// Character columns and rows of the window.
    int getHorizontal() const { return horizontalChars; }
    int getVertical() const { return verticalChars; }

    /// Window size in pixels.
    int getHorizontalPixels() const { return horizontalPixels; }
    int getVerticalPixels() const { return verticalPixels; }

    /// The window, or null before start-up and in headless mode. Not owned by the caller.
    sf::RenderWindow* getWindow() const { return window.get(); }

private:
    DisplayManager();

    sf::Font font;
    std::unique_ptr<sf::RenderWindow> window;
    int horizontalPixels = 0;
    int verticalPixels = 0;
    int horizontalChars = 0;
    int verticalChars = 0;
    std::unique_ptr<sf::RectangleShape> rectangle;
    sf::Color backgroundColor;
    std::unique_ptr<sf::Text> text;
    mutable int drawCalls = 0;
    int frameDrawCalls = 0;
};

/// Pixels per cell, horizontally and vertically (window pixels / window characters).
float charWidth();
float charHeight();

/// Cell coordinates to window pixels.
Vector spacesToPixels(Vector spaces);

/// Window pixels to cell coordinates.
Vector pixelsToSpaces(Vector pixels);

} // namespace qm

#endif
