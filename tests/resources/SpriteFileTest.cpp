// The sprite-file reader (the example, the folder of bad files whose expected.tsv names the line
// each refusal logs, inputs too large, endless or not files at all), the resource manager's limits
// and the order in which an animation shows its frames.
#include "support/EngineTest.h"

#include <qm/Animation.h>
#include <qm/LogManager.h>
#include <qm/Music.h>
#include <qm/ResourceManager.h>
#include <qm/Sound.h>
#include <qm/utility.h>

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <tuple>

namespace
{

using qmtest::countOf;

const std::string EXAMPLE = std::string(QM_TEST_DATA_DIR) + "/sprites/example-spr.txt";
const std::string TONE = std::string(QM_TEST_DATA_DIR) + "/audio/tone.wav";
const std::string BAD = std::string(QM_TEST_DATA_DIR) + "/sprites/bad/";

qm::ResourceManager& resources()
{
    return qm::ResourceManager::getInstance();
}

// A one-frame sprite file of `width` x `height` 'a's under `header`.
std::string spriteFile(const std::string& header, int width, int height)
{
    std::string text = "<HEADER>\n" + header + "</HEADER>\n<BODY>\n";
    for (int y = 0; y < height; ++y)
    {
        text += std::string(static_cast<std::size_t>(width), 'a') + "\n";
    }
    return text + "end\n</BODY>\n<FOOTER>\nversion 1\n</FOOTER>\n";
}

class SpriteFile : public qmtest::EngineTest
{
protected:
    void SetUp() override
    {
        // Before anything touches the sound system: its only output is a file that cannot be
        // created, so no device opens even on a machine with sound hardware.
        qmtest::setEnv("ALSOFT_CONF", QM_TEST_DATA_DIR "/audio/no-device.conf");
        qmtest::setEnv("ALSOFT_DRIVERS", "wave");
        EngineTest::SetUp();
        ASSERT_EQ(startEngine(), 0);
    }
    int load(const std::string& text, const std::string& label)
    {
        return resources().loadSprite(dir.write(label + ".txt", text), label);
    }
    bool logged(const std::string& message) const { return countOf(log(), message) > 0; }
};

TEST_F(SpriteFile, ExampleLoadsWithEveryFieldAlsoWithCarriageReturns)
{
    ASSERT_EQ(resources().loadSprite(EXAMPLE, "creature"), 0);
    ASSERT_EQ(resources().loadSprite(std::string(QM_TEST_DATA_DIR) + "/sprites/example-crlf-spr.txt", "crlf"), 0);
    for (const char* label : {"creature", "crlf"})
    {
        const qm::Sprite* sprite = resources().getSprite(label);
        ASSERT_NE(sprite, nullptr);
        EXPECT_EQ(sprite->getFrameCount(), 2);
        EXPECT_EQ(sprite->getWidth(), 3);
        EXPECT_EQ(sprite->getHeight(), 2);
        EXPECT_EQ(sprite->getColor(), qm::YELLOW);
        EXPECT_EQ(sprite->getSlowdown(), 5);
        EXPECT_EQ(sprite->getTransparency(), '#');
        EXPECT_EQ(sprite->getFrame(1).getString(), "#O#\\ /");
    }
    // The optional keys given without a value count as absent: their defaults.
    ASSERT_EQ(load(spriteFile("frames 1\nwidth 2\nheight 1\ncolor\ntransparency\nslowdown\n", 2, 1), "bare"), 0);
    const qm::Sprite* bare = resources().getSprite("bare");
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(std::make_tuple(bare->getColor(), bare->getTransparency(), bare->getSlowdown()),
              std::make_tuple(qm::WHITE, 0, 0));
}

// Each is refused after reading a bounded amount, without waiting, with its reason logged.
TEST_F(SpriteFile, OversizedEndlessAndNonFileInputsAreRefused)
{
    const auto wide = [](int width)
    { return spriteFile("frames 1\nwidth " + std::to_string(width) + "\nheight 1\n", width, 1); };
    ASSERT_EQ(load(wide(qm::MAX_SPRITE_LINE_LENGTH), "widest"), 0);
    std::string tall = "<HEADER>\n";
    for (int i = 0; i <= qm::MAX_SECTION_LINES; ++i)
    {
        tall += "x\n";
    }
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string tooLong = "getLine(): Error! Line longer than 65536 characters.";
    const std::pair<std::string, std::string> inputs[] = {
        {dir.write("wide.txt", wide(qm::MAX_SPRITE_LINE_LENGTH + 1)), tooLong},
        {"/dev/zero", tooLong},
        {dir.write("tall.txt", tall + "</HEADER>\n"), "readData(): Error! Section 'HEADER' has more than 65536 lines."},
        // 300 rows of 60000 characters: every line fits, the body as a whole does not.
        {dir.write("big.txt", spriteFile("frames 1\nwidth 60000\nheight 300\n", 60000, 300)),
         "readData(): Error! Section 'BODY' has more than 16777216 characters."},
        {dir.path(), "readData(): Error line 1! Expected '<HEADER>', have ''."},
        {pipe, "ResourceManager::loadSprite(): Error! Cannot open file '" + pipe + "'."},
        {dir.file("missing.txt"), "ResourceManager::loadSprite(): Error! Cannot open file '" + dir.file("missing.txt")},
    };
    int count = 0;
    for (const auto& [path, reason] : inputs)
    {
        const int before = countOf(log(), reason);
        const std::string label = "input" + std::to_string(count++);
        EXPECT_EQ(resources().loadSprite(path, label), -1) << path;
        EXPECT_GT(countOf(log(), reason), before) << path << ": " << reason;
        EXPECT_TRUE(logged("ResourceManager::loadSprite(): Sprite '" + label + "' not loaded.")) << path;
    }
}

TEST_F(SpriteFile, FrameOfWidthZeroStopsAtTheEndOfTheRowsInsteadOfCountingForever)
{
    qm::setLineNumber(0);
    qm::LineList lines{""};
    EXPECT_TRUE(qm::readFrame(lines, 0, INT_MAX).getString().empty());
    EXPECT_TRUE(logged("\tError! Line 2: No more frame data."));
}

// Each kind of resource fills up to its limit (refused loads take no place) and the next is
// refused with the limit named; a restart begins empty.
TEST_F(SpriteFile, ThousandSpritesHundredSoundsAndFiftyMusicsFitAndTheNextIsRefused)
{
    EXPECT_EQ(resources().loadSprite(dir.write("broken.txt", "<HEADER>\n"), "broken"), -1);
    EXPECT_EQ(resources().loadSound(EXAMPLE, "text"), -1);
    EXPECT_EQ(resources().loadMusic(EXAMPLE, "text"), -1);
    EXPECT_EQ(resources().loadMusic(TONE, ""), -1);
    EXPECT_EQ(countOf(log(), "ResourceManager::loadMusic(): Error! Must provide label for music."), 1);
    for (int i = 0; i < qm::MAX_SPRITES; ++i)
    {
        ASSERT_EQ(resources().loadSprite(EXAMPLE, "s" + std::to_string(i)), 0) << i;
        ASSERT_TRUE(i >= qm::MAX_SOUNDS || resources().loadSound(TONE, "i" + std::to_string(i)) == 0);
        ASSERT_TRUE(i >= qm::MAX_MUSICS || resources().loadMusic(TONE, "m" + std::to_string(i)) == 0);
    }
    EXPECT_EQ(resources().loadSprite(EXAMPLE, "x"), -1);
    EXPECT_EQ(resources().loadSound(TONE, "x"), -1);
    EXPECT_EQ(resources().loadMusic(TONE, "x"), -1);
    const std::string text = log();
    EXPECT_EQ(countOf(text, "ResourceManager::loadSprite(): Error! Cannot add more Sprites (max is 1000)."), 1);
    EXPECT_EQ(countOf(text, "ResourceManager::loadSound(): Error! Unable to add more sounds (max is 100)."), 1);
    EXPECT_EQ(countOf(text, "ResourceManager::loadMusic(): Error! Unable to add more musics (max is 50)."), 1);
    EXPECT_NE(resources().getSprite("s999"), nullptr);
    EXPECT_NE(resources().getSound("i99"), nullptr);
    EXPECT_NE(resources().getMusic("m49"), nullptr);
    resources().shutDown();
    ASSERT_EQ(resources().startUp(), 0);
    EXPECT_EQ(resources().getSprite("s0"), nullptr);
    EXPECT_EQ(resources().loadSprite(EXAMPLE, "x"), 0);
}

// The frame index shown by each of `draws` successive draws of `frames` 1 x 1 frames at
// `slowdown`, starting from `index` and `count` (no window: drawing fails, the state moves).
std::vector<int> shown(int frames, int slowdown, int draws, int index = 0, int count = 0)
{
    qm::Sprite sprite(frames);
    sprite.setWidth(1);
    sprite.setHeight(1);
    sprite.setSlowdown(slowdown);
    for (int i = 0; i < frames; ++i)
    {
        sprite.addFrame(qm::Frame(1, 1, std::string(1, static_cast<char>('a' + i))));
    }
    qm::Animation animation;
    animation.setSprite(&sprite);
    animation.setIndex(index);
    animation.setSlowdownCount(count);
    std::vector<int> indices;
    for (int i = 0; i < draws; ++i)
    {
        indices.push_back(animation.getIndex());
        animation.draw(qm::Vector(1, 1));
    }
    return indices;
}

TEST(AnimationSteps, FramesFollowTheSlowdownAndFreezeAtMinusOne)
{
    EXPECT_EQ(shown(3, 2, 7), (std::vector<int>{0, 0, 1, 1, 2, 2, 0}));
    EXPECT_EQ(shown(3, 1, 5), (std::vector<int>{0, 1, 2, 0, 1}));
    EXPECT_EQ(shown(3, 1, 4, 2, -1), (std::vector<int>{2, 2, 2, 2}));
    // Counters at the top of the int range wrap to the first frame.
    EXPECT_EQ(shown(3, INT_MAX, 2, INT_MAX, INT_MAX), (std::vector<int>{INT_MAX, 0}));
}

using BadFile = std::pair<std::string, std::string>; // file name, a line its refusal logs

// Every file of the folder, with the line expected.tsv gives it (empty when none).
std::vector<BadFile> badFiles()
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(BAD))
    {
        if (entry.path().extension() == ".txt")
        {
            files[entry.path().filename().string()];
        }
    }
    std::ifstream index(BAD + "expected.tsv");
    for (std::string line; std::getline(index, line);)
    {
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos && line[0] != '#')
        {
            files[line.substr(0, tab)] = line.substr(tab + 1);
        }
    }
    return {files.begin(), files.end()};
}

class BadSpriteFile : public SpriteFile, public ::testing::WithParamInterface<BadFile>
{
};

TEST_P(BadSpriteFile, IsRefusedWithItsReasonAndChangesNothing)
{
    const auto& [name, expected] = GetParam();
    ASSERT_FALSE(expected.empty()) << name << " has no line in expected.tsv";
    qm::LogManager::getInstance().setLogLevel(15); // every detail line is formatted too
    ASSERT_EQ(resources().loadSprite(EXAMPLE, "before"), 0);
    const qm::Sprite* before = resources().getSprite("before");
    EXPECT_EQ(resources().loadSprite(BAD + name, "bad"), -1);
    EXPECT_TRUE(logged(expected)) << "expected: " << expected << "\nlog:\n" << log();
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Sprite 'bad' not loaded."));
    EXPECT_EQ(resources().getSprite("bad"), nullptr);
    EXPECT_EQ(resources().getSprite("before"), before);
    EXPECT_EQ(before->getFrame(1).getString(), "#O#\\ /");
    EXPECT_EQ(resources().loadSprite(EXAMPLE, "after"), 0);
}

INSTANTIATE_TEST_SUITE_P(Folder, BadSpriteFile, ::testing::ValuesIn(badFiles()),
                         [](const ::testing::TestParamInfo<BadFile>& param)
                         {
                             std::string name = param.param.first.substr(0, param.param.first.size() - 4);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
