// The splash screens: their 90-step timeline, ending on a key, and how they look.
#include "support/WindowTest.h"

#include <qm/EventStep.h>
#include <qm/InputManager.h>
#include <qm/Splash.h>
#include <qm/WorldManager.h>

#include <filesystem>
#include <functional>

namespace
{

using qmtest::countOf;

int countOfType(const char* type)
{
    return qm::WorldManager::getInstance().objectsOfType(type).getCount();
}

// Counts the splash objects alive at each step of the splash's loop and can act there.
class Watcher : public qm::Object
{
public:
    Watcher()
    {
        setSolidness(qm::SPECTRAL);
        registerInterest(qm::EVENT_STEP);
    }
    int eventHandler(const qm::Event* event) override
    {
        banners.push_back(countOfType("Splash"));
        logos.push_back(countOfType("SplashQuillmere"));
        onStep(static_cast<const qm::EventStep*>(event)->getStepCount());
        return 1;
    }
    std::vector<int> banners, logos;
    std::function<void(int)> onStep;
};

using SplashTimeline = qmtest::EngineTest;

// Before start-up the splash is refused. Without a key the splash runs steps 0 to 89 (the logo appears during step
// 14 and is counted from step 15); a key during the slide (step 5) ends it at once without a logo, one while both
// show (step 30) ends both. Either way nothing is left behind.
TEST_F(SplashTimeline, IsRefusedBeforeStartUpAndRunsNinetyStepsOrEndsAtOnceOnAKeyLeavingNothingBehind)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(qm::splash(), -1);
    EXPECT_EQ(countOf(testing::internal::GetCapturedStderr(),
                      "splash(): Error! Cannot run splash screen until game manger is started."),
              1);
    EXPECT_EQ(qm::WorldManager::getInstance().getAllObjects(true).getCount(), 0);
    // A frame time of 0 also checks that the banner's speed needs no division by it.
    ASSERT_EQ(startEngine("frame_time:0,\n"), 0);
    for (const int keyStep : {90, 5, 30})
    {
        auto* watcher = new Watcher;
        watcher->onStep = [keyStep](int step)
        {
            const qm::EventKeyboard key = qmtest::keyEvent(qm::SPACE, qm::KEY_PRESS);
            if (step == keyStep)
            {
                qm::InputManager::getInstance().onEvent(&key); // as a key press is delivered
            }
        };
        ASSERT_EQ(qm::splash(), 0);
        ASSERT_EQ(watcher->banners.size(), static_cast<std::size_t>(std::min(keyStep + 1, 90))) << keyStep;
        EXPECT_EQ(watcher->banners.back(), 1);
        EXPECT_EQ(watcher->logos.at(static_cast<std::size_t>(std::min(keyStep, 14))), 0);
        EXPECT_EQ(watcher->logos.at(static_cast<std::size_t>(std::min(keyStep, 15))), keyStep < 15 ? 0 : 1);
        EXPECT_EQ(countOfType("Splash") + countOfType("SplashQuillmere"), 0);
        qm::WorldManager::getInstance().markForDelete(watcher);
    }
}

// A screenshot late in the splash, at the real frame time: kept under captures/splash.png
// for the eye and checked for the banner.
using SplashWindow = qmtest::WindowTest;

TEST_F(SplashWindow, ShowsTheBannerAcrossTheMiddle)
{
    ASSERT_EQ(startWindowed("frame_time:33,\n"), 0);
    const std::string captures = std::string(QM_TEST_OUTPUT_DIR) + "/captures";
    std::filesystem::create_directories(captures);
    const std::string png = captures + "/splash.png";
    auto* watcher = new Watcher;
    watcher->onStep = [&](int step)
    {
        if (step == 80)
        {
            qmtest::runCommand("import -window root '" + png + "' >/dev/null 2>&1");
        }
    };
    ASSERT_EQ(qm::splash(), 0);
    sf::Image screen;
    ASSERT_TRUE(screen.loadFromFile(png));
    // The window is centred on the 1280 x 1024 screen; the green banner lies around its
    // middle (pixel 384 of 768) and the rows above it stay black.
    EXPECT_GT(qmtest::pixelsOf(screen, sf::Color::Green).count, 2000);
    EXPECT_EQ(qmtest::pixelsOf(screen, sf::Color::Green, 0, 0, 1280, 128 + 200).count, 0);
}

} // namespace
