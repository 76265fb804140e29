// The screenshot key: F12 writes the window's picture as a PNG and the grid as text beside it;
// without a window (headless, as in a terminal) the text alone. A log line names the files.
#include "support/WindowTest.h"

#include <qm/InputManager.h>
#include <qm/utility.h>

#include <set>

namespace
{

using Screenshot = qmtest::WindowTest;

TEST_F(Screenshot, F12WritesThePictureAndTheGridOfTheNextFrameInTheRunFolder)
{
    for (const bool headless : {false, true})
    {
        const std::string folder = dir.file(headless ? "text" : "window");
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
        ASSERT_EQ(headless ? startEngine() : startWindowed(), 0);
        qm::DisplayManager& display = qm::DisplayManager::getInstance();
        ASSERT_EQ(qm::InputManager::getInstance().queueKeyboard(qmtest::keyEvent(qm::F12, qm::KEY_PRESS)), 0);
        qm::InputManager::getInstance().getInput();
        (void)display.drawString(qm::Vector(10, 5), "shot!", qm::LEFT, qm::YELLOW);
        (void)display.swapBuffers();
        const std::string shown = display.getCellGrid().toText();
        qm::GameManager::getInstance().shutDown();

        std::set<std::string> files; // sorted: the png first
        for (const auto& entry : std::filesystem::directory_iterator(folder))
        {
            files.insert(entry.path().filename().string());
        }
        ASSERT_EQ(files.size(), headless ? 1u : 2u) << "one shot: png and txt, or txt alone";
        const std::string base = files.begin()->substr(0, files.begin()->rfind('.'));
        EXPECT_EQ(base.rfind("qm-shot-", 0), 0u) << base;
        EXPECT_EQ(qmtest::readFile(folder + "/" + base + ".txt"), shown + "\n");
        EXPECT_NE(shown.find("shot!"), std::string::npos);
        EXPECT_NE(log().find(headless ? "screenshot saved as '" + base + ".txt'."
                                      : "screenshot saved as '" + base + ".png' and '" + base + ".txt'."),
                  std::string::npos)
            << log();
        if (!headless)
        {
            sf::Image picture;
            ASSERT_TRUE(picture.loadFromFile(folder + "/" + base + ".png"));
            EXPECT_EQ(picture.getSize(), sf::Vector2u(1024, 768));
            // The text's glyphs, cells 10 to 14 of row 5.
            EXPECT_GT(qmtest::pixelsOf(picture, sf::Color::Yellow, 127, 166, 65, 32).count, 50);
        }
    }
}

} // namespace
