// The sprite-file reader: the example, the folder of bad files (expected.tsv names the line
// each refusal logs), and inputs too large, endless or not files at all.
#include "support/EngineTest.h"

#include <qm/LogManager.h>
#include <qm/ResourceManager.h>
#include <qm/utility.h>

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>

namespace
{

using qmtest::countOf;

const std::string EXAMPLE = std::string(QM_TEST_DATA_DIR) + "/sprites/example-spr.txt";
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
        EXPECT_EQ(sprite->getFrame(0).getString(), "#o#/ \\");
        EXPECT_EQ(sprite->getFrame(1).getString(), "#O#\\ /");
    }
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Sprite 'creature' loaded."));
    EXPECT_FALSE(logged("Warning"));
}

TEST_F(SpriteFile, KeyWithoutAnyValueCountsAsAbsentInsteadOfStoppingTheProgram)
{
    qm::LogManager::getInstance().setLogLevel(5);
    ASSERT_EQ(load(spriteFile("frames 1\nwidth 2\nheight 1\ncolor\ntransparency\nslowdown\n", 2, 1), "bare"), 0);
    const qm::Sprite* sprite = resources().getSprite("bare");
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->getColor(), qm::WHITE);
    EXPECT_EQ(sprite->getTransparency(), 0);
    EXPECT_EQ(sprite->getSlowdown(), 0);
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Warning! No 'transparency' in header."));
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
        {dir.write("mega.txt", "<HEADER>\nframes " + std::string(1 << 20, '7') + "\n</HEADER>\n"), tooLong},
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
