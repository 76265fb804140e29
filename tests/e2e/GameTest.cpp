// The real program as a person runs it, in a window on the private X server: a whole session
// played with keys, what it shows read back from captures.
#include "support/GameProcess.h"
#include "support/InputDriver.h"
#include "support/VirtualDisplay.h"

#include <SFML/Graphics/Image.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace
{

using qmtest::countOf;
using qmtest::xdotool;

// Written when the fish registers for collisions: the one log trace of a game starting.
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
        double sumX = 0;
        for (unsigned i = 0; p.ok && i < 1024 * 768; ++i)
        {
            const unsigned x = i % 1024, y = i / 1024;
            const sf::Color c = image.getPixel(x, y);
            const bool cyan = c.r < 100 && c.g > 150 && c.b > 150;
            p.cyan += cyan ? 1 : 0;
            sumX += cyan ? x : 0;
            p.ground += c.r > 150 && c.g > 150 && c.b < 100 && y > 620 && x < 700 ? 1 : 0;
        }
        p.cyanX = static_cast<float>(sumX / std::max(p.cyan, 1));
        return p;
    }

    // Captures until `wanted` holds, for `seconds` at most; returns the last capture.
    template <typename Wanted> Picture captureUntil(const std::string& name, Wanted wanted, double seconds = 30)
    {
        Picture p;
        qmtest::waitFor([&] { return (p = capture(name)).ok && std::invoke(wanted, p); }, seconds);
        return p;
    }

    qmtest::VirtualDisplay xserver;
    qmtest::GameProcess game{"random_seed:4242,\n"}; // the spawner's choices are the same on every run
    // The scratch folder, or the one named by QM_E2E_SCREENSHOTS (for the documentation).
    const std::string folder = std::getenv("QM_E2E_SCREENSHOTS") ? std::getenv("QM_E2E_SCREENSHOTS") + std::string("/")
                                                                 : game.dir.path() + "/";
};

TEST_F(Game, PlayQuitThenCloseTheWindow)
{
    // Return skips the splash; the pause object, made after the start screen, logs the last line
    // before the game loop.
    ASSERT_TRUE(xdotool("key --delay 60 Return"));
    ASSERT_TRUE(game.waitForLog("Pause::Pause(): Pause enabled.")) << game.log();
    const Picture title = captureUntil("start-screen.png", &Picture::startScreen);
    ASSERT_TRUE(title.startScreen()) << "cyan " << title.cyan << ", ground " << title.ground;
    EXPECT_NEAR(title.cyanX, 512, 60) << "the title is centred";
    // Space: a game, the fish at the left.
    ASSERT_TRUE(xdotool("key --delay 60 space"));
    ASSERT_TRUE(game.waitForLog(GAME_STARTED));
    const Picture playing = captureUntil("in-play.png", &Picture::inGame);
    ASSERT_TRUE(playing.inGame()) << "cyan " << playing.cyan << ", ground " << playing.ground;
    EXPECT_LT(playing.cyanX, 200) << "the fish starts at x 6.5 cells";

    // Q: the fish gives up; once its dead self has floated away the start screen returns.
    ASSERT_TRUE(xdotool("key --delay 60 q"));
    EXPECT_TRUE(captureUntil("start-again.png", &Picture::startScreen).startScreen()) << "no start screen";

    ASSERT_TRUE(game.closeWindow());
    EXPECT_EQ(game.waitForExit(), 0);
    const std::string log = game.log();
    EXPECT_EQ(countOf(log, "** Game engine started **"), 1);
    EXPECT_EQ(countOf(log, "** Game engine stopped **"), 1);
    EXPECT_EQ(countOf(log, "Error"), 0) << log; // the data's warnings are GameStartTest's
}

} // namespace
