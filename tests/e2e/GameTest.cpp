// The real program as a person runs it, in a window on the private X server: ended by a
// signal, and a whole session played with keys, what it shows read back from captures.
#include "support/GameProcess.h"
#include "support/InputDriver.h"
#include "support/VirtualDisplay.h"

#include <SFML/Graphics/Image.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <utility>

namespace
{

using qmtest::countOf;
using qmtest::xdotool;

// Each game writes this line when its fish registers for collisions: the one log trace of a
// game starting.
const char* const GAME_STARTED = "WorldManager::isValid(): Event qm-collision handled automatically.";

// One capture of the 1024 x 768 window (80 x 24 cells of 12.8 x 32 pixels) in the engine's
// colours: the start screen's title is thousands of cyan pixels, the fish a few hundred, and
// only a game draws the ground.
struct Picture
{
    bool ok = false;
    int cyan = 0;
    int ground = 0;  // yellow pixels in the ground's rows (19.2 .. 23.2 cells) left of the health
    float cyanX = 0; // centre of the cyan pixels
    float cyanY = 0;
    bool startScreen() const { return ok && cyan > 5000 && ground < 100; }
    bool inGame() const { return ok && ground > 2000 && cyan > 50 && cyan < 3000; }
};

class Game : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(xserver.ok());
        ASSERT_TRUE(game.waitForLog("** Game engine started **")) << game.output();
        ASSERT_TRUE(game.focusWindow());
    }

    // Captures the window to `name` in the captures' folder and counts its colours.
    Picture capture(const std::string& name) const
    {
        Picture p;
        const std::string id = std::to_string(game.windowId());
        sf::Image image;
        p.ok = qmtest::runCommand("import -window " + id + " png:'" + folder + name + "' >/dev/null 2>&1") == 0 &&
               image.loadFromFile(folder + name) && image.getSize() == sf::Vector2u(1024, 768);
        double sumX = 0, sumY = 0;
        for (unsigned i = 0; p.ok && i < 1024 * 768; ++i)
        {
            const unsigned x = i % 1024, y = i / 1024;
            const sf::Color c = image.getPixel(x, y);
            const bool cyan = c.r < 100 && c.g > 150 && c.b > 150;
            p.cyan += cyan ? 1 : 0;
            sumX += cyan ? x : 0;
            sumY += cyan ? y : 0;
            p.ground += c.r > 150 && c.g > 150 && c.b < 100 && y > 620 && x < 700 ? 1 : 0;
        }
        p.cyanX = static_cast<float>(sumX / std::max(p.cyan, 1));
        p.cyanY = static_cast<float>(sumY / std::max(p.cyan, 1));
        return p;
    }

    // Captures until `wanted` holds, for `seconds` at most; returns the last capture.
    template <typename Wanted> Picture captureUntil(const std::string& name, Wanted wanted, double seconds = 30)
    {
        Picture p;
        qmtest::waitFor([&] { return (p = capture(name)).ok && std::invoke(wanted, p); }, seconds);
        return p;
    }

    // Two captures 600 ms apart: the rising bubbles change the picture unless the loop is paused.
    bool moving(const std::string& name) const
    {
        capture(name + "-1.png");
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        capture(name + "-2.png");
        const std::string first = qmtest::readFile(folder + name + "-1.png");
        EXPECT_FALSE(first.empty()) << "no capture";
        return first != qmtest::readFile(folder + name + "-2.png");
    }

    qmtest::VirtualDisplay xserver;
    qmtest::GameProcess game{"random_seed:4242,\n"}; // the spawner's choices are the same on every run
    // The scratch folder, or the one named by QM_E2E_SCREENSHOTS (for the documentation).
    const std::string folder = std::getenv("QM_E2E_SCREENSHOTS") ? std::getenv("QM_E2E_SCREENSHOTS") + std::string("/")
                                                                 : game.dir.path() + "/";
};

// An interrupt from the terminal during the splash screens' run of the loop (about three seconds)
// ends the whole program, not just the splash: once for the splash's loop, once for the game's.
// (A termination signal takes the same handler: see the terminal game's and the pause's tests.)
TEST_F(Game, InterruptDuringTheSplashEndsTheProgramCleanly)
{
    ASSERT_TRUE(game.signal(SIGINT));
    EXPECT_EQ(game.waitForExit(), 0);
    EXPECT_EQ(countOf(game.log(), "GameManager::run(): Stop requested. Setting game over."), 2);
    EXPECT_EQ(countOf(game.log(), "** Game engine stopped **"), 1);
}

TEST_F(Game, PlayQuitAndPlayAgainThenCloseTheWindow)
{
    // Return skips the splash; the pause object, made after the start screen, logs the last line
    // before the game loop.
    ASSERT_TRUE(xdotool("key --delay 60 Return"));
    ASSERT_TRUE(game.waitForLog("Pause::Pause(): Pause enabled.")) << game.log();
    const Picture title = captureUntil("start-screen.png", &Picture::startScreen);
    ASSERT_TRUE(title.startScreen()) << "cyan " << title.cyan << ", ground " << title.ground;
    EXPECT_NEAR(title.cyanX, 512, 60) << "the title is centred";
    // Space: a game, the fish landed at the left (its 3 rows end just above the ground's top).
    ASSERT_TRUE(xdotool("key --delay 60 space"));
    ASSERT_TRUE(game.waitForLog(GAME_STARTED));
    float lastY = 0; // landed: two captures in a row show the fish at the same height
    const Picture standing = captureUntil("in-play.png", [&](const Picture& p)
                                          { return p.inGame() && std::exchange(lastY, p.cyanY) == p.cyanY; });
    ASSERT_TRUE(standing.inGame()) << "cyan " << standing.cyan << ", ground " << standing.ground;
    EXPECT_LT(standing.cyanX, 200) << "the fish starts at x 6.5 cells";

    // Space held: the fish rises well above its standing height, then comes back down. Captures
    // are slow on a loaded machine, so they go on until one shows the fish high (or 3 s pass).
    ASSERT_TRUE(xdotool("keydown space"));
    float highest = standing.cyanY;
    for (const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(3000);
         std::chrono::steady_clock::now() < until && highest >= standing.cyanY - 40;)
    {
        const Picture p = capture("jump.png");
        highest = p.inGame() ? std::min(highest, p.cyanY) : highest;
    }
    ASSERT_TRUE(xdotool("keyup space"));
    EXPECT_LT(highest, standing.cyanY - 40) << "the fish did not jump";
    // A falling fish stops where its last refused move left it: above the ground by up to one
    // step's fall, which after a full jump is several pixels.
    const float slack = 10;
    const Picture landed =
        captureUntil("landed.png", [&](const Picture& p) { return p.cyanY > standing.cyanY - slack; });
    EXPECT_NEAR(landed.cyanY, standing.cyanY, slack) << "the fish did not come back to the ground";

    // Q: the fish gives up; its dead self (white) floats away and the start screen returns.
    ASSERT_TRUE(xdotool("key --delay 60 q"));
    const Picture dying = captureUntil(
        "dying.png", [](const Picture& p) { return p.cyan == 0; }, 10);
    EXPECT_EQ(dying.cyan, 0) << "the fish is still there";
    EXPECT_GT(dying.ground, 2000) << "the world stays while the dead fish rises";
    EXPECT_TRUE(captureUntil("start-again.png", &Picture::startScreen).startScreen()) << "no start screen";

    // P: a second game, where F10 still pauses and Return resumes.
    ASSERT_TRUE(xdotool("key --delay 60 p"));
    ASSERT_TRUE(game.waitForLog(GAME_STARTED, 2));
    ASSERT_TRUE(captureUntil("second-game.png", &Picture::inGame).inGame());
    ASSERT_TRUE(xdotool("key --delay 60 F10 sleep 0.5"));
    EXPECT_FALSE(moving("paused")) << "F10 did not pause the second game";
    ASSERT_TRUE(xdotool("key --delay 60 Return sleep 0.5"));
    EXPECT_TRUE(moving("resumed")) << "the game did not resume";

    ASSERT_TRUE(game.closeWindow());
    EXPECT_EQ(game.waitForExit(), 0);
    const std::string log = game.log();
    EXPECT_EQ(countOf(log, "** Game engine started **"), 1);
    EXPECT_EQ(countOf(log, GAME_STARTED), 2);
    EXPECT_EQ(countOf(log, "** Game engine stopped **"), 1);
    EXPECT_EQ(countOf(log, "Error"), 0) << log; // the data's warnings are GameStartTest's
}

} // namespace
