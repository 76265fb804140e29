// Colours, number text and the time-of-day text.
#include <qm/utility.h>

#include <gtest/gtest.h>

#include <cstring>
#include <regex>

namespace
{

TEST(Colors, EngineColorsMapToTheirBytes)
{
    std::uint8_t r = 1, g = 1, b = 1;
    qm::colorToRGB(qm::MAGENTA, r, g, b);
    EXPECT_EQ((std::vector<int>{r, g, b}), (std::vector<int>{255, 0, 255}));
    EXPECT_EQ(qm::colorToSFML(qm::CYAN), sf::Color(0, 255, 255));
    EXPECT_EQ(qm::colorToSFML(qm::BLACK), sf::Color::Black);
}

TEST(Colors, CustomAndUnknownColorsLeaveOutputsAlone)
{
    for (int color : {static_cast<int>(qm::CUSTOM), 9, -1})
    {
        std::uint8_t r = 10, g = 20, b = 30;
        qm::colorToRGB(color, r, g, b);
        EXPECT_EQ((std::vector<int>{r, g, b}), (std::vector<int>{10, 20, 30})) << color;
    }
    EXPECT_EQ(qm::colorToSFML(8), sf::Color::White);
    EXPECT_EQ(qm::colorToSFML(42), sf::Color::White);
}

TEST(Colors, NamesAreLowerCaseOnly)
{
    EXPECT_EQ(qm::colorFromName("yellow"), 3);
    EXPECT_EQ(qm::colorFromName("white"), 7);
    EXPECT_EQ(qm::colorFromName("Red"), -1);
    EXPECT_EQ(qm::colorFromName(""), -1);
}

TEST(Text, FloatsUseSixSignificantDigits)
{
    EXPECT_EQ(qm::toString(0.1f), "0.1");
    EXPECT_EQ(qm::toString(-2.0f), "-2");
    EXPECT_EQ(qm::toString(100000.0f), "100000");
    EXPECT_EQ(qm::toString(1000000.0f), "1e+06");
    EXPECT_EQ(qm::toString(1.0f / 3.0f), "0.333333");
    EXPECT_EQ(qm::toString(0.00001f), "1e-05");
}

TEST(Text, IntegersAndBooleans)
{
    EXPECT_EQ(qm::toString(-7), "-7");
    EXPECT_EQ(qm::toString(0), "0");
    EXPECT_EQ(qm::toString(true), "true");
    EXPECT_EQ(qm::toString(false), "false");
}

TEST(Text, TimeStringReusesOneBuffer)
{
    const char* first = qm::getTimeString();
    EXPECT_TRUE(std::regex_match(first, std::regex(R"(\d\d:\d\d:\d\d)"))) << first;
    const char* second = qm::getTimeString();
    EXPECT_EQ(first, second);
    EXPECT_EQ(std::strlen(second), 8u);
}

} // namespace
