// The configuration file and the key-value matcher behind it.
#include "support/EngineTest.h"

#include <qm/Config.h>
#include <qm/LogManager.h>
#include <qm/match.h>

#include <gtest/gtest.h>

#include <random>

namespace
{

using qmtest::countOf;

class ConfigTest : public ::testing::Test
{
protected:
    void SetUp() override { qmtest::setEnv("QUILLMERE_CONFIG", path.c_str()); }
    void TearDown() override
    {
        qmtest::setEnv("QUILLMERE_CONFIG", nullptr);
        qm::Config::getInstance().loadConfig("");
    }

    // Loads `contents` as the configuration file and returns what the loader wrote.
    std::string load(const std::string& contents)
    {
        dir.write("config.txt", contents);
        testing::internal::CaptureStderr();
        qm::Config::getInstance().loadConfig("");
        return testing::internal::GetCapturedStderr();
    }

    qm::Config& config = qm::Config::getInstance();
    qmtest::ScratchDir dir;
    std::string path = dir.file("config.txt");
};

TEST_F(ConfigTest, MissingFileKeepsDefaultsAndNamesTheFile)
{
    qm::LogManager::getInstance().setLogLevel(1);
    testing::internal::CaptureStderr();
    config.loadConfig("");
    const std::string err = testing::internal::GetCapturedStderr();
    qm::LogManager::getInstance().setLogLevel(0);
    EXPECT_EQ(countOf(err, "Config::readConfig(): Cannot open Quillmere configuration file '" + path + "'."), 1);
    EXPECT_EQ(config.getFrameTime(), 33);
    EXPECT_EQ(config.getWindowHorizontalPixels(), 1024);
    EXPECT_EQ(config.getWindowVerticalChars(), 24);
    EXPECT_EQ(config.getWindowStyle(), qm::WINDOW_STYLE_DEFAULT);
    EXPECT_FLOAT_EQ(config.getFontScale(), 2.0f);
    EXPECT_EQ(config.getWindowTitle(), "Quillmere");
    EXPECT_EQ(config.getFontFile(), "qm-font.ttf");
    EXPECT_EQ(config.getLogFile(), "quillmere.log");
    EXPECT_FALSE(config.getHeadless());
    EXPECT_EQ(config.getRandomSeed(), 0);
    EXPECT_EQ(config.getGridWidth(), 20);
    EXPECT_EQ(config.getQuadtreeDepth(), 10);
}

TEST_F(ConfigTest, ReadsEveryKey)
{
    load("# a comment\n"
         "window_horizontal_pixels:640,\nwindow_vertical_pixels:480,\n"
         "window_horizontal_chars:40,\nwindow_vertical_chars:12,\n"
         "window_style:fullscreen,\nwindow_background_color:yellow,\nframe_time:16,\nfont_scale:1.5,\n"
         "window_title:Deep Sea,\nshow_mouse:true,\nheadless:true,\nfont_file:my.ttf,\nlogfile:game.log,\n"
         "random_seed:-1,\nnetworking:true,\ngrid_width:7,\ngrid_height:9,\nquadtree_depth:3,\n"
         "quadtree_threshold:4\n");
    EXPECT_EQ(config.getWindowHorizontalPixels(), 640);
    EXPECT_EQ(config.getWindowVerticalPixels(), 480);
    EXPECT_EQ(config.getWindowHorizontalChars(), 40);
    EXPECT_EQ(config.getWindowVerticalChars(), 12);
    EXPECT_EQ(config.getWindowStyle(), qm::WINDOW_STYLE_FULLSCREEN);
    EXPECT_EQ(config.getWindowBackgroundColor(), 3);
    EXPECT_EQ(config.getFrameTime(), 16);
    EXPECT_FLOAT_EQ(config.getFontScale(), 1.5f);
    EXPECT_EQ(config.getWindowTitle(), "DeepSea");
    EXPECT_TRUE(config.getShowMouse());
    EXPECT_TRUE(config.getHeadless());
    EXPECT_EQ(config.getFontFile(), "my.ttf");
    EXPECT_EQ(config.getLogFile(), "game.log");
    EXPECT_EQ(config.getRandomSeed(), -1);
    EXPECT_TRUE(config.getNetworking());
    EXPECT_EQ(config.getGridWidth(), 7);
    EXPECT_EQ(config.getGridHeight(), 9);
    EXPECT_EQ(config.getQuadtreeDepth(), 3);
    EXPECT_EQ(config.getQuadtreeThreshold(), 4);
}

TEST_F(ConfigTest, LineWithoutCommaSwallowsTheNextSetting)
{
    load("frame_time:25\nfont_scale:3.0,\n");
    EXPECT_EQ(config.getFrameTime(), 25);
    EXPECT_FLOAT_EQ(config.getFontScale(), 2.0f);
}

TEST_F(ConfigTest, ValuesAreCaseSensitiveAndStopAtAColon)
{
    const std::string err = load("window_background_color:Red,\nheadless:TRUE,\nfont_file:C:/fonts/x.ttf,\n");
    EXPECT_EQ(countOf(err, "loadConfig(): Unsupported window color 'Red'"), 1);
    EXPECT_EQ(config.getWindowBackgroundColor(), 0);
    EXPECT_FALSE(config.getHeadless());
    EXPECT_EQ(config.getFontFile(), "C");
}

TEST_F(ConfigTest, EmptyValuesAndUnknownStylesLeaveSettingsAlone)
{
    const std::string err = load("headless:,\nframe_time:,\nwindow_style:tiny,\nno_such_key:1,\n");
    EXPECT_FALSE(config.getHeadless());
    EXPECT_EQ(config.getFrameTime(), 33);
    EXPECT_EQ(countOf(err, "loadConfig(): Unsupported window style 'tiny'"), 1);
    EXPECT_EQ(countOf(err, "no_such_key"), 0);
}

TEST_F(ConfigTest, OnlyAHashInColumnOneMakesAComment)
{
    load("#frame_time:10,\n #frame_time:11,\nframe_time:12,\r\n");
    // " #frame_time:11," loses its blank and joins the text as the key "#frame_time".
    EXPECT_EQ(config.getFrameTime(), 12);
    EXPECT_EQ(qm::match("", "#frame_time"), "11");
}

TEST_F(ConfigTest, NonNumericNumbersReadAsZeroAndHugeOnesClamp)
{
    load("frame_time:fast,\nrandom_seed:99999999999999999999,\ngrid_width:-12abc,\n");
    EXPECT_EQ(config.getFrameTime(), 0);
    EXPECT_EQ(config.getRandomSeed(), 2147483647);
    EXPECT_EQ(config.getGridWidth(), -12);
}

TEST_F(ConfigTest, NonPositiveWindowSizesKeepTheDefaultAndSaySo)
{
    const std::string err = load("window_horizontal_chars:0,\nwindow_vertical_chars:-3,\n"
                                 "window_horizontal_pixels:abc,\nwindow_vertical_pixels:-1,\n");
    EXPECT_EQ(config.getWindowHorizontalChars(), 80);
    EXPECT_EQ(config.getWindowVerticalChars(), 24);
    EXPECT_EQ(config.getWindowHorizontalPixels(), 1024);
    EXPECT_EQ(config.getWindowVerticalPixels(), 768);
    EXPECT_EQ(countOf(err, "loadConfig(): Invalid window_horizontal_chars '0'"), 1);
    EXPECT_EQ(countOf(err, "loadConfig(): Invalid window_vertical_chars '-3'"), 1);
    EXPECT_EQ(countOf(err, "loadConfig(): Invalid window_horizontal_pixels 'abc'"), 1);
    EXPECT_EQ(countOf(err, "loadConfig(): Invalid window_vertical_pixels '-1'"), 1);
}

TEST_F(ConfigTest, LoadingAgainStartsFromTheDefaults)
{
    load("frame_time:5,\n");
    ASSERT_EQ(config.getFrameTime(), 5);
    load("font_scale:1,\n");
    EXPECT_EQ(config.getFrameTime(), 33);
}

TEST_F(ConfigTest, OversizedFileIsRefused)
{
    const std::string err = load("frame_time:7," + std::string(2 << 20, 'x') + "\n");
    EXPECT_EQ(config.getFrameTime(), 33);
    EXPECT_EQ(countOf(err, "is larger than"), 1);
}

// Files that must load without crashing, hanging or changing the defaults.
class ConfigBadInput : public ConfigTest, public ::testing::WithParamInterface<std::string>
{
};

TEST_P(ConfigBadInput, KeepsDefaults)
{
    load(GetParam());
    EXPECT_EQ(config.getFrameTime(), 33);
    EXPECT_EQ(config.getWindowHorizontalChars(), 80);
}

std::string binaryNoise()
{
    std::mt19937 random(7);
    std::string bytes(64 * 1024, '\0');
    for (char& c : bytes)
    {
        c = static_cast<char>(random() & 0xff);
    }
    return bytes;
}

std::string manyKeys()
{
    std::string text;
    for (int i = 0; i < 5000; ++i)
    {
        text += "key" + std::to_string(i) + ":" + std::to_string(i) + ",\n";
    }
    return text;
}

INSTANTIATE_TEST_SUITE_P(Files, ConfigBadInput,
                         ::testing::Values(std::string(), std::string("\n\n\r\n"), std::string(100000, ','),
                                           std::string(100000, ':'), std::string(":,:,::,,:"), std::string(900000, 'a'),
                                           std::string("frame_time"), binaryNoise(), manyKeys(),
                                           std::string("\0frame_time:1,", 14)));

TEST(Match, SplitsAtCommasAndColons)
{
    EXPECT_EQ(qm::match("a:1, b : 2 ,c:3:4,d,e:", "b"), "2");
    EXPECT_EQ(qm::match("", "c"), "3");
    EXPECT_EQ(qm::match("", "d"), "");
    EXPECT_EQ(qm::match("", "e"), "");
    EXPECT_EQ(qm::match("", "missing"), "");
}

TEST(Match, FirstOfRepeatedKeysWinsAndKeysAreCaseSensitive)
{
    EXPECT_EQ(qm::match("k:first,k:second,K:upper", "k"), "first");
    EXPECT_EQ(qm::match("", "K"), "upper");
}

TEST(Match, RunsOfSeparatorsCountAsOne)
{
    EXPECT_EQ(qm::match(",,,::key:::value::,,", "key"), "value");
}

TEST(Match, PieceOfOnlyColonsEndsTheParse)
{
    EXPECT_EQ(qm::match("a:1,:::,b:2", "a"), "1");
    EXPECT_EQ(qm::match("", "b"), "");
}

TEST(Match, EmptyTextLooksUpThePreviousParse)
{
    qm::match("x:10", "");
    EXPECT_EQ(qm::match("", "x"), "10");
    qm::match("y:20", "");
    EXPECT_EQ(qm::match("", "x"), "");
}

} // namespace
