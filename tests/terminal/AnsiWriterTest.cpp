// The ANSI writer read back by a real terminal emulator (libvterm): random grids and random
// changes, written as differences, show the grid's characters and colours cell for cell.
#include "support/VtermScreen.h"

#include <qm/AnsiWriter.h>
#include <qm/CellGrid.h>

#include <gtest/gtest.h>

#include <random>

namespace
{

class AnsiWriterDepth : public ::testing::TestWithParam<qm::ColorDepth>
{
};

TEST_P(AnsiWriterDepth, RandomGridsAndChangesReadBackCellForCellInATerminal)
{
    const qm::AnsiWriter writer(GetParam());
    for (const auto& [columns, rows] : {std::pair{80, 24}, std::pair{13, 5}})
    {
        std::mt19937 random(static_cast<unsigned>(columns * 31 + GetParam()));
        qmtest::VtermScreen screen(columns, rows);
        qm::CellGrid grid = qmtest::randomGrid(random, columns, rows);
        std::string bytes;
        EXPECT_EQ(writer.write(grid, nullptr, bytes), columns * rows);
        screen.feed(bytes);
        qmtest::expectScreenShows(screen, grid, GetParam());
        for (int round = 0; round < 40; ++round)
        {
            SCOPED_TRACE("round " + std::to_string(round));
            const qm::CellGrid before = grid;
            // A few scattered cells, sometimes nothing.
            for (int n = round % 10 == 0 ? 0 : static_cast<int>(random() % 40); n > 0; --n)
            {
                // Some fall outside the grid: setting those changes nothing.
                grid.set(static_cast<int>(random()) % columns, static_cast<int>(random()) % rows,
                         qmtest::randomCell(random));
            }
            bytes.clear();
            const int written = writer.write(grid, &before, bytes);
            int differing = 0;
            for (std::size_t i = 0; i < grid.getCells().size(); ++i)
            {
                differing += grid.getCells()[i] != before.getCells()[i] ? 1 : 0;
            }
            EXPECT_EQ(written, differing) << "only the changed cells are written";
            EXPECT_EQ(bytes.empty(), differing == 0);
            screen.feed(bytes);
            qmtest::expectScreenShows(screen, grid, GetParam());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllDepths, AnsiWriterDepth, ::testing::Values(qm::COLORS_8, qm::COLORS_256, qm::COLORS_24BIT));

TEST(AnsiWriter, DepthFollowsWhatTheTerminalAnnounces)
{
    EXPECT_EQ(qm::AnsiWriter::depthFor("truecolor", "xterm"), qm::COLORS_24BIT);
    EXPECT_EQ(qm::AnsiWriter::depthFor("24bit", ""), qm::COLORS_24BIT);
    EXPECT_EQ(qm::AnsiWriter::depthFor("", "tmux-256color"), qm::COLORS_256);
    EXPECT_EQ(qm::AnsiWriter::depthFor("", "xterm"), qm::COLORS_8);
    // The palette's own colours map to themselves.
    EXPECT_EQ(qm::AnsiWriter::nearest256(255, 0, 0), 196);
    EXPECT_EQ(qm::AnsiWriter::nearest256(128, 128, 128), 244);
    EXPECT_EQ(qm::AnsiWriter::nearest8(250, 250, 10), qm::CellColor::engine(3).color);
}

} // namespace
