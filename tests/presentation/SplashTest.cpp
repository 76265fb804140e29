// The splash screens: their 90-step timeline, ending on a key, and how they look.
#include "support/EngineTest.h"
#include "support/VirtualDisplay.h"
#include "support/WorldTest.h"

#include <qm/DisplayManager.h>
#include <qm/EventKeyboard.h>
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/Splash.h>
#include <qm/SplashQuillmere.h>
#include <qm/WorldManager.h>

#include <SFML/Graphics/RenderWindow.hpp>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace
{

using qmtest::countOf;

// Watches each step of the splash's loop: counts the splash objects alive and can act.
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
        const int step = static_cast<const qm::EventStep*>(event)->getStepCount();
        qm::WorldManager& world = qm::WorldManager::getInstance();
        banners.push_back(world.objectsOfType("Splash").getCount());
        logos.push_back(world.objectsOfType("SplashQuillmere").getCount());
        if (onStep)
        {
            onStep(step);
        }
        return 1;
    }
    std::vector<int> banners;
    std::vector<int> logos;
    std::function<void(int)> onStep;
};

// Hands a key press to every splash object, as the input manager would.
void pressKey()
{
    qm::EventKeyboard key;
    key.setKey(qm::SPACE);
    key.setKeyboardAction(qm::KEY_PRESS);
    qm::WorldManager& world = qm::WorldManager::getInstance();
    for (const char* type : {"Splash", "SplashQuillmere"})
    {
        const qm::ObjectList list = world.objectsOfType(type);
        for (qm::ObjectListIterator it(&list); !it.isDone(); it.next())
        {
            it.currentObject()->eventHandler(&key);
        }
    }
}

class SplashTimeline : public qmtest::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_EQ(startEngine("frame_time:0,\n"), 0);
    }
    qm::WorldManager& world = qm::WorldManager::getInstance();
};

TEST_F(SplashTimeline, RunsNinetyStepsAndLeavesNothingBehind)
{
    auto* watcher = new Watcher;
    ASSERT_EQ(qm::splash(), 0);
    // The loop ran steps 0 to 89; the logo appeared during step 14 and was first counted
    // at step 15.
    ASSERT_EQ(watcher->banners.size(), 90u);
    EXPECT_EQ(watcher->logos[14], 0);
    EXPECT_EQ(watcher->logos[15], 1);
    EXPECT_EQ(watcher->banners[89], 1);
    EXPECT_EQ(world.objectsOfType("Splash").getCount(), 0);
    EXPECT_EQ(world.objectsOfType("SplashQuillmere").getCount(), 0);
    EXPECT_EQ(qm::GameManager::getInstance().getStepCount(), 90);
}

TEST_F(SplashTimeline, BannerSlidesInAndStopsWhereTheLogoLands)
{
    // The banner's speed follows the frame time (33 ms: half of it, 16, steps per slide).
    qm::GameManager::getInstance().shutDown();
    ASSERT_EQ(startEngine("frame_time:33,\n"), 0);
    auto* watcher = new Watcher;
    qm::Vector bannerAt14, logoStart, logoAt60;
    watcher->onStep = [&](int step)
    {
        const qm::ObjectList banner = world.objectsOfType("Splash");
        const qm::ObjectList logo = world.objectsOfType("SplashQuillmere");
        if (step == 15)
        {
            bannerAt14 = qmtest::contents(banner).at(0)->getPosition();
            logoStart = qmtest::contents(logo).at(0)->getPosition();
        }
        if (step == 60)
        {
            logoAt60 = qmtest::contents(logo).at(0)->getPosition();
        }
    };
    ASSERT_EQ(qm::splash(), 0);
    // Started beyond the right edge (80 + 23.5) and slid at (40 + 23.5 + 11) / 16 per step
    // in steps 0 to 13; step 14 stopped it before the world moved it.
    EXPECT_NEAR(bannerAt14.getX(), 103.5f - 14 * 74.5f / 16, 0.01f);
    EXPECT_FLOAT_EQ(bannerAt14.getY(), 12.0f);
    // Made below the view (24 + 6) during step 14's event, it moved once in that update.
    EXPECT_NEAR(logoStart.getY(), 30.0f - 17.0f / 30.0f, 0.01f);
    // Flown up to one row below the banner's centre, moved a cell left when it settled.
    EXPECT_NEAR(logoAt60.getY(), 13.0f, 0.01f);
    EXPECT_NEAR(logoAt60.getX(), bannerAt14.getX() + 23.0f, 0.01f);
}

TEST_F(SplashTimeline, KeyDuringTheSlideEndsAtOnceWithoutALogo)
{
    auto* watcher = new Watcher;
    watcher->onStep = [](int step)
    {
        if (step == 5)
        {
            pressKey();
        }
    };
    ASSERT_EQ(qm::splash(), 0);
    EXPECT_EQ(watcher->banners.size(), 6u);
    EXPECT_EQ(*std::max_element(watcher->logos.begin(), watcher->logos.end()), 0);
    EXPECT_EQ(world.objectsOfType("Splash").getCount(), 0);
}

TEST_F(SplashTimeline, KeyWhileBothShowEndsBoth)
{
    auto* watcher = new Watcher;
    watcher->onStep = [](int step)
    {
        if (step == 30)
        {
            pressKey();
        }
    };
    ASSERT_EQ(qm::splash(), 0);
    EXPECT_EQ(watcher->banners.size(), 31u);
    EXPECT_EQ(world.objectsOfType("Splash").getCount(), 0);
    EXPECT_EQ(world.objectsOfType("SplashQuillmere").getCount(), 0);
}

TEST_F(SplashTimeline, NextRunStartsWithGameOverCleared)
{
    ASSERT_EQ(qm::splash(), 0);
    auto* watcher = new Watcher;
    watcher->onStep = [](int step)
    {
        if (step == 3)
        {
            qm::GameManager::getInstance().setGameOver();
        }
    };
    qm::GameManager::getInstance().run();
    EXPECT_EQ(watcher->banners.size(), 4u);
}

TEST(SplashBeforeStartUp, RefusesAndCreatesNothing)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(qm::splash(), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countOf(err, "splash(): Error! Cannot run splash screen until game manger is started."), 1);
    EXPECT_EQ(qm::WorldManager::getInstance().getAllObjects(true).getCount(), 0);
}

// Captures the window at a few moments of the splash, for the eye and for pixel checks.
class SplashWindow : public qmtest::EngineTest
{
protected:
    qmtest::VirtualDisplay xserver;
};

TEST_F(SplashWindow, ShowsTheBannerAndTheLogo)
{
    ASSERT_TRUE(xserver.ok());
    // At the real frame time: the screen then shows each frame as the player sees it.
    dir.write("qm-config.txt", "font_file:" + std::string(QM_RUN_DIR) + "/qm-font.ttf,\nframe_time:33,\n");
    ASSERT_EQ(qm::GameManager::getInstance().startUp(), 0);
    const std::string captures = std::string(QM_RUN_DIR) + "/../captures";
    std::filesystem::create_directories(captures);

    // What the screen shows late in the splash: the banner and the settled quill.
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

    // The window is centred on the 1280 x 1024 screen; the banner's rows lie around its
    // middle (pixels 384 of 768), green, and the rows above it stay black.
    int green = 0, greenHigh = 0;
    for (unsigned y = 0; y < screen.getSize().y; ++y)
    {
        for (unsigned x = 0; x < screen.getSize().x; ++x)
        {
            if (screen.getPixel(x, y) == sf::Color::Green)
            {
                ++green;
                greenHigh += y < 128 + 200 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(green, 2000);
    EXPECT_EQ(greenHigh, 0);
}

} // namespace
