// Exact replays and recordings: the replay reader refuses bad files naming the line; a committed
// replay of a whole fish game replays to every stored hash in the test process and in the real
// program, one changed event makes it diverge at the right step, and its recording (asciicast)
// played back through a terminal emulator ends on the game's last grid.
#include "GameStart.h"
#include "loadResources.h"
#include "support/EngineTest.h"
#include "support/GameProcess.h"
#include "support/VirtualDisplay.h"
#include "support/VtermScreen.h"

#include <qm/CastRecorder.h>
#include <qm/DisplayManager.h>
#include <qm/InputReplay.h>
#include <qm/Pause.h>
#include <qm/ReplayFile.h>
#include <qm/Splash.h>

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>

namespace
{

const std::string FISH_GAME = std::string(QM_TEST_DATA_DIR) + "/replays/fish-game.replay";
const std::string HEADER = "quillmere-replay 1\nconfig random_seed:5,frame_time:33,\n";

std::string repeated(const std::string& line, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
    {
        text += line;
    }
    return text;
}

// Each bad file is refused with a message naming its line, and leaves nothing behind.
TEST(ReplayReader, RefusesBadFilesNamingTheLine)
{
    const struct
    {
        const char* name;
        std::string text;
        const char* error; // the start of the message
    } cases[] = {
        {"Empty", "", "line 1: missing (no end line"},
        {"NoEndLine", HEADER + "3 key press 0\n", "line 4: missing (no end line"},
        {"CutMidLine", HEADER + "3 key pre", "line 3: no line end"},
        {"OtherFormat", "hello 1\n", "line 1: not a replay file"},
        {"UnknownVersion", "quillmere-replay 2\n", "line 1: unknown version '2'"},
        {"HugeVersion", "quillmere-replay 99999999999999999999\n", "line 1: unknown version"},
        {"SettingNotAllowed", "quillmere-replay 1\nconfig random_seed:1,log_file:x,\nend 0\n",
         "line 2: setting 'log_file:x'"},
        {"NoSeed", "quillmere-replay 1\nconfig frame_time:33,\nend 0\n", "line 2: no random_seed"},
        {"SettingNotANumber", "quillmere-replay 1\nconfig random_seed:x1,\nend 0\n", "line 2: setting"},
        {"StepsReordered", HEADER + "40 key press 0\n12 key press 0\nend 50\n", "line 4: step 12 comes after step 40"},
        {"EventAfterItsStepsHash", HEADER + "100 hash 0123456789abcdef\n100 key held 3\nend 100\n",
         "line 4: step 100 comes after step 100"},
        {"HashMissing", HEADER + "150 key press 0\nend 150\n", "line 3: the hash of step 100 is missing"},
        {"HashMissingBeforeEnd", HEADER + "end 250\n", "line 3: the hash of step 100 is missing"},
        {"HashAtWrongStep", HEADER + "99 hash 0123456789abcdef\n", "line 3: a hash belongs to step 100"},
        {"HashNotHex", HEADER + "100 hash 0123456789ABCDEF\n", "line 3: a hash is 16"},
        {"ZeroStep", HEADER + "0 key press 0\n", "line 3: expected"},
        {"AbsurdStep", HEADER + "4000000000 key press 0\n", "line 3: expected"},
        {"AbsurdStepCount", HEADER + "end 4000000000\n", "line 3: bad step count"},
        {"EndBeforeLastStep", HEADER + "30 key press 0\nend 29\n", "line 4: bad step count"},
        {"TooManyEventsInAStep", HEADER + repeated("7 key held 3\n", qm::MAX_REPLAY_EVENTS_PER_STEP + 1),
         "line 4099: more than 4096 events in step 7"},
        {"KeyOutOfRange", HEADER + "1 key press 100000\n", "line 3: expected \"<step> key"},
        {"UnknownAction", HEADER + "1 key tap 3\n", "line 3: expected \"<step> key"},
        {"MouseNotANumber", HEADER + "1 mouse click 0 nan 2\n", "line 3: expected \"<step> mouse"},
        {"MouseFarAway", HEADER + "1 mouse move 0 1e30 2\n", "line 3: expected \"<step> mouse"},
        {"UnknownRecord", HEADER + "1 joystick 3\n", "line 3: unknown record 'joystick'"},
        {"TrailingSpace", HEADER + "1 key press 3 \n", "line 3: expected"},
        {"BinaryJunk", HEADER + std::string("1 key \x01\xff\x00press 3\n", 17), "line 3: not text"},
        {"OverlongLine", HEADER + std::string(300, '7') + "\n", "line 3: longer than 200 bytes"},
        {"AfterTheEnd", HEADER + "end 5\n6 key press 0\n", "line 4: after the end line"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        qm::ReplayFile file;
        file.steps = 99;
        std::string error;
        EXPECT_EQ(qm::ReplayFile::parse(c.text, file, error), -1);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        EXPECT_TRUE(file.events.empty() && file.steps == 0) << "a refused file leaves nothing behind";
    }
}

TEST(ReplayText, RandomReplaysReadBackAsWritten)
{
    std::mt19937 random(22);
    for (int round = 0; round < 50; ++round)
    {
        qm::ReplayFile written;
        written.config = "random_seed:" + std::to_string(static_cast<int>(random())) + ",frame_time:33,";
        int step = 1;
        for (int i = static_cast<int>(random() % 300); i > 0; --i)
        {
            step += static_cast<int>(random() % 40);
            qm::ReplayEvent event;
            event.step = step;
            event.mouse = random() % 2 == 0;
            event.action = static_cast<int>(random() % 3);
            event.code = event.mouse ? static_cast<int>(random() % 4) - 1 : static_cast<int>(random() % 200);
            event.x = event.mouse ? std::uniform_real_distribution<float>(-5.0f, 100.0f)(random) : 0.0f;
            event.y = event.mouse ? std::uniform_real_distribution<float>(-5.0f, 30.0f)(random) : 0.0f;
            written.events.push_back(event);
        }
        written.steps = step + static_cast<int>(random() % 200);
        for (int i = 0; i < written.steps / qm::REPLAY_HASH_INTERVAL; ++i)
        {
            written.hashes.push_back((static_cast<std::uint64_t>(random()) << 32) ^ random());
        }
        qm::ReplayFile read;
        std::string error;
        ASSERT_EQ(qm::ReplayFile::parse(written.toText(), read, error), 0) << error;
        EXPECT_EQ(read.config, written.config);
        EXPECT_EQ(read.events, written.events);
        EXPECT_EQ(read.hashes, written.hashes);
        EXPECT_EQ(read.steps, written.steps);
    }
}

// The text of an asciicast's output events, one string per frame, its JSON escapes decoded.
std::vector<std::string> castFrames(const std::string& cast)
{
    std::vector<std::string> frames;
    for (std::size_t at = cast.find(", \"o\", \""); at != std::string::npos; at = cast.find(", \"o\", \"", at))
    {
        std::string text;
        for (at += 8; at < cast.size() && cast[at] != '"'; ++at)
        {
            if (cast[at] == '\\' && cast[at + 1] == 'u')
            {
                text += static_cast<char>(std::stoi(cast.substr(at + 2, 4), nullptr, 16));
                at += 5;
            }
            else
            {
                text += cast[at] == '\\' ? cast[++at] : cast[at];
            }
        }
        frames.push_back(text);
    }
    return frames;
}

// The fish game of the game's entry (splash, start screen, pause key), played from `replay`.
class ReplayedGame : public qmtest::EngineTest
{
protected:
    void TearDown() override
    {
        qmtest::EngineTest::TearDown();
        qm::InputReplay::getInstance().reset();
        qm::CastRecorder::getInstance().recordTo("");
        qm::GameManager::getInstance().setPacing(true);
    }

    // Plays the game to the replay's end; the grid of the last frame shown.
    qm::CellGrid play(const std::string& replayPath, const std::string& castPath)
    {
        std::string error;
        EXPECT_EQ(qm::InputReplay::getInstance().playFrom(replayPath, error), 0) << error;
        qm::CastRecorder::getInstance().recordTo(castPath);
        qm::GameManager& game = qm::GameManager::getInstance();
        game.setPacing(false);
        std::filesystem::current_path(QM_RUN_DIR);
        EXPECT_EQ(startEngine(), 0);
        qm::splash();
        loadResources();
        new GameStart;
        new qm::Pause(qm::F10);
        game.run();
        return qm::DisplayManager::getInstance().getCellGrid();
    }
};

TEST_F(ReplayedGame, CommittedFishGameReplaysToEveryHashAndItsRecordingEndsOnTheLastGrid)
{
    const qm::CellGrid last = play(FISH_GAME, dir.file("game.cast"));
    const qm::InputReplay& replay = qm::InputReplay::getInstance();
    EXPECT_TRUE(replay.isFinished());
    EXPECT_FALSE(replay.hasDiverged()) << "diverged at step " << replay.getDivergedStep();
    qm::GameManager::getInstance().shutDown();
    EXPECT_NE(log().find("replay finished after"), std::string::npos);

    const std::string cast = qmtest::readFile(dir.file("game.cast"));
    EXPECT_EQ(cast.rfind("{\"version\": 2, \"width\": 80, \"height\": 24, \"timestamp\": ", 0), 0u)
        << cast.substr(0, 99);
    EXPECT_NE(cast.find("\"title\": \"Quillmere\""), std::string::npos);
    // Played back frame by frame: the game starts, the fish is powered up (magenta) at times,
    // loses its three lives, and the start screen returns.
    qmtest::VtermScreen screen(80, 24);
    std::set<std::string> health;
    int poweredFrames = 0;
    for (const std::string& frame : castFrames(cast))
    {
        screen.feed(frame);
        std::string text;
        bool powered = false;
        for (int y = 0; y < 24; ++y)
        {
            for (int x = 0; x < 80; ++x)
            {
                const VTermScreenCell cell = screen.cell(x, y);
                text += cell.chars[0] == 0 ? ' ' : static_cast<char>(cell.chars[0]);
                powered = powered || (cell.chars[0] == 'o' && qmtest::heldColor(cell.fg, false) == "i5" && x + 1 < 80 &&
                                      screen.cell(x + 1, y).chars[0] == '>');
            }
        }
        const std::size_t at = text.find("Health ");
        if (at != std::string::npos)
        {
            health.insert(text.substr(at, 8));
        }
        poweredFrames += powered ? 1 : 0;
    }
    EXPECT_EQ(health, (std::set<std::string>{"Health 0", "Health 1", "Health 2", "Health 3"}));
    EXPECT_GT(poweredFrames, 30) << "the fish never picked up a power-up";
    EXPECT_NE(last.toText().find("Space or P"), std::string::npos) << last.toText();
    qmtest::expectScreenShows(screen, last, qm::COLORS_256);
    // The recording player reads it too (it needs a terminal: `script` lends it one).
    const std::string shown = qmtest::commandOutput("script -q -e -c 'asciinema cat " + dir.file("game.cast") +
                                                    "' /dev/null < /dev/null; echo \"exit $?\"");
    EXPECT_NE(shown.find("Space or P"), std::string::npos);
    EXPECT_EQ(shown.substr(shown.size() - 7), "exit 0\n");
}

TEST_F(ReplayedGame, UnwritableRecordingsAreLoggedAndTheGameGoesOn)
{
    qm::InputReplay::getInstance().recordTo("/dev/full");
    play(FISH_GAME, dir.file("no-such-folder/game.cast"));
    EXPECT_TRUE(qm::InputReplay::getInstance().isFinished()) << "the game ran to the replay's end";
    qm::GameManager::getInstance().shutDown();
    EXPECT_NE(log().find("CastRecorder::begin(): Error! cannot write recording"), std::string::npos);
    EXPECT_NE(log().find("InputReplay: Error! cannot write replay file '/dev/full': No space left on device. "
                         "Recording stopped."),
              std::string::npos);
}

// The real program replays the committed game, and a copy with one event changed.
TEST(ReplayProgram, ReplaysWithOrWithoutTheStreamDivergesAtTheNextHashOnAChangedEventAndRefusesABadFile)
{
    const std::string original = qmtest::readFile(FISH_GAME);
    // The first press of D (in play; walking needs the held reports that follow it) becomes a
    // press of Q, which gives the game up at once: the world differs from that step on.
    const std::size_t at = original.find(" key press " + std::to_string(qm::D) + "\n");
    ASSERT_NE(at, std::string::npos);
    const std::size_t lineStart = original.rfind('\n', at) + 1;
    const int step = std::stoi(original.substr(lineStart));
    const int expected = (step + qm::REPLAY_HASH_INTERVAL - 1) / qm::REPLAY_HASH_INTERVAL * qm::REPLAY_HASH_INTERVAL;
    std::string changed = original;
    changed.replace(at, 14, " key press " + std::to_string(qm::Q) + "\n");

    // The committed game replays the same with networking and the cell stream on.
    const std::string streaming = "networking:true,\ncell_stream:true,\ncell_port:0,\n";
    for (const auto& [text, exitStatus, config] :
         {std::tuple{original, 0, std::string()}, std::tuple{original, 0, streaming},
          std::tuple{changed, 1, std::string()}})
    {
        qmtest::ScratchDir scratch;
        const std::string path = scratch.write("game.replay", text);
        qmtest::GameProcess game(config, "quillmere", {"--headless", "--replay", path, "--fast"});
        EXPECT_EQ(game.waitForExit(), exitStatus) << game.output();
        if (exitStatus == 0)
        {
            EXPECT_NE(game.log().find("every hash equal"), std::string::npos);
            continue;
        }
        EXPECT_NE(game.output().find("replay diverged at step " + std::to_string(expected) + "\n"), std::string::npos)
            << game.output();
        EXPECT_NE(game.log().find("replay diverged at step " + std::to_string(expected) + ": stored hash "),
                  std::string::npos);
    }
    // A bad replay is refused naming its line.
    qmtest::ScratchDir scratch;
    const std::string path = scratch.write("bad.replay", HEADER + "40 key press 0\n12 key press 0\nend 50\n");
    qmtest::GameProcess game("", "quillmere", {"--headless", "--replay", path});
    EXPECT_EQ(game.waitForExit(), 2);
    EXPECT_EQ(game.output(), "quillmere: replay file '" + path + "': line 4: step 12 comes after step 40\n");
}

} // namespace
