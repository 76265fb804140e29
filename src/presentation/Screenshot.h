// Screenshots: the window's picture as a PNG and the grid of cells as text beside it.
#ifndef QM_PRESENTATION_SCREENSHOT_H
#define QM_PRESENTATION_SCREENSHOT_H

#include <qm/CellGrid.h>

#include <string>

namespace sf
{
class RenderWindow;
}

namespace qm
{

/// Writes "qm-shot-<date>-<time>.txt" (the grid's characters, one line a row) in the working
/// directory and, with a window, "qm-shot-<date>-<time>.png" of what the window holds now
/// (drawn, not yet displayed). A second shot within the same second gets "-2", "-3"... One log
/// line names the files, or says why they could not be written. Returns 0 or -1.
int saveScreenshot(const sf::RenderWindow* window, const CellGrid& grid);

} // namespace qm

#endif
