// The grid of cells every frame is kept as, in headless mode here: where characters at
// fractional positions land, later drawing covering earlier, colours, the view, and shapes.
#include "support/EngineTest.h"

#include <qm/Box.h>
#include <qm/DisplayManager.h>
#include <qm/Shape.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <gtest/gtest.h>

namespace
{

using qm::Vector;

class Cells : public qmtest::EngineTest
{
protected:
    qm::DisplayManager& display = qm::DisplayManager::getInstance();

    // Row `y` of the shown grid, columns [from, from + count).
    std::string row(int y, int from, int count) const
    {
        const std::string text = display.getCellGrid().toText();
        return text.substr(static_cast<std::size_t>(y * 81 + from), static_cast<std::size_t>(count));
    }
};

TEST_F(Cells, HeadlessFrameIsKeptAsCellsCentreRuleAndLaterDrawingOnTop)
{
    ASSERT_EQ(startEngine(), 0);
    EXPECT_EQ(display.drawCh(Vector(10.49f, 5.5f), 'a', qm::RED), -1) << "headless drawing still returns -1";
    display.drawCh(Vector(10.5f, 5.49f), 'b', qm::GREEN);
    display.drawCh(Vector(-0.5f, 0), 'c', qm::BLUE);
    display.drawCh(Vector(-0.51f, 0), 'x', qm::BLUE);
    display.drawCh(Vector(79.5f, 0), 'x', qm::BLUE);
    EXPECT_EQ(display.drawString(Vector(40, 1), "Hello", qm::CENTER, qm::YELLOW), -1);
    display.drawCh(Vector(39, 1), 'E', 10, 20, 30);
    EXPECT_EQ(display.getCellGrid().toText().find_first_not_of(" \n"), std::string::npos)
        << "nothing shows before the frame is shown";

    display.swapBuffers();
    const qm::CellGrid& grid = display.getCellGrid();
    ASSERT_EQ(grid.getWidth(), 80);
    ASSERT_EQ(grid.getHeight(), 24);
    EXPECT_EQ(row(0, 0, 2), "c ");
    EXPECT_EQ(row(0, 78, 2), "  ");
    EXPECT_EQ(row(1, 37, 7), " HEllo ");
    EXPECT_EQ(row(5, 10, 2), " b");
    EXPECT_EQ(row(6, 10, 2), "a ");
    EXPECT_EQ(grid.at(10, 6).foreground, qm::CellColor::engine(qm::RED));
    EXPECT_EQ(grid.at(38, 1).foreground, qm::CellColor::engine(qm::YELLOW));
    EXPECT_EQ(grid.at(39, 1).foreground, qm::CellColor::rgb(10, 20, 30));
    EXPECT_EQ(grid.at(39, 1).background, qm::CellColor::engine(qm::BLACK));

    display.swapBuffers();
    EXPECT_EQ(display.getCellGrid().at(10, 6).ch, U' ') << "each frame starts blank";
}

TEST_F(Cells, ViewCornerMovesCellsAndShapesFillTheCellsWhoseCentresTheyCover)
{
    ASSERT_EQ(startEngine("window_background_color:blue,\n"), 0);
    qm::WorldManager::getInstance().setView(qm::Box(Vector(5, 2), 80, 24));
    display.drawCh(Vector(15, 3), '@', qm::WHITE);
    qm::Shape circle; // 24 pixels: 1.875 cells wide and 0.75 high around (20.9, 10.4)
    circle.setColor(qm::MAGENTA);
    circle.draw(Vector(25, 12));
    display.drawCh(Vector(26, 12), '#', qm::GREEN); // over the circle
    display.swapBuffers();

    const qm::CellGrid& grid = display.getCellGrid();
    EXPECT_EQ(grid.at(10, 1).ch, U'@');
    EXPECT_EQ(grid.at(0, 0).background, qm::CellColor::engine(qm::BLUE)) << "the window's background colour";
    std::string filled;
    for (int y = 0; y < grid.getHeight(); ++y)
    {
        for (int x = 0; x < grid.getWidth(); ++x)
        {
            if (grid.at(x, y).background == qm::CellColor::engine(qm::MAGENTA))
            {
                filled += std::to_string(x) + "," + std::to_string(y) + " ";
            }
        }
    }
    EXPECT_EQ(filled, "19,10 20,10 22,10 ");
    EXPECT_EQ(row(10, 19, 4), "  # ");
    EXPECT_EQ(grid.at(21, 10).background, qm::CellColor::engine(qm::BLUE));
}

} // namespace
