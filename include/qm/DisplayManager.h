#ifndef QM_DISPLAYMANAGER_H
#define QM_DISPLAYMANAGER_H

#include <qm/Box.h>
#include <qm/CellGrid.h>
#include <qm/Manager.h>
#include <qm/Vector.h>

#include <cstdint>
#include <memory>
#include <string>

namespace sf
{
class Color;
class Drawable;
class Font;
class RenderStates;
class RenderTarget;
class RenderTexture;
class RenderWindow;
class Window;
class RectangleShape;
class Text;
} // namespace sf

namespace qm
{

class CellBatch;
struct EngineCounters;
class TerminalDisplay;

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
/// By default ("batch_drawing:true") the characters of a frame are collected into one vertex
/// array, background and glyph of each cell in drawing order, and drawn with one call when the
/// frame is shown; "batch_drawing:false" draws every character at once with two calls (the
/// reference method; both give the same pixels). Anything drawn straight into the window must
/// come after the characters already drawn: draw it with drawIntoWindow, or call flush before
/// drawing through getWindow.
///
/// Every frame is also kept as a grid of cells (getCellGrid), in every display mode. With
/// "display:terminal" there is no window: the grid is shown in the text terminal the program
/// runs in, and drawing returns 0 as with a window.
///
/// With "window_resizable:true" (or a "window_scaling" rule) the cells are drawn into a
/// picture of the configured pixels, which is shown scaled to the largest size that fits the
/// window ("integer": whole multiples, "fit": any size), centred, with bars of the background
/// colour; Alt+Enter toggles fullscreen. Drawing positions stay picture pixels; mouse
/// positions are mapped back through the scaling (windowToPicture).
///
/// A "font_file" ending in ".png" is a bitmap tileset: 16 x 16 tiles in the layout of code
/// page 437, coloured by each character's colour, each filling its cell on the grid.
///     DisplayManager& display = DisplayManager::getInstance();
///     display.drawCh(Vector(10, 5), '@', YELLOW);
///     display.drawCh(Vector(11, 5), U'\u2588', CYAN);         // a code point: a full block
///     display.drawString(Vector(40, 1), "Score 12", CENTER, WHITE); // UTF-8
///     display.drawIntoWindow(circle); // over the '@', under what is drawn next
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
    int drawCh(Vector position, char ch, std::uint8_t r, std::uint8_t g, std::uint8_t b);

    /// Draws `ch` in an engine colour. Same results as the RGB form.
    int drawCh(Vector position, char ch, int color);

    /// Draws the code point `ch` (any Unicode character, one cell) as the char forms draw a
    /// char; one that is no character (a surrogate, above U+10FFFF) is drawn as U+FFFD. The
    /// grid of cells gets the code point. Same results as the char forms.
    int drawCh(Vector position, char32_t ch, std::uint8_t r, std::uint8_t g, std::uint8_t b);
    int drawCh(Vector position, char32_t ch, int color);

    /// An int character (a computed one, `'A' + i`) draws as the char forms draw it (its low
    /// byte), as it did before the code-point forms; without these the call would be ambiguous.
    int drawCh(Vector position, int ch, std::uint8_t r, std::uint8_t g, std::uint8_t b);
    int drawCh(Vector position, int ch, int color);

    /// Draws `text` (UTF-8) one cell per character (code point) from `position`, justified by
    /// its number of characters; each malformed sequence is drawn as one U+FFFD. Returns -1
    /// when not started (logged) or headless, else 0.
    int drawString(Vector position, std::string text, Justification justification, int color);

    /// Shows what was drawn this iteration and clears the window to the background colour.
    /// Returns -1 when not started (logged) or without a window.
    int swapBuffers();

    /// Draws the characters collected so far into the window, so that what is drawn into it
    /// next (through getWindow) lands on top of them and is covered by the backgrounds of the
    /// characters drawn after it. Returns -1 when not started (logged) or without a window,
    /// else 0 (also when nothing was pending, and with per-character drawing).
    int flush();

    /// Draws `drawable` straight into the window after the characters drawn so far (a shape,
    /// a picture), with the default or the given render states. Returns -1 when not started
    /// (logged) or without a window, else 0.
    int drawIntoWindow(const sf::Drawable& drawable);
    int drawIntoWindow(const sf::Drawable& drawable, const sf::RenderStates& states);

    /// True when characters are collected and drawn with one call per frame.
    bool isBatched() const { return batched; }

    /// Switches between collecting characters (true) and drawing each at once (false); what
    /// was collected is drawn first. Used to compare both methods in one run.
    void setBatched(bool on);

    /// The cells of the frame shown by the last swapBuffers (in every display mode, headless
    /// too): what the terminal shows, and what the window shows as cells. Shapes appear as
    /// blank cells in their colour where the cell's centre lies inside them.
    const CellGrid& getCellGrid() const { return shownCells; }

    /// Asks for a screenshot of the next frame shown: at the next swapBuffers the window's
    /// picture is written as "qm-shot-<date>-<time>.png" and the grid as ".txt" beside it, in
    /// the working directory (the text alone in terminal and headless mode); a log line names
    /// the files. The input manager asks for one when F12 is pressed.
    void requestScreenshot() { screenshotAsked = true; }

    /// Sets the cells whose centres lie inside the convex polygon `corners` (view spaces) as
    /// blanks on `color`: how a filled shape appears in the grid of cells.
    void fillCells(const std::vector<Vector>& corners, CellColor color);

    /// True when frames are shown in the text terminal ("display:terminal").
    bool isTerminal() const { return terminal != nullptr; }

    /// Character columns and rows of the window.
    int getHorizontal() const { return horizontalChars; }
    int getVertical() const { return verticalChars; }

    /// Window size in pixels (the picture's, when it is scaled to the window).
    int getHorizontalPixels() const { return horizontalPixels; }
    int getVerticalPixels() const { return verticalPixels; }

    /// True when the picture is scaled to the window's size (see the class comment).
    bool isScaled() const { return picture != nullptr; }

    /// Switches between a fullscreen window at the desktop's resolution and the window as it
    /// was before, the picture scaled by the same rule. Returns 0, or -1 when not started
    /// (logged), without a window, or when the picture is not scaled (logged).
    int toggleFullscreen();
    bool isFullscreen() const { return fullscreen; }

    /// Where the picture lies in the window, in window pixels: the whole window when it is
    /// not scaled.
    Box getPictureArea() const;

    /// The picture pixel shown at the window pixel `windowPixels` (outside the picture for a
    /// point on the bars); the same point when the picture is not scaled.
    Vector windowToPicture(Vector windowPixels) const;

    /// The window, or null before start-up and in headless mode. Not owned by the caller.
    /// Characters still collected are not in it yet: call flush before drawing into it or
    /// reading its pixels. When the picture is scaled, flush also shows it in the window, and
    /// drawing belongs in the picture: use drawIntoWindow.
    sf::RenderWindow* getWindow() const;

    /// The same window for reading its events, focus and pointer only (nothing can be drawn
    /// through it), or null. Used by the input manager and the pause.
    sf::Window* getInputWindow() const;

private:
    // Reads the draw calls and characters of the frame last shown.
    friend EngineCounters getEngineCounters();

    void takeScreenshotIfAsked();
    // Where the cells are drawn: the picture when it is scaled, else the window.
    sf::RenderTarget& target() const;
    // Draws the picture into the window, scaled and centred, with bars around it.
    void present();
    std::unique_ptr<sf::RenderTexture> picture;
    bool fitScaling = false;
    bool fullscreen = false;
    unsigned windowedWidth = 0;
    unsigned windowedHeight = 0;
    std::uint32_t windowStyle = 0;
    bool screenshotAsked = false;
    DisplayManager();

    // Draws the collected characters, if any, into the window.
    void drawPending();

    // The collected characters of the frame and the record of the pixels drawn on.
    std::unique_ptr<CellBatch> cells;
    // The glyphs' font and the background colour, kept by the cells.
    sf::Font& font;
    sf::Color& backgroundColor;

    // Sets a drawn character into the grid of the frame being drawn.
    void putCell(Vector position, char32_t ch, CellColor color);

    // What the forms of drawCh share: `cellCh` goes into the grid of cells, the glyph of the
    // code point `glyph` into the window.
    int drawCell(Vector position, char32_t cellCh, char32_t glyph, std::uint8_t r, std::uint8_t g, std::uint8_t b);
    int drawCellInColor(Vector position, char32_t cellCh, char32_t glyph, int color);

    std::unique_ptr<sf::RenderWindow> window;
    int horizontalPixels = 0;
    int verticalPixels = 0;
    int horizontalChars = 0;
    int verticalChars = 0;
    std::unique_ptr<sf::RectangleShape> rectangle;
    std::unique_ptr<sf::Text> text;
    int drawCalls = 0;
    int frameDrawCalls = 0;
    int characters = 0;
    int frameCharacters = 0;
    bool batched = true;
    bool glyphPageHasWhite = false;
    CellGrid drawingCells;           // the frame being drawn
    bool engineColorCellPut = false; // the colour form of drawCh has set the cell
    CellGrid shownCells;             // the frame last shown
    CellColor cellBackground;
    std::unique_ptr<TerminalDisplay> terminal;
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
