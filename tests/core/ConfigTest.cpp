// The configuration file.
#include "support/EngineTest.h"

#include <qm/Config.h>
#include <qm/match.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>

namespace
{

using qmtest::countOf;

class ConfigTest : public qmtest::EngineTest
{
protected:
    // Loads `contents` as the configuration file and returns what the loader wrote.
    std::string load(const std::string& contents)
    {
        dir.write("qm-config.txt", contents);
        testing::internal::CaptureStderr();
        config.loadConfig("");
        return testing::internal::GetCapturedStderr();
    }
    qm::Config& config = qm::Config::getInstance();
};

TEST_F(ConfigTest, FormatExamplesAndEachLoadStartingFromTheDefaults)
{
    load("frame_time:25\nfont_scale:3.0,\n"); // no comma: the next line joins this value
    EXPECT_EQ(config.getFrameTime(), 25);
    EXPECT_FLOAT_EQ(config.getFontScale(), 2.0f);
    const std::string err = load("window_background_color:Red,\nheadless:TRUE,\nfont_file:C:/fonts/x.ttf,\n"
                                 "random_seed:99999999999999999999,\n");
    EXPECT_EQ(config.getFrameTime(), 33);
    EXPECT_EQ(countOf(err, "loadConfig(): Unsupported window color 'Red'"), 1);
    EXPECT_EQ(config.getWindowBackgroundColor(), 0);
    EXPECT_FALSE(config.getHeadless());
    EXPECT_EQ(config.getFontFile(), "C");
    EXPECT_EQ(config.getRandomSeed(), 2147483647);
    load("#frame_time:10,\n #frame_time:11,\nframe_time:12,\r\n"); // only column one makes a comment
    EXPECT_EQ(config.getFrameTime(), 12);
    EXPECT_EQ(qm::match("", "#frame_time"), "11");
}

// Values that do not parse, or parse but would hang, crash or exhaust the program: each is
// refused with a line naming key and value (and range), and the setting keeps its default.
TEST_F(ConfigTest, ValuesOutsideTheirRangesKeepTheDefaultAndSaySo)
{
    const struct
    {
        const char* line;
        const char* said;
    } cases[] = {
        {"window_horizontal_chars:0", "window_horizontal_chars '0'"},
        {"window_vertical_chars:-3", "window_vertical_chars '-3'"},
        {"window_horizontal_pixels:abc", "window_horizontal_pixels 'abc'"},
        {"window_horizontal_pixels:16384", "window_horizontal_pixels '16384' (must be 1 to 8192). Keeping 1024."},
        {"window_vertical_pixels:2147483647", "window_vertical_pixels '2147483647' (must be 1 to 8192). Keeping 768."},
        {"window_horizontal_chars:100000", "window_horizontal_chars '100000' (must be 1 to 1000). Keeping 80."},
        {"frame_time:-1", "frame_time '-1' (must be 0 to 1000). Keeping 33."},
        {"network_port:65536", "network_port '65536' (must be 0 to 65535; 0 lets the system choose). Keeping 9876."},
        {"font_scale:1e39", "font_scale '1e39' (must be above 0 and at most 100). Keeping 2."},
        {"grid_width:0", "grid_width '0' (must be 1 to 100000). Keeping 20."},
    };
    for (const auto& c : cases)
    {
        const std::string err = load(std::string(c.line) + ",\n");
        EXPECT_EQ(countOf(err, std::string("loadConfig(): Invalid ") + c.said), 1) << c.line << "\n" << err;
        EXPECT_EQ(
            (std::vector<std::string>{
                std::to_string(config.getWindowHorizontalPixels()), std::to_string(config.getWindowVerticalPixels()),
                std::to_string(config.getWindowHorizontalChars()), std::to_string(config.getWindowVerticalChars()),
                std::to_string(config.getFrameTime()), config.getNetworkPort(), std::to_string(config.getFontScale()),
                std::to_string(config.getGridWidth())}),
            (std::vector<std::string>{"1024", "768", "80", "24", "33", "9876", std::to_string(2.0f), "20"}))
            << c.line;
    }
    load("window_horizontal_pixels:8192,\nframe_time:0,\nnetwork_port:65535,\n");
    EXPECT_EQ(config.getWindowHorizontalPixels(), 8192) << "the limits themselves are in range";
    EXPECT_EQ(config.getFrameTime(), 0);
    EXPECT_EQ(config.getNetworkPort(), "65535");
}

TEST_F(ConfigTest, AConfigurationThatIsNoRegularFileOrOversizedIsRefusedNotWaitedOn)
{
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0); // nobody will ever write to it
    const std::string big = dir.write("big.txt", "frame_time:7," + std::string(2 << 20, 'x') + "\n");
    const std::string notRegular = "' is not a regular file. Using the defaults.";
    for (const auto& [path, said] : {std::pair{pipe, "Config::readConfig(): Error! '" + pipe + notRegular},
                                     {dir.path(), "Config::readConfig(): Error! '" + dir.path() + notRegular},
                                     {big, std::string("is larger than")}})
    {
        qmtest::setEnv("QUILLMERE_CONFIG", path.c_str());
        testing::internal::CaptureStderr();
        config.loadConfig("");
        EXPECT_EQ(countOf(testing::internal::GetCapturedStderr(), said), 1) << path;
        EXPECT_EQ(config.getFrameTime(), 33);
    }
}

// --terminal: the command line's display wins over the file's, with or without a file.
TEST_F(ConfigTest, CommandLineDisplayOverridesTheFileAndTheMissingFile)
{
    config.setOverrides("display:terminal,");
    for (const char* file : {"", "display:window,\nframe_time:20,\n"})
    {
        load(file);
        EXPECT_EQ(config.getDisplay(), "terminal") << file;
    }
    std::remove(dir.file("qm-config.txt").c_str());
    config.loadConfig("");
    EXPECT_EQ(config.getDisplay(), "terminal") << "no file";
    EXPECT_EQ(config.getFrameTime(), 33) << "the defaults without a file";
    config.setOverrides("");
    config.loadConfig("");
    EXPECT_EQ(config.getDisplay(), "window");
}

} // namespace
