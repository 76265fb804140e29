// The live cell stream read by terminal emulators (libvterm) on plain TCP connections: every
// client shows the grid served last, newcomers included; input is dropped; a client past the
// limit is refused and one that stops reading is dropped, while the others go on.
#include "support/EngineTest.h"
#include "support/RawPeer.h"
#include "support/VtermScreen.h"

#include <qm/CellStream.h>
#include <qm/Config.h>
#include <qm/DisplayManager.h>
#include <qm/EventStep.h>
#include <qm/utility.h>

#include <memory>
#include <random>

namespace
{

class CellStreamTest : public qmtest::EngineTest
{
protected:
    void SetUp() override
    {
        qmtest::EngineTest::SetUp();
        ASSERT_EQ(startEngine("networking:true,\ncell_stream:true,\ncell_port:0,\ncell_clients:2,\n"), 0);
        ASSERT_TRUE(stream.isServing());
    }
    void TearDown() override
    {
        stream.setMaxQueuedBytes(qm::DEFAULT_CELL_QUEUE_BYTES);
        qmtest::EngineTest::TearDown();
        EXPECT_FALSE(stream.isServing()) << "shutDown stops the stream";
    }

    qm::CellStream& stream = qm::CellStream::getInstance();
    std::mt19937 random{9877};
};

TEST_F(CellStreamTest, EveryClientShowsTheLastGridNewcomersIncludedAndWhatTheySendIsDropped)
{
    qmtest::RawPeer first(stream.getPort());
    qmtest::VtermScreen firstScreen(80, 24);
    std::unique_ptr<qmtest::RawPeer> late;
    qmtest::VtermScreen lateScreen(80, 24);
    qm::CellGrid grid = qmtest::randomGrid(random, 80, 24);
    for (int frame = 0; frame < 12; ++frame)
    {
        if (frame == 6)
        {
            late = std::make_unique<qmtest::RawPeer>(stream.getPort());
        }
        first.write("typed keys\r\n\x1b[A"); // read and dropped
        stream.serve(grid);
        firstScreen.feed(first.read(50));
        if (late)
        {
            lateScreen.feed(late->read(50));
            qmtest::expectScreenShows(lateScreen, grid, qm::COLORS_256);
        }
        qmtest::expectScreenShows(firstScreen, grid, qm::COLORS_256);
        qmtest::changeCells(grid, random, frame % 4 == 3 ? 0 : 30); // some frames change nothing
    }
    EXPECT_EQ(stream.getClientCount(), 2);
}

TEST_F(CellStreamTest, ANewcomerPastTheLimitIsRefusedAndOneThatStopsReadingIsDropped)
{
    qmtest::RawPeer reader(stream.getPort());
    qmtest::RawPeer stalled(stream.getPort());
    qmtest::RawPeer third(stream.getPort());
    stream.setMaxQueuedBytes(64 * 1024);
    qm::CellGrid grid = qmtest::randomGrid(random, 80, 24);
    stream.serve(grid);
    bool closed = false;
    EXPECT_NE(third.read(200, &closed).find("too many watchers"), std::string::npos);
    EXPECT_TRUE(closed);
    qmtest::VtermScreen screen(80, 24);
    for (int frame = 0; frame < 400 && stream.getClientCount() == 2; ++frame)
    {
        grid = qmtest::randomGrid(random, 80, 24); // a whole new screen every frame
        stream.serve(grid);
        screen.feed(reader.read(0));
    }
    EXPECT_EQ(stream.getClientCount(), 1) << "the client that never reads was never dropped";
    stream.serve(grid);
    screen.feed(reader.read(100));
    qmtest::expectScreenShows(screen, grid, qm::COLORS_256);
    EXPECT_EQ(qmtest::countOf(log(), "clients already; a newcomer is refused."), 1);
    EXPECT_EQ(qmtest::countOf(log(), "dropped: it stopped reading (its queue is full)."), 1);
}

TEST_F(CellStreamTest, TheGameLoopServesTheFrameItShows)
{
    qmtest::RawPeer watcher(stream.getPort());
    auto* painter = new qmtest::RecordingObject;
    painter->registerInterest(qm::EVENT_STEP);
    int steps = 0;
    painter->onEvent = [&](const qm::Event*)
    {
        qm::DisplayManager::getInstance().drawString(qm::Vector(static_cast<float>(steps % 60), 3),
                                                     "step " + std::to_string(steps), qm::LEFT, qm::CYAN);
        if (++steps == 20)
        {
            qm::GameManager::getInstance().setGameOver();
        }
    };
    qm::GameManager::getInstance().run();
    qmtest::VtermScreen screen(80, 24);
    screen.feed(watcher.read(100));
    const qm::CellGrid& shown = qm::DisplayManager::getInstance().getCellGrid();
    EXPECT_NE(shown.toText().find("step 18"), std::string::npos) << "the loop drew into the grid";
    qmtest::expectScreenShows(screen, shown, qm::COLORS_256);
}

} // namespace
