// The game's font against its cells, measured by qm_fontfit on a private X server: the glyphs
// of the shipped font stay out of the next cell's background, and the tool does notice a font
// whose glyphs do not.
#include "support/WindowTest.h"

#include <gtest/gtest.h>

#include <regex>

namespace
{

struct Fit
{
    int status = -1;
    int right = -1;  // glyphs reaching into the next cell's background
    float most = -1; // by how many pixels at most
    std::string output;
};

Fit measure(const std::string& arguments)
{
    Fit fit;
    // Its output, then its exit status on a line of its own.
    fit.output = qmtest::commandOutput(std::string(QM_FONTFIT) + " " + arguments + " 2>&1; echo \"exit $?\"");
    const std::size_t status = fit.output.rfind("exit ");
    fit.status = status == std::string::npos ? -1 : std::atoi(fit.output.c_str() + status + 5);
    std::smatch match;
    static const std::regex summary(
        R"((\d+) of 94 glyphs reach into the next cell's background \(most ([0-9.]+) px\))");
    if (std::regex_search(fit.output, match, summary))
    {
        fit.right = std::stoi(match[1]);
        fit.most = std::stof(match[2]);
    }
    return fit;
}

using FontFit = qmtest::WindowTest; // the tool opens its own window

// The shipped font stays out of the next cell's background; a wide font is caught at the default size and fits at
// half the scale; a missing font and bad arguments are refused.
TEST_F(FontFit, ShippedFontFitsAWideOneIsCaughtAndBadArgumentsAreRefused)
{
    const Fit fit = measure("--limit 5 " QM_RUN_DIR "/qm-font.ttf");
    ASSERT_GE(fit.right, 0) << fit.output;
    EXPECT_EQ(fit.status, 0) << fit.output;
    EXPECT_LE(fit.right, 5) << fit.output;
    EXPECT_LT(fit.most, 1.0f) << "a glyph loses a visible slice of its right edge\n" << fit.output;

    const std::string wide = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
    const Fit atDefault = measure("--limit 5 " + wide);
    EXPECT_EQ(atDefault.status, 1) << atDefault.output;
    EXPECT_GT(atDefault.right, 60) << atDefault.output;
    EXPECT_GT(atDefault.most, 2.0f) << atDefault.output;
    // A smaller size (font_scale 1 in 16 x 32 pixel cells) leaves every glyph room.
    const Fit small = measure("--limit 0 --scale 1 --cell 16x32 " + wide);
    EXPECT_EQ(small.status, 0) << small.output;
    EXPECT_EQ(small.right, 0) << small.output;

    for (const std::string arguments :
         {"/nonexistent/font.ttf", "--cell 12.8 " QM_RUN_DIR "/qm-font.ttf", "--scale -1 " QM_RUN_DIR "/qm-font.ttf",
          "--limit 9a " QM_RUN_DIR "/qm-font.ttf", QM_RUN_DIR "/qm-font.ttf --limit", ""})
    {
        EXPECT_EQ(measure(arguments).status, 2) << arguments;
    }
}

} // namespace
