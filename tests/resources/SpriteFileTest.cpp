// The sprite-file reader: the format, the line numbers in its messages, every kind of bad
// file (one parameterised test over tests/data/sprites/bad), and the memory limits.
#include "support/EngineTest.h"
#include "support/SpriteText.h"

#include <qm/LogManager.h>
#include <qm/ResourceManager.h>
#include <qm/utility.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>

namespace
{

using qmtest::countOf;
using qmtest::exampleSprite;
using qmtest::exampleSpriteLines;

qm::ResourceManager& resources()
{
    return qm::ResourceManager::getInstance();
}

class SpriteFile : public qmtest::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_EQ(startEngine(), 0);
    }

    // Writes `text` as a sprite file and loads it under `label`.
    int load(const std::string& text, const std::string& label = "sprite")
    {
        return resources().loadSprite(dir.write("sprite.txt", text), label);
    }

    void setLevel(int level) { qm::LogManager::getInstance().setLogLevel(level); }

    bool logged(const std::string& message) const { return countOf(log(), message) > 0; }

    // The example's lines with line `number` (from 1) replaced.
    static std::string exampleWith(int number, const std::string& line)
    {
        std::vector<std::string> lines = exampleSpriteLines();
        lines[static_cast<std::size_t>(number - 1)] = line;
        return qmtest::joinLines(lines);
    }
};

TEST_F(SpriteFile, ExampleLoadsWithEveryField)
{
    ASSERT_EQ(load(exampleSprite(), "creature"), 0);
    const qm::Sprite* sprite = resources().getSprite("creature");
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->getFrameCount(), 2);
    EXPECT_EQ(sprite->getWidth(), 3);
    EXPECT_EQ(sprite->getHeight(), 2);
    EXPECT_EQ(sprite->getColor(), qm::YELLOW);
    EXPECT_EQ(sprite->getSlowdown(), 5);
    EXPECT_EQ(sprite->getTransparency(), '#');
    EXPECT_EQ(sprite->getLabel(), "creature");
    EXPECT_EQ(sprite->getFrame(0).getString(), "#o#/ \\");
    EXPECT_EQ(sprite->getFrame(1).getString(), "#O#\\ /");
    EXPECT_EQ(sprite->getFrame(1).getWidth(), 3);
    EXPECT_EQ(sprite->getFrame(1).getHeight(), 2);
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Sprite 'creature' loaded."));
    EXPECT_FALSE(logged("Warning"));
}

TEST_F(SpriteFile, DetailLevelsShowSummaryAndEveryFrameRow)
{
    setLevel(15);
    ASSERT_EQ(load(exampleSprite(), "creature"), 0);
    const std::vector<std::string> messages = qmtest::logMessages(log());
    auto at = [&](const std::string& message)
    { return std::find(messages.begin(), messages.end(), message) - messages.begin(); };
    const std::vector<std::string> expected = {"\t      Frames: 2",
                                               "\t       Width: 3",
                                               "\t      Height: 2",
                                               "\t    Slowdown: 5",
                                               "\tTransparency: #",
                                               "\t       Color: yellow",
                                               "Sprite 'creature' frames:",
                                               "Frame 1:",
                                               "\t#o#",
                                               "\t/ \\",
                                               "Frame 2:",
                                               "\t#O#",
                                               "\t\\ /",
                                               "ResourceManager::loadSprite(): Sprite 'creature' loaded."};
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        ASSERT_LT(at(expected[i]), static_cast<long>(messages.size())) << "missing: " << expected[i];
        if (i > 0)
        {
            EXPECT_LT(at(expected[i - 1]), at(expected[i])) << expected[i] << " out of order";
        }
    }
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Opened file '"));
}

TEST_F(SpriteFile, MissingOptionalKeysWarnAndFallBackToDefaults)
{
    setLevel(5);
    ASSERT_EQ(load(qmtest::spriteFile("frames 1\nwidth 2\nheight 1\n", 2, 1, 1)), 0);
    const qm::Sprite* sprite = resources().getSprite("sprite");
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->getColor(), qm::WHITE);
    EXPECT_EQ(sprite->getTransparency(), 0);
    EXPECT_EQ(sprite->getSlowdown(), 0);
    for (const char* key : {"color", "transparency", "slowdown"})
    {
        EXPECT_EQ(countOf(log(), std::string("ResourceManager::loadSprite(): Warning! No '") + key + "' in header."),
                  1);
    }
    EXPECT_TRUE(logged("\tTransparency: (none)"));
    EXPECT_TRUE(logged("\t       Color: default"));
}

TEST_F(SpriteFile, KeyWithoutAnyValueCountsAsAbsentInsteadOfStoppingTheProgram)
{
    setLevel(5);
    ASSERT_EQ(load(qmtest::spriteFile("frames 1\nwidth 2\nheight 1\ncolor\ntransparency\nslowdown\n", 2, 1, 1)), 0);
    const qm::Sprite* sprite = resources().getSprite("sprite");
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->getColor(), qm::WHITE);
    EXPECT_EQ(sprite->getTransparency(), 0);
    EXPECT_EQ(sprite->getSlowdown(), 0);
    EXPECT_TRUE(logged("Warning! No 'transparency' in header."));
    // A required key alone is a missing key.
    EXPECT_EQ(load(exampleWith(2, "frames"), "bare"), -1);
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Error! Missing 'frames' in header."));
}

TEST_F(SpriteFile, UnusedHeaderLineIsNamedButTheSpriteLoads)
{
    setLevel(1);
    std::vector<std::string> lines = exampleSpriteLines();
    lines.insert(lines.begin() + 4, "author me");
    ASSERT_EQ(load(qmtest::joinLines(lines)), 0);
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Warning! Unused HEADER lines:"));
    EXPECT_TRUE(logged("\t'author me'"));
}

TEST_F(SpriteFile, UnusedHeaderLinesStillCountTowardsLineNumbers)
{
    std::vector<std::string> lines = exampleSpriteLines();
    lines.insert(lines.begin() + 1, "author me");
    lines.insert(lines.begin() + 1, "made 2024");
    lines[11] = "#o"; // first row of the first frame, now line 12
    EXPECT_EQ(load(qmtest::joinLines(lines)), -1);
    EXPECT_TRUE(logged("\tError! Line 12: Line length is 2 (frame width is 3)."));
}

TEST_F(SpriteFile, SecondWidthLineWinsWithAWarningNamingIt)
{
    setLevel(1);
    std::vector<std::string> lines = exampleSpriteLines();
    lines[2] = "width 9";
    lines.insert(lines.begin() + 5, "width 3");
    ASSERT_EQ(load(qmtest::joinLines(lines)), 0);
    EXPECT_EQ(resources().getSprite("sprite")->getWidth(), 3);
    EXPECT_EQ(countOf(log(), "matchLineInt(): Warning! 'width 3' matches multiple lines."), 1);
}

TEST_F(SpriteFile, ErrorsNameTheLineOfTheFile)
{
    // Rows, "end" lines and the surplus of the body, each at its own line of the example.
    EXPECT_EQ(load(exampleWith(10, "#o"), "a"), -1);
    EXPECT_TRUE(logged("\tError! Line 10: Line length is 2 (frame width is 3)."));
    EXPECT_TRUE(logged("\tLine 10: '#o'"));
    EXPECT_EQ(load(exampleWith(14, "\\  /"), "b"), -1);
    EXPECT_TRUE(logged("\tError! Line 14: Line length is 4 (frame width is 3)."));
    EXPECT_EQ(load(exampleWith(12, "END"), "c"), -1);
    EXPECT_TRUE(logged("\tError! Line 12: Expected 'end'."));
    EXPECT_TRUE(logged("\tLine 12: 'END'"));

    std::vector<std::string> lines = exampleSpriteLines();
    lines.insert(lines.begin() + 15, {"#x#", "x x", "end"});
    EXPECT_EQ(load(qmtest::joinLines(lines), "d"), -1);
    EXPECT_TRUE(logged("\tline 16: #x#"));
    EXPECT_TRUE(logged("\tline 17: x x"));
    EXPECT_TRUE(logged("\tline 18: end"));
    EXPECT_FALSE(logged("Sprite 'd' loaded."));
}

TEST_F(SpriteFile, CarriageReturnLineFeedFilesReadTheSame)
{
    ASSERT_EQ(load(qmtest::joinLines(exampleSpriteLines(), "\r\n"), "crlf"), 0);
    const qm::Sprite* sprite = resources().getSprite("crlf");
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->getFrame(0).getString(), "#o#/ \\");
    EXPECT_EQ(sprite->getColor(), qm::YELLOW);
}

TEST_F(SpriteFile, LastLineWithoutNewlineIsLostAndReported)
{
    std::string text = exampleSprite();
    text.pop_back();
    EXPECT_EQ(load(text), -1);
    const std::vector<std::string> messages = qmtest::logMessages(log());
    const auto eof = std::find(messages.begin(), messages.end(), "getLine(): Error! Unexpected end of file.");
    ASSERT_NE(eof, messages.end());
    ASSERT_NE(eof + 1, messages.end());
    EXPECT_EQ(*(eof + 1), "readData(): Error! Never encountered '</FOOTER>'.");
    EXPECT_EQ(messages.back(), "ResourceManager::loadSprite(): Sprite 'sprite' not loaded.");
}

TEST_F(SpriteFile, ColorWordsMapToEngineColorsAndOthersAreRefused)
{
    const std::pair<const char*, int> words[] = {{"black", 0},   {"red", 1},  {"green", 2}, {"yellow", 3}, {"blue", 4},
                                                 {"magenta", 5}, {"cyan", 6}, {"white", 7}, {"default", 7}};
    for (const auto& [word, color] : words)
    {
        ASSERT_EQ(load(exampleWith(5, std::string("color ") + word), word), 0) << word;
        EXPECT_EQ(resources().getSprite(word)->getColor(), color) << word;
    }
    EXPECT_EQ(load(exampleWith(5, "color Red"), "capital"), -1);
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Error! Unrecognized color 'Red'."));
    EXPECT_TRUE(logged("  Valid colors are: black, red, green, yellow,\n"));
    EXPECT_TRUE(logged("                    blue, magenta, cyan and white.\n"));
}

TEST_F(SpriteFile, HugeAnnouncedFrameCountFailsWhenTheBodyRunsOut)
{
    EXPECT_EQ(load(exampleWith(2, "frames 2000000000"), "many"), -1);
    EXPECT_TRUE(logged("\tError! Line 16: No more frame data."));
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Error! No frame data to add."));
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Sprite 'many' not loaded."));
}

TEST_F(SpriteFile, NegativeFrameCountIsRefused)
{
    EXPECT_EQ(load(exampleWith(2, "frames -2"), "negative"), -1);
    EXPECT_TRUE(logged("Sprite::Sprite(): Error! Unable to allocate -2 frames."));
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Error! Unable to create Sprite."));
    EXPECT_EQ(resources().getSprite("negative"), nullptr);
}

TEST_F(SpriteFile, MissingFileAndFolderAreRefused)
{
    const std::string missing = dir.file("nothing-here.txt");
    EXPECT_EQ(resources().loadSprite(missing, "missing"), -1);
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Error! Cannot open file '" + missing + "'."));
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Sprite 'missing' not loaded."));
    EXPECT_EQ(resources().loadSprite(dir.path(), "folder"), -1);
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Sprite 'folder' not loaded."));
}

TEST_F(SpriteFile, NamedPipeIsRefusedInsteadOfWaitedOn)
{
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(resources().loadSprite(pipe, "pipe"), -1);
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Error! Cannot open file '" + pipe + "'."));
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Sprite 'pipe' not loaded."));
}

// Every file of the bad-files folder is refused with its own reason and the closing
// "not loaded" line, and leaves the sprites loaded before it as they were.
struct BadFile
{
    std::string name;
    std::string expected;
};

void PrintTo(const BadFile& file, std::ostream* out)
{
    *out << file.name;
}

std::vector<BadFile> badFiles()
{
    const std::string folder = std::string(QM_TEST_DATA_DIR) + "/sprites/bad";
    std::map<std::string, std::string> expected;
    std::ifstream index(folder + "/expected.tsv");
    for (std::string line; std::getline(index, line);)
    {
        const std::size_t tab = line.find('\t');
        if (!line.empty() && line[0] != '#' && tab != std::string::npos)
        {
            expected[line.substr(0, tab)] = line.substr(tab + 1);
        }
    }
    std::vector<BadFile> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
    {
        if (entry.path().extension() == ".txt")
        {
            const std::string name = entry.path().filename().string();
            files.push_back({name, expected.count(name) ? expected[name] : ""});
        }
    }
    std::sort(files.begin(), files.end(), [](const BadFile& a, const BadFile& b) { return a.name < b.name; });
    return files;
}

class BadSpriteFile : public SpriteFile, public ::testing::WithParamInterface<BadFile>
{
};

TEST_P(BadSpriteFile, IsRefusedWithItsReasonAndChangesNothing)
{
    const BadFile& bad = GetParam();
    ASSERT_FALSE(bad.expected.empty()) << bad.name << " has no line in expected.tsv";
    setLevel(15); // every detail line is formatted too
    ASSERT_EQ(load(exampleSprite(), "before"), 0);
    const qm::Sprite* before = resources().getSprite("before");

    const std::string path = std::string(QM_TEST_DATA_DIR) + "/sprites/bad/" + bad.name;
    EXPECT_EQ(resources().loadSprite(path, "bad"), -1);

    const std::string text = log();
    EXPECT_GT(countOf(text, bad.expected), 0) << "expected: " << bad.expected << "\nlog:\n" << text;
    const std::vector<std::string> messages = qmtest::logMessages(text);
    auto last =
        std::find_if(messages.rbegin(), messages.rend(),
                     [](const std::string& message) { return message.rfind("ResourceManager::loadSprite()", 0) == 0; });
    ASSERT_NE(last, messages.rend());
    EXPECT_EQ(*last, "ResourceManager::loadSprite(): Sprite 'bad' not loaded.");
    EXPECT_EQ(resources().getSprite("bad"), nullptr);
    EXPECT_EQ(resources().getSprite("before"), before);
    EXPECT_EQ(before->getFrame(1).getString(), "#O#\\ /");
    ASSERT_EQ(load(exampleSprite(), "after"), 0);
    EXPECT_NE(resources().getSprite("after"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Folder, BadSpriteFile, ::testing::ValuesIn(badFiles()),
                         [](const ::testing::TestParamInfo<BadFile>& param)
                         {
                             std::string name = param.param.name.substr(0, param.param.name.size() - 4);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// Memory bounds: no file makes the reader keep more than a few dozen megabytes.
class SpriteLimits : public SpriteFile
{
};

TEST_F(SpriteLimits, RowAsLongAsTheLineLimitLoads)
{
    const int width = qm::MAX_SPRITE_LINE_LENGTH;
    const std::string header = "frames 1\nwidth " + std::to_string(width) + "\nheight 1\n";
    ASSERT_EQ(load(qmtest::spriteFile(header, width, 1, 1), "wide"), 0);
    EXPECT_EQ(resources().getSprite("wide")->getFrame(0).getString().size(), static_cast<std::size_t>(width));
    // The carriage return of a CR-LF line does not count against the limit.
    std::string crlf = qmtest::spriteFile(header, width, 1, 1);
    const std::size_t row = crlf.find("<BODY>\n") + 7 + static_cast<std::size_t>(width);
    crlf.insert(row, "\r");
    EXPECT_EQ(load(crlf, "wide-crlf"), 0);
}

TEST_F(SpriteLimits, LongerLineIsRefusedWithTheLimitNamed)
{
    const int width = qm::MAX_SPRITE_LINE_LENGTH + 1;
    const std::string header = "frames 1\nwidth " + std::to_string(width) + "\nheight 1\n";
    EXPECT_EQ(load(qmtest::spriteFile(header, width, 1, 1), "wide"), -1);
    EXPECT_TRUE(logged("getLine(): Error! Line longer than 65536 characters."));
    EXPECT_TRUE(logged("readData(): Error! Never encountered '</BODY>'."));
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Sprite 'wide' not loaded."));
}

TEST_F(SpriteLimits, MegabyteHeaderLineIsRefused)
{
    EXPECT_EQ(load("<HEADER>\nframes " + std::string(1 << 20, '7') + "\n</HEADER>\n", "mega"), -1);
    EXPECT_EQ(countOf(log(), "getLine(): Error! Line longer than 65536 characters."), 1);
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Sprite 'mega' not loaded."));
}

TEST_F(SpriteLimits, EndlessDeviceWithoutNewlinesIsRefused)
{
    // Reads at most one line's worth of zero bytes, then gives up.
    EXPECT_EQ(resources().loadSprite("/dev/zero", "zero"), -1);
    EXPECT_TRUE(logged("getLine(): Error! Line longer than 65536 characters."));
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Sprite 'zero' not loaded."));
}

TEST_F(SpriteLimits, SectionWithTooManyLinesIsRefused)
{
    std::string text = "<HEADER>\n";
    for (int i = 0; i <= qm::MAX_SECTION_LINES; ++i)
    {
        text += "x\n";
    }
    EXPECT_EQ(load(text + "</HEADER>\n", "tall"), -1);
    EXPECT_TRUE(logged("readData(): Error! Section 'HEADER' has more than 65536 lines."));
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Sprite 'tall' not loaded."));
}

TEST_F(SpriteLimits, SectionWithTooManyCharactersIsRefused)
{
    // 300 rows of 60000 characters: every line fits, the body as a whole does not.
    const std::string header = "frames 100\nwidth 60000\nheight 3\n";
    EXPECT_EQ(load(qmtest::spriteFile(header, 60000, 3, 100), "big"), -1);
    EXPECT_TRUE(logged("readData(): Error! Section 'BODY' has more than 16777216 characters."));
    EXPECT_TRUE(logged("ResourceManager::loadSprite(): Sprite 'big' not loaded."));
}

// The reading functions on their own, with the shared line counter.
class SpriteReader : public SpriteFile
{
protected:
    qm::LineList lines(std::initializer_list<const char*> texts)
    {
        qm::LineList list;
        for (const char* text : texts)
        {
            list.emplace_back(text);
        }
        return list;
    }
};

TEST_F(SpriteReader, GetLineRemovesOneCarriageReturnAndReportsAMissingNewline)
{
    std::istringstream input("one\r\r\ntwo\r\nthree");
    EXPECT_EQ(qm::getLine(input), "one\r");
    EXPECT_EQ(qm::getLine(input), "two");
    EXPECT_EQ(qm::getLine(input), "");
    EXPECT_EQ(countOf(log(), "getLine(): Error! Unexpected end of file."), 1);
    EXPECT_EQ(qm::getLine(input), "");
    EXPECT_EQ(countOf(log(), "getLine(): Error! Unexpected end of file."), 2);
}

TEST_F(SpriteReader, ReadDataCountsOnlyTheTagsAndAllowsAnEmptySection)
{
    std::istringstream input("<A>\nx 1\ny 2\n</A>\n<B>\n</B>\n");
    qm::setLineNumber(0);
    EXPECT_EQ(qm::readData(input, "A"), lines({"x 1", "y 2"}));
    EXPECT_EQ(qm::getLineNumber(), 2);
    EXPECT_TRUE(qm::readData(input, "B").empty());
    EXPECT_EQ(qm::getLineNumber(), 4);
    EXPECT_FALSE(logged("Error"));
}

TEST_F(SpriteReader, MatchLineIntReadsTheLeadingNumberLikeTheCLibrary)
{
    const std::pair<const char*, int> cases[] = {{"width 12", 12},
                                                 {"width   7 cells", 7},
                                                 {"width x", 0},
                                                 {"width:5", 5},
                                                 {"width ", 0},
                                                 {"width -4", -4},
                                                 {"width", -1},
                                                 {"widthXY 4", 0},
                                                 {"width 99999999999", INT_MAX},
                                                 {"width -99999999999", INT_MIN},
                                                 {"other 3", -1}};
    for (const auto& [line, value] : cases)
    {
        qm::LineList list = lines({line});
        EXPECT_EQ(qm::matchLineInt(list, "width"), value) << line;
    }
}

TEST_F(SpriteReader, MatchLineRemovesEveryMatchCountsItAndKeepsTheLast)
{
    qm::setLineNumber(10);
    qm::LineList list = lines({"a 1", "color red", "b", "color  blue "});
    EXPECT_EQ(qm::matchLineStr(list, "color"), " blue ");
    EXPECT_EQ(list, lines({"a 1", "b"}));
    EXPECT_EQ(qm::getLineNumber(), 12);
    // A later key alone drops the earlier value.
    list = lines({"slowdown 4", "slowdown"});
    EXPECT_EQ(qm::matchLineInt(list, "slowdown"), -1);
    EXPECT_TRUE(list.empty());
}

TEST_F(SpriteReader, ReadFrameTakesRowsAndEndFromTheFront)
{
    qm::setLineNumber(9);
    qm::LineList list = lines({"ab", "cd", "end", "ef"});
    const qm::Frame frame = qm::readFrame(list, 2, 2);
    EXPECT_EQ(frame.getString(), "abcd");
    EXPECT_EQ(frame.getWidth(), 2);
    EXPECT_EQ(frame.getHeight(), 2);
    EXPECT_EQ(list, lines({"ef"}));
    EXPECT_EQ(qm::getLineNumber(), 12);
}

TEST_F(SpriteReader, ReadFrameOfWidthZeroDoesNotCountMissingRowsForever)
{
    qm::setLineNumber(0);
    qm::LineList list = lines({""});
    EXPECT_TRUE(qm::readFrame(list, 0, INT_MAX).getString().empty());
    EXPECT_TRUE(logged("\tError! Line 2: No more frame data."));
    EXPECT_EQ(qm::getLineNumber(), 1);
}

TEST_F(SpriteReader, ReadFrameReportsRowsMissingAtTheEndAsEmptyLines)
{
    qm::setLineNumber(9);
    qm::LineList list = lines({"abc"});
    EXPECT_TRUE(qm::readFrame(list, 3, 2).getString().empty());
    EXPECT_TRUE(logged("\tError! Line 11: Line length is 0 (frame width is 3)."));
    EXPECT_TRUE(logged("\tLine 11: ''"));
}

} // namespace
