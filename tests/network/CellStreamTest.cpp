// The live cell stream: a client past the limit is refused, one that stops reading is dropped,
// and what a client sends is read and dropped while the others go on.
#include "support/EngineTest.h"
#include "support/RawPeer.h"
#include "support/VtermScreen.h"

#include <qm/CellStream.h>

#include <random>

namespace
{

using CellStreamTest = qmtest::EngineTest;

TEST_F(CellStreamTest, ANewcomerPastTheLimitIsRefusedAndOneThatStopsReadingIsDropped)
{
    ASSERT_EQ(startEngine("networking:true,\ncell_stream:true,\ncell_port:0,\ncell_clients:2,\n"), 0);
    qm::CellStream& stream = qm::CellStream::getInstance();
    ASSERT_TRUE(stream.isServing());
    std::mt19937 random{9877};
    qmtest::RawPeer reader(stream.getPort());
    qmtest::RawPeer stalled(stream.getPort());
    qmtest::RawPeer third(stream.getPort());
    stream.setMaxQueuedBytes(64 * 1024);
    qm::CellGrid grid = qmtest::randomGrid(random, 80, 24);
    reader.write("typed keys\r\n\x1b[A"); // read and dropped
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
    stream.setMaxQueuedBytes(qm::DEFAULT_CELL_QUEUE_BYTES);
    qm::GameManager::getInstance().shutDown();
    EXPECT_FALSE(stream.isServing()) << "shutDown stops the stream";
}

} // namespace
