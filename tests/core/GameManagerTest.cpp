// The log, the headless game loop (step counts, game over, frame timing, stop requests) and the clock.
#include "support/EngineTest.h"

#include <qm/Config.h>
#include <qm/EventStep.h>

#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <thread>

namespace
{

using qmtest::countOf;
using std::chrono::milliseconds;

class GameLoop : public qmtest::EngineTest
{
protected:
    // Runs the loop at `frameTime` with an object that notes and logs each step count, works `busy`
    // ms, raises SIGTERM at step `signalAt` and ends the game at `lastStep` (the world deletes it).
    void run(int frameTime, int lastStep, int busy = 0, int signalAt = -1)
    {
        ASSERT_EQ(startEngine("frame_time:" + std::to_string(frameTime) + ",\n"), 0);
        auto* stepper = new qmtest::RecordingObject;
        stepper->registerInterest(qm::EVENT_STEP);
        stepper->onEvent = [=](const qm::Event* event)
        {
            steps.push_back(static_cast<const qm::EventStep*>(event)->getStepCount());
            qm::LogManager::getInstance().writeLog("stepper saw %d", steps.back());
            std::this_thread::sleep_for(milliseconds(busy));
            if (steps.back() == signalAt)
            {
                std::raise(SIGTERM);
            }
            if (steps.back() == lastStep)
            {
                game.setGameOver();
            }
        };
        game.run();
    }
    qm::GameManager& game = qm::GameManager::getInstance();
    std::vector<int> steps;
};

TEST_F(GameLoop, LogLinesNeedTheirLevelPeerLinesAreLimitedAndAMissingLogFolderFailsStartUp)
{
    ASSERT_EQ(startEngine(), 0);
    qm::LogManager& logger = qm::LogManager::getInstance();
    EXPECT_EQ(logger.writeLog("hello %d", 42), 8);
    EXPECT_EQ(logger.writeLog(5, "hidden"), 0);
    logger.setLogLevel(5);
    EXPECT_EQ(logger.writeLog(5, "detail") + logger.writeLog(6, "too fine"), 6);
    EXPECT_TRUE(
        std::regex_search(log(), std::regex(R"(\n\d\d:\d\d:\d\d    0 hello 42\n\d\d:\d\d:\d\d    0 detail\n)")));
    for (const char* peer : {"alpha", "beta"})
    {
        logger.beginPeer(peer);
        for (int i = 0; i < 50; ++i)
        {
            logger.writeLog("%s line %d", peer, i);
        }
        logger.endPeer();
    }
    for (int i = 0; i < 50; ++i)
    {
        logger.writeLog("own line %d", i);
    }
    game.shutDown(); // the counts still owed are written before the log closes
    for (const std::string peer : {"alpha", "beta"})
    {
        EXPECT_EQ(countOf(log(), peer + " line "), qm::LogManager::PEER_LINES_PER_SECOND);
        EXPECT_EQ(countOf(log(), "LogManager::writeLog(): 30 more lines caused by " + peer +
                                     " were not written (at most 20 a second)."),
                  1);
    }
    EXPECT_EQ(countOf(log(), "own line "), 50) << "the program's own lines are not limited";
    const std::string missing = dir.file("no/such/dir/log.txt");
    qmtest::setEnv("QUILLMERE_LOG", missing.c_str());
    testing::internal::CaptureStderr();
    EXPECT_EQ(startEngine(), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countOf(err, "LogManager::startup(): Warning! Unable to open file '" + missing + "'."), 1);
    EXPECT_EQ(countOf(err, "Error starting log manager!"), 1);
}

TEST_F(GameLoop, IterationsLastAtLeastTheFrameTimeAndZeroNeverSleepsNorComplains)
{
    const auto start = std::chrono::steady_clock::now();
    run(20, 9);
    // Ten iterations of 20 ms, less whatever oversleep the loop carried over (< 1 frame).
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(180));
    EXPECT_EQ(countOf(log(), "Can't keep up!"), 0);
    game.shutDown();
    steps.clear();
    run(0, 50);
    EXPECT_EQ(steps.size(), 51u);
    EXPECT_EQ(countOf(log(), "Can't keep up!"), 0);
}

TEST_F(GameLoop, StopSignalEndsThisRunAndEveryLaterOne)
{
    run(1, 1000000, 0, 3);
    EXPECT_EQ(steps.size(), 5u); // steps 0 to 3, then the iteration that sees the request
    steps.clear();
    game.run();
    EXPECT_EQ(steps.size(), 1u);
    EXPECT_EQ(countOf(log(), "GameManager::run(): Stop requested. Setting game over."), 2);
}

} // namespace
