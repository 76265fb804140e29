// The headless game loop: step counts, game over, frame timing, stop requests, the clock.
#include "support/EngineTest.h"

#include <qm/Clock.h>
#include <qm/EventStep.h>

#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <thread>

namespace
{

using qmtest::countOf;
using std::chrono::milliseconds;

// Logs each step count it sees and ends the loop after `lastStep`. Made with `new` once the
// engine runs: the world deletes it at shut-down.
class Stepper : public qmtest::RecordingObject
{
public:
    explicit Stepper(int last) : lastStep(last) { registerInterest(qm::EVENT_STEP); }
    int eventHandler(const qm::Event* event) override
    {
        steps.push_back(static_cast<const qm::EventStep*>(event)->getStepCount());
        qm::LogManager::getInstance().writeLog("stepper saw %d", steps.back());
        if (steps.back() == lastStep)
        {
            qm::GameManager::getInstance().setGameOver();
        }
        return RecordingObject::eventHandler(event);
    }
    int lastStep;
    std::vector<int> steps;
};

class GameLoop : public qmtest::EngineTest
{
protected:
    // Starts the engine with `frameTime` and runs the loop until step `lastStep`, calling
    // `extra` from the stepper's handler.
    Stepper& run(int frameTime, int lastStep, std::function<void(const qm::Event*)> extra = nullptr)
    {
        EXPECT_EQ(startEngine("frame_time:" + std::to_string(frameTime) + ",\n"), 0);
        Stepper* stepper = new Stepper(lastStep);
        stepper->onEvent = std::move(extra);
        game.run();
        return *stepper;
    }
    qm::GameManager& game = qm::GameManager::getInstance();
};

TEST_F(GameLoop, StepsCountFromZeroInEventsAndLogAndGameOverEndsAfterTheIteration)
{
    ASSERT_EQ(startEngine("frame_time:1,\n"), 0);
    Stepper& stepper = *new Stepper(4);
    auto& later = *new qmtest::RecordingObject; // registered after the stopper: still hears step 4
    later.registerInterest(qm::EVENT_STEP);
    game.run();
    EXPECT_EQ(stepper.steps, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(later.received.size(), 5u);
    EXPECT_TRUE(std::regex_search(log(), std::regex(R"(\d\d:\d\d:\d\d    0 stepper saw 0\n)")));
    EXPECT_TRUE(std::regex_search(log(), std::regex(R"(\d\d:\d\d:\d\d    3 stepper saw 3\n)")));
}

TEST_F(GameLoop, IterationsLastAtLeastTheFrameTimeAndZeroNeverSleepsNorComplains)
{
    const auto start = std::chrono::steady_clock::now();
    run(20, 9);
    // Ten iterations of 20 ms, less whatever oversleep the loop carried over (< 1 frame).
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(180));
    EXPECT_EQ(countOf(log(), "Can't keep up!"), 0);
    game.shutDown();
    EXPECT_EQ(run(0, 50).steps.size(), 51u);
    EXPECT_EQ(countOf(log(), "Can't keep up!"), 0);
}

TEST_F(GameLoop, LateIterationsAreReportedButNotTheFirst)
{
    run(2, 3, [](const qm::Event*) { std::this_thread::sleep_for(milliseconds(5)); });
    EXPECT_EQ(countOf(log(), "GameManager::run(): Can't keep up! frame_time 2 ms, split "), 3);
    EXPECT_TRUE(std::regex_search(log(), std::regex(R"(    1 GameManager::run\(\): Can't keep up!)")));
}

TEST_F(GameLoop, StopSignalEndsThisRunAndEveryLaterOne)
{
    Stepper& stepper = run(1, 1000000,
                           [](const qm::Event* step)
                           {
                               if (static_cast<const qm::EventStep*>(step)->getStepCount() == 3)
                               {
                                   std::raise(SIGTERM);
                               }
                           });
    EXPECT_EQ(stepper.steps.size(), 5u); // steps 0 to 3, then the iteration that sees the request
    stepper.steps.clear();
    game.run();
    EXPECT_EQ(stepper.steps.size(), 1u);
    EXPECT_EQ(countOf(log(), "GameManager::run(): Stop requested. Setting game over."), 2);
}

TEST(Clock, ReadingsAreMonotonicMicrosecondsAndOnlyDeltaRestarts)
{
    for (long long i = 0, previous = 0, now; i < 1000; ++i, previous = now)
    {
        ASSERT_GE(now = qm::platform::monotonicMicroseconds(), previous);
    }
    qm::Clock clock;
    std::this_thread::sleep_for(milliseconds(20));
    EXPECT_GE(clock.split(), 20000);
    EXPECT_GE(clock.delta(), 20000);
    EXPECT_LT(clock.split(), 20000); // delta restarted the clock, split did not
}

} // namespace
