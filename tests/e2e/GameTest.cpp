// A whole session of the game as a person plays it: the real program in its run directory,
// in a window on the private X server, driven with keys; what it shows is read back from
// captures of its window.
#include "support/EngineTest.h"
#include "support/GameProcess.h"
#include "support/VirtualDisplay.h"

#include <SFML/Graphics/Image.hpp>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

namespace
{

using namespace std::chrono_literals;
using qmtest::countOf;
using qmtest::readFile;
using Clock = std::chrono::steady_clock;

// Each game writes this line when its fish registers for collisions (which arrive without
// registering): the one log trace of a game starting.
const char* const GAME_STARTED = "WorldManager::isValid(): Event qm-collision handled automatically.";
// The last line the program writes before its game loop: the pause object is made after
// the start screen.
const char* const START_SCREEN_UP = "Pause::Pause(): Pause enabled.";

// What one capture of the window shows, counted in pixels of the engine's colours. A cell is
// 12.8 x 32 pixels in the default 1024 x 768 window of 80 x 24 cells.
struct Picture
{
    bool ok = false;
    int cyan = 0;   // the fish, or the start screen's title
    int yellow = 0; // the ground and the score displays
    int groundYellow = 0;
    float cyanX = 0; // centre of the cyan pixels, in pixels
    float cyanY = 0;
};

class Game : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(xserver.ok());
        // A fixed seed: the spawner's choices are the same on every run.
        dir.write("qm-config.txt", "random_seed:4242,\n");
    }

    qmtest::GameProcess start()
    {
        return qmtest::GameProcess(std::string(QM_RUN_DIR) + "/quillmere", QM_RUN_DIR,
                                   {"QUILLMERE_LOG=" + logPath, "QUILLMERE_CONFIG=" + dir.file("qm-config.txt")},
                                   dir.file("output.txt"));
    }

    // Captures the game's window to `name` in the scratch folder (and to the folder named by
    // QM_E2E_SCREENSHOTS, when set, for the documentation) and counts its colours.
    Picture capture(const std::string& name)
    {
        Picture picture;
        const std::string id = qmtest::commandOutput("xdotool search --name '^Quillmere$' 2>/dev/null | head -n 1");
        const std::string path = dir.file(name);
        if (id.empty() || qmtest::runCommand("import -window " + id.substr(0, id.find('\n')) + " png:'" + path +
                                             "' >/dev/null 2>&1") != 0)
        {
            return picture;
        }
        if (const char* keep = std::getenv("QM_E2E_SCREENSHOTS"))
        {
            qmtest::runCommand("cp '" + path + "' '" + std::string(keep) + "/" + name + "'");
        }
        sf::Image image;
        if (!image.loadFromFile(path))
        {
            return picture;
        }
        const sf::Vector2u size = image.getSize();
        double sumX = 0;
        double sumY = 0;
        for (unsigned y = 0; y < size.y; ++y)
        {
            for (unsigned x = 0; x < size.x; ++x)
            {
                const sf::Color c = image.getPixel(x, y);
                if (c.r < 100 && c.g > 150 && c.b > 150)
                {
                    ++picture.cyan;
                    sumX += x;
                    sumY += y;
                }
                else if (c.r > 150 && c.g > 150 && c.b < 100)
                {
                    ++picture.yellow;
                    // The ground's rows: 19.2 .. 23.2 cells, minus the health display's corner.
                    if (y > 620 && x < 700)
                    {
                        ++picture.groundYellow;
                    }
                }
            }
        }
        picture.ok = size.x == 1024 && size.y == 768;
        if (picture.cyan > 0)
        {
            picture.cyanX = static_cast<float>(sumX / picture.cyan);
            picture.cyanY = static_cast<float>(sumY / picture.cyan);
        }
        return picture;
    }

    // Captures until `wanted` holds for a capture, at most `limit`. Returns the last capture.
    Picture captureUntil(const std::string& name, const std::function<bool(const Picture&)>& wanted,
                         std::chrono::milliseconds limit = 30s)
    {
        const auto deadline = Clock::now() + limit;
        Picture picture = capture(name);
        while (!(picture.ok && wanted(picture)) && Clock::now() < deadline)
        {
            std::this_thread::sleep_for(100ms);
            picture = capture(name);
        }
        return picture;
    }

    static bool sameFile(const std::string& a, const std::string& b)
    {
        const std::string first = readFile(a);
        return !first.empty() && first == readFile(b);
    }

    qmtest::VirtualDisplay xserver;
    qmtest::ScratchDir dir;
    std::string logPath = dir.file("game.log");
};

// The start screen's title is thousands of cyan pixels, the fish a few hundred; only a game
// draws the ground.
bool showsStartScreen(const Picture& p)
{
    return p.cyan > 5000 && p.groundYellow < 100;
}

bool showsGame(const Picture& p)
{
    return p.groundYellow > 2000 && p.cyan > 50 && p.cyan < 3000;
}

TEST_F(Game, PlayQuitAndPlayAgainThenCloseTheWindow)
{
    qmtest::GameProcess game = start();
    ASSERT_TRUE(game.started());
    ASSERT_TRUE(game.waitForText(logPath, "** Game engine started **")) << readFile(dir.file("output.txt"));
    ASSERT_TRUE(game.focusWindow("Quillmere"));
    game.tap("Return"); // skips the splash; on the start screen it would do nothing
    ASSERT_TRUE(game.waitForText(logPath, START_SCREEN_UP, 1, 60s)) << readFile(logPath);

    const Picture title = captureUntil("start-screen.png", showsStartScreen);
    ASSERT_TRUE(showsStartScreen(title)) << "cyan " << title.cyan << ", ground " << title.groundYellow;
    EXPECT_NEAR(title.cyanX, 512, 60) << "the title is centred";

    // Space: a game with the fish on the ground at the left.
    game.tap("space");
    ASSERT_TRUE(game.waitForText(logPath, GAME_STARTED, 1, 30s));
    const Picture standing = captureUntil("in-play.png",
                                          [](const Picture& p)
                                          {
                                              // Landed: its 3 rows end just above the ground's top (19.2 cells).
                                              return showsGame(p) && p.cyanY > 530;
                                          });
    ASSERT_TRUE(showsGame(standing)) << "cyan " << standing.cyan << ", ground " << standing.groundYellow;
    EXPECT_LT(standing.cyanX, 200) << "the fish starts at x 6.5 cells";

    // D held: the fish walks right.
    ASSERT_TRUE(game.press("d"));
    std::this_thread::sleep_for(600ms);
    ASSERT_TRUE(game.release("d"));
    const Picture walked = captureUntil("walked.png", showsGame, 10s);
    EXPECT_GT(walked.cyanX, standing.cyanX + 60) << "the fish did not walk";

    // Space held: the fish rises well above its standing height, then comes back down.
    ASSERT_TRUE(game.press("space"));
    float highest = walked.cyanY;
    const auto until = Clock::now() + 1500ms;
    while (Clock::now() < until)
    {
        const Picture p = capture("jump.png");
        if (p.ok && p.cyan > 50 && p.cyan < 3000)
        {
            highest = std::min(highest, p.cyanY);
        }
    }
    ASSERT_TRUE(game.release("space"));
    EXPECT_LT(highest, walked.cyanY - 40) << "the fish did not jump";
    const Picture landed = captureUntil("landed.png", [&](const Picture& p) { return p.cyanY > walked.cyanY - 5; });
    EXPECT_NEAR(landed.cyanY, walked.cyanY, 5) << "the fish did not come back to the ground";

    // Q: the fish gives up; its dead self (white) floats away and the start screen returns.
    game.tap("q");
    const Picture dying = captureUntil(
        "dying.png", [](const Picture& p) { return p.cyan == 0; }, 10s);
    EXPECT_EQ(dying.cyan, 0) << "the fish is still there";
    EXPECT_GT(dying.groundYellow, 2000) << "the world stays while the dead fish rises";
    const Picture back = captureUntil("start-again.png", showsStartScreen, 30s);
    ASSERT_TRUE(showsStartScreen(back)) << "the start screen did not return";

    // P: a second game, where F10 still pauses.
    game.tap("p");
    ASSERT_TRUE(game.waitForText(logPath, GAME_STARTED, 2, 30s));
    ASSERT_TRUE(showsGame(captureUntil("second-game.png", showsGame)));
    game.tap("F10");
    std::this_thread::sleep_for(500ms);
    capture("paused-1.png");
    std::this_thread::sleep_for(700ms);
    capture("paused-2.png");
    // Rising bubbles change every frame unless the loop is paused.
    EXPECT_TRUE(sameFile(dir.file("paused-1.png"), dir.file("paused-2.png"))) << "F10 did not pause the second game";
    game.tap("Return"); // resumes
    std::this_thread::sleep_for(500ms);
    capture("resumed-1.png");
    std::this_thread::sleep_for(500ms);
    capture("resumed-2.png");
    EXPECT_FALSE(sameFile(dir.file("resumed-1.png"), dir.file("resumed-2.png"))) << "the game did not resume";

    ASSERT_TRUE(game.closeWindow());
    EXPECT_EQ(game.waitForExit(60s), 0);

    const std::string log = readFile(logPath);
    EXPECT_EQ(countOf(log, "** Game engine started **"), 1);
    EXPECT_EQ(countOf(log, GAME_STARTED), 2);
    EXPECT_EQ(countOf(log, "** Game engine stopped **"), 1);
    // No error and no warning, but for the engine's note (once at most) that a machine
    // without an audio device plays silently.
    const int silentAudio = countOf(log, "No audio device");
    EXPECT_LE(silentAudio, 1);
    EXPECT_EQ(countOf(log, "Error"), 0) << log;
    EXPECT_EQ(countOf(log, "Warning"), silentAudio) << log;
}

TEST_F(Game, QOnTheStartScreenEndsTheProgram)
{
    qmtest::GameProcess game = start();
    ASSERT_TRUE(game.waitForText(logPath, "** Game engine started **"));
    ASSERT_TRUE(game.focusWindow("Quillmere"));
    game.tap("Return");
    ASSERT_TRUE(game.waitForText(logPath, START_SCREEN_UP, 1, 60s));
    ASSERT_TRUE(showsStartScreen(captureUntil("start-screen.png", showsStartScreen)));
    game.tap("q");
    EXPECT_EQ(game.waitForExit(60s), 0);
    const std::string log = readFile(logPath);
    EXPECT_EQ(countOf(log, GAME_STARTED), 0);
    EXPECT_EQ(countOf(log, "** Game engine stopped **"), 1);
}

} // namespace
