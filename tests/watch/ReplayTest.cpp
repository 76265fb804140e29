// Exact replays and recordings: the replay file's reader and writer; the committed fish game replayed to every
// stored hash in the test process and in the real program; its recording played back in a terminal emulator.
#include "GameStart.h"
#include "loadResources.h"
#include "support/EngineTest.h"
#include "support/GameProcess.h"
#include "support/VtermScreen.h"

#include <qm/CastRecorder.h>
#include <qm/DisplayManager.h>
#include <qm/InputReplay.h>
#include <qm/Pause.h>
#include <qm/ReplayFile.h>
#include <qm/Splash.h>

#include <gtest/gtest.h>

#include <set>

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
    } cases[] = {{"NoEndLine", HEADER + "3 key press 0\n", "line 4: missing (no end line"},
                 {"CutMidLine", HEADER + "3 key pre", "line 3: no line end"},
                 {"OtherFormat", "hello 1\n", "line 1: not a replay file"},
                 {"HugeVersion", "quillmere-replay 99999999999999999999\n", "line 1: unknown version"},
                 {"SettingNotAllowed", "quillmere-replay 1\nconfig random_seed:1,log_file:x,\nend 0\n",
                  "line 2: setting 'log_file:x'"},
                 {"NoSeed", "quillmere-replay 1\nconfig frame_time:33,\nend 0\n", "line 2: no random_seed"},
                 {"SettingNotANumber", "quillmere-replay 1\nconfig random_seed:x1,\nend 0\n", "line 2: setting"},
                 {"EventAfterItsStepsHash", HEADER + "100 hash 0123456789abcdef\n100 key held 3\nend 100\n",
                  "line 4: step 100 comes after step 100"},
                 {"HashMissing", HEADER + "150 key press 0\nend 150\n", "line 3: the hash of step 100 is missing"},
                 {"HashMissingBeforeEnd", HEADER + "end 250\n", "line 3: the hash of step 100 is missing"},
                 {"HashAtWrongStep", HEADER + "99 hash 0123456789abcdef\n", "line 3: a hash belongs to step 100"},
                 {"HashNotHex", HEADER + "100 hash 0123456789ABCDEF\n", "line 3: a hash is 16"},
                 {"ZeroStep", HEADER + "0 key press 0\n", "line 3: expected"},
                 {"EndBeforeLastStep", HEADER + "30 key press 0\nend 29\n", "line 4: bad step count"},
                 {"TooManyEventsInAStep", HEADER + repeated("7 key held 3\n", qm::MAX_REPLAY_EVENTS_PER_STEP + 1),
                  "line 4099: more than 4096 events in step 7"},
                 {"KeyOutOfRange", HEADER + "1 key press 100000\n", "line 3: expected \"<step> key"},
                 {"MouseNotANumber", HEADER + "1 mouse click 0 nan 2\n", "line 3: expected \"<step> mouse"},
                 {"MouseFarAway", HEADER + "1 mouse move 0 1e30 2\n", "line 3: expected \"<step> mouse"},
                 {"MouseWordTooMany", HEADER + "1 mouse click 0 2 3 4\n", "line 3: expected \"<step> mouse"},
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

// The committed replay, with a mouse line of each action added, is written back as it was read.
TEST(ReplayText, ReadsBackAsWritten)
{
    std::string text = qmtest::readFile(FISH_GAME), error;
    text.insert(text.find("89 key press 0\n"),
                "3 mouse click -1 -4.5 29.25\n5 mouse held 2 0.125 3\n7 mouse move 1 99 0\n");
    qm::ReplayFile file;
    ASSERT_EQ(qm::ReplayFile::parse(text, file, error), 0) << error;
    EXPECT_EQ(file.toText(), text);
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
};

// The input recorded while replaying is the replay itself, byte for byte; a cast into a missing folder is logged.
TEST_F(ReplayedGame, CommittedFishGameReplaysToEveryHashAndRecordsItselfAndItsRecordingEndsOnTheLastGrid)
{
    // The fish game as the game's entry plays it (splash, start screen, pause key).
    std::string error;
    EXPECT_EQ(qm::InputReplay::getInstance().playFrom(FISH_GAME, error), 0) << error;
    qm::InputReplay::getInstance().recordTo(dir.file("again.replay"));
    qm::CastRecorder::getInstance().recordTo(dir.file("game.cast"));
    qm::GameManager::getInstance().setPacing(false);
    std::filesystem::current_path(QM_RUN_DIR);
    ASSERT_EQ(startEngine(), 0);
    qm::splash();
    loadResources();
    new GameStart;
    new qm::Pause(qm::F10);
    qm::GameManager::getInstance().run();
    const qm::CellGrid last = qm::DisplayManager::getInstance().getCellGrid();
    const qm::InputReplay& replay = qm::InputReplay::getInstance();
    EXPECT_TRUE(replay.isFinished());
    EXPECT_FALSE(replay.hasDiverged()) << "diverged at step " << replay.getDivergedStep();
    qm::GameManager::getInstance().shutDown();
    EXPECT_NE(log().find("replay finished after"), std::string::npos);
    EXPECT_EQ(qmtest::readFile(dir.file("again.replay")), qmtest::readFile(FISH_GAME));

    const std::string cast = qmtest::readFile(dir.file("game.cast"));
    EXPECT_EQ(cast.rfind("{\"version\": 2, \"width\": 80, \"height\": 24, \"timestamp\": ", 0), 0u)
        << cast.substr(0, 99);
    EXPECT_NE(cast.find("\"title\": \"Quillmere\""), std::string::npos);
    // Played back frame by frame: the game starts, the fish loses its three lives, and the start screen returns.
    qmtest::VtermScreen screen(80, 24);
    std::set<std::string> health;
    for (const std::string& frame : castFrames(cast))
    {
        screen.feed(frame);
        std::string text;
        for (int i = 0; i < 80 * 24; ++i)
        {
            text += static_cast<char>(std::max<std::uint32_t>(screen.cell(i % 80, i / 80).chars[0], ' '));
        }
        if (text.find("Health ") != std::string::npos)
        {
            health.insert(text.substr(text.find("Health "), 8));
        }
    }
    EXPECT_EQ(health, (std::set<std::string>{"Health 0", "Health 1", "Health 2", "Health 3"}));
    EXPECT_NE(last.toText().find("Space or P"), std::string::npos) << last.toText();
    qmtest::expectScreenShows(screen, last, qm::COLORS_256);

    qm::InputReplay::getInstance().reset();
    qm::CastRecorder::getInstance().recordTo(dir.file("no-such-folder/game.cast"));
    EXPECT_EQ(startEngine(), 0);
    qm::GameManager::getInstance().shutDown();
    EXPECT_NE(log().find("CastRecorder::begin(): Error! cannot write recording"), std::string::npos);
}

// The real program replays the committed game, and a copy with one event changed.
TEST(ReplayProgram, ReplaysWithTheStreamDivergesAtTheNextHashOnAChangedEventAndRefusesABadFile)
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

    // The committed game replays the same with networking and the cell stream on, recording its input to a full
    // disk (logged, the game goes on); the changed one diverges.
    qmtest::GameProcess same("networking:true,\ncell_stream:true,\ncell_port:0,\n", "quillmere",
                             {"--headless", "--replay", FISH_GAME, "--fast", "--record-input", "/dev/full"});
    EXPECT_EQ(same.waitForExit(), 0) << same.output();
    EXPECT_NE(same.log().find("every hash equal"), std::string::npos);
    EXPECT_NE(same.log().find("InputReplay: Error! cannot write replay file '/dev/full': No space left on device. "
                              "Recording stopped."),
              std::string::npos)
        << same.log();
    qmtest::ScratchDir scratch;
    qmtest::GameProcess diverging("", "quillmere",
                                  {"--headless", "--replay", scratch.write("changed.replay", changed), "--fast"});
    EXPECT_EQ(diverging.waitForExit(), 1) << diverging.output();
    const std::string diverged = "replay diverged at step " + std::to_string(expected);
    EXPECT_NE(diverging.output().find(diverged + "\n"), std::string::npos) << diverging.output();
    EXPECT_NE(diverging.log().find(diverged + ": stored hash "), std::string::npos);
    const std::string path = scratch.write("bad.replay", HEADER + "40 key press 0\n12 key press 0\nend 50\n");
    qmtest::GameProcess game("", "quillmere", {"--headless", "--replay", path});
    EXPECT_EQ(game.waitForExit(), 2);
    EXPECT_EQ(game.output(), "quillmere: replay file '" + path + "': line 4: step 12 comes after step 40\n");
}

} // namespace
