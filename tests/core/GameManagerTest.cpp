// Start-up, the headless game loop and shut-down.
#include "platform/Platform.h"
#include "support/EngineTest.h"

#include <qm/Clock.h>
#include <qm/Config.h>
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <regex>
#include <thread>

namespace
{

using qmtest::countOf;
using qmtest::RecordingObject;

class GameLoop : public qmtest::EngineTest
{
protected:
    qm::GameManager& game = qm::GameManager::getInstance();
};

// Records the step counts it sees and ends the loop after `lastStep`. Created with `new`
// once the engine runs: the world owns it and deletes it at shut-down.
class Stepper : public qm::Object
{
public:
    explicit Stepper(int last) : lastStep(last) { registerInterest(qm::EVENT_STEP); }
    int eventHandler(const qm::Event* event) override
    {
        const int step = static_cast<const qm::EventStep*>(event)->getStepCount();
        steps.push_back(step);
        qm::LogManager::getInstance().writeLog("stepper saw %d", step);
        if (work.count() > 0)
        {
            std::this_thread::sleep_for(work);
        }
        if (step == lastStep)
        {
            qm::GameManager::getInstance().setGameOver();
        }
        return 1;
    }
    int lastStep;
    std::vector<int> steps;
    std::chrono::milliseconds work{0};
};

TEST_F(GameLoop, StartUpWritesBannerAndConfiguration)
{
    qm::LogManager::getInstance().setLogLevel(1);
    ASSERT_EQ(startEngine("frame_time:20,\n"), 0);
    EXPECT_TRUE(game.isStarted());
    EXPECT_EQ(game.getFrameTime(), 20);
    const std::string text = log();
    EXPECT_EQ(countOf(text, "****************************************************\n"), 2);
    EXPECT_EQ(countOf(text, "** Quillmere version 4.15 **"), 1);
    EXPECT_EQ(countOf(text, "** Game engine started **"), 1);
    EXPECT_EQ(countOf(text, "  Frame time: 20"), 1);
    EXPECT_EQ(countOf(text, "  Headless: true"), 1);
    game.shutDown();
    EXPECT_FALSE(game.isStarted());
    EXPECT_TRUE(game.getGameOver());
    EXPECT_EQ(countOf(log(), "** Game engine stopped **"), 1);
}

TEST_F(GameLoop, SecondStartUpDoesNotReadTheConfigurationAgain)
{
    ASSERT_EQ(startEngine("frame_time:20,\n"), 0);
    dir.write("qm-config.txt", "frame_time:50,\n");
    EXPECT_EQ(game.startUp(), 0);
    EXPECT_EQ(game.getFrameTime(), 20);
    EXPECT_EQ(countOf(log(), "GameManager::startup(): Already started."), 1);
}

TEST_F(GameLoop, UnopenableLogFailsStartUp)
{
    qmtest::setEnv("QUILLMERE_LOG", dir.file("missing/dir/x.log").c_str());
    testing::internal::CaptureStderr();
    EXPECT_EQ(startEngine(), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countOf(err, "Error starting log manager!"), 1);
    EXPECT_FALSE(game.isStarted());
    testing::internal::CaptureStderr();
    game.shutDown(); // still ends cleanly
    EXPECT_EQ(countOf(testing::internal::GetCapturedStderr(), "** Game engine stopped **"), 1);
}

TEST_F(GameLoop, StepEventsCountFromZeroAndPrefixLogLines)
{
    ASSERT_EQ(startEngine("frame_time:1,\n"), 0);
    Stepper& stepper = *new Stepper(4);
    game.run();
    EXPECT_EQ(stepper.steps, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(game.getStepCount(), 5);
    const std::string text = log();
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\d\d:\d\d:\d\d    0 stepper saw 0\n)")));
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\d\d:\d\d:\d\d    3 stepper saw 3\n)")));

    // A second run starts counting again.
    stepper.lastStep = 1;
    stepper.steps.clear();
    game.run();
    EXPECT_EQ(stepper.steps, (std::vector<int>{0, 1}));
}

TEST_F(GameLoop, GameOverFromAHandlerEndsAfterTheIteration)
{
    ASSERT_EQ(startEngine("frame_time:1,\n"), 0);
    Stepper& stopper = *new Stepper(0);
    RecordingObject& later = *new RecordingObject; // registered after the stopper: still hears step 0
    later.registerInterest(qm::EVENT_STEP);
    game.run();
    EXPECT_EQ(stopper.steps.size(), 1u);
    EXPECT_EQ(later.received.size(), 1u);
}

TEST_F(GameLoop, IterationsLastAtLeastTheFrameTime)
{
    ASSERT_EQ(startEngine("frame_time:20,\n"), 0);
    new Stepper(9); // ends the loop after step 9
    const auto start = std::chrono::steady_clock::now();
    game.run();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // Ten iterations of 20 ms, less whatever oversleep the loop carried over (< 1 frame).
    EXPECT_GE(elapsed, std::chrono::milliseconds(180));
    EXPECT_EQ(countOf(log(), "Can't keep up!"), 0);
}

TEST_F(GameLoop, FrameTimeZeroNeverSleepsNorComplains)
{
    ASSERT_EQ(startEngine("frame_time:0,\n"), 0);
    Stepper& stepper = *new Stepper(50);
    game.run();
    EXPECT_EQ(stepper.steps.size(), 51u);
    EXPECT_EQ(countOf(log(), "Can't keep up!"), 0);
}

TEST_F(GameLoop, LateIterationsAreReportedButNotTheFirst)
{
    ASSERT_EQ(startEngine("frame_time:2,\n"), 0);
    Stepper& stepper = *new Stepper(3);
    stepper.work = std::chrono::milliseconds(5);
    game.run();
    // Steps 1, 2 and 3 overran; step 0 is never reported.
    EXPECT_EQ(countOf(log(), "GameManager::run(): Can't keep up! frame_time 2 ms, split "), 3);
    EXPECT_TRUE(std::regex_search(log(), std::regex(R"(    1 GameManager::run\(\): Can't keep up!)")));
}

TEST_F(GameLoop, StopSignalEndsThisRunAndEveryLaterOne)
{
    ASSERT_EQ(startEngine("frame_time:1,\n"), 0);
    Stepper& stepper = *new Stepper(1000000);
    stepper.work = std::chrono::milliseconds(0);
    RecordingObject& signaller = *new RecordingObject;
    signaller.registerInterest(qm::EVENT_STEP);
    signaller.onEvent = [](const qm::Event* event)
    {
        if (static_cast<const qm::EventStep*>(event)->getStepCount() == 3)
        {
            std::raise(SIGTERM);
        }
    };
    game.run();
    EXPECT_EQ(stepper.steps.size(), 5u); // steps 0 to 3, then the iteration that sees the request
    signaller.onEvent = nullptr;
    stepper.steps.clear();
    game.run();
    EXPECT_EQ(stepper.steps.size(), 1u);
    EXPECT_EQ(countOf(log(), "GameManager::run(): Stop requested. Setting game over."), 2);
}

TEST_F(GameLoop, FixedSeedRepeatsAndMinusOneLeavesTheGeneratorAlone)
{
    ASSERT_EQ(startEngine("random_seed:1234,\n"), 0);
    const int first = std::rand();
    game.shutDown();
    ASSERT_EQ(startEngine("random_seed:1234,\n"), 0);
    EXPECT_EQ(std::rand(), first);
    game.shutDown();

    std::srand(99);
    const int expected = std::rand();
    std::srand(99);
    ASSERT_EQ(startEngine("random_seed:-1,\n"), 0);
    EXPECT_EQ(std::rand(), expected);
}

TEST(Clock, DeltaRestartsAndSplitDoesNot)
{
    qm::Clock clock;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const long long split = clock.split();
    EXPECT_GE(split, 20000);
    const long long delta = clock.delta();
    EXPECT_GE(delta, split);
    EXPECT_LT(clock.split(), delta);
    EXPECT_GE(clock.delta(), 0);
}

TEST(Clock, ReadingsAreMonotonicMicroseconds)
{
    long long previous = qm::platform::monotonicMicroseconds();
    for (int i = 0; i < 1000; ++i)
    {
        const long long now = qm::platform::monotonicMicroseconds();
        ASSERT_GE(now, previous);
        previous = now;
    }
    qm::Clock clock;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(clock.delta(), 5000);
}

} // namespace
