// UTF-8 text on the grid of cells, headless: a sprite file whose widths count code points, a
// drawn string and a view object's string take one cell a character, malformed text U+FFFD.
#include "support/EngineTest.h"

#include <qm/DisplayManager.h>
#include <qm/ResourceManager.h>
#include <qm/ViewObject.h>

#include <gtest/gtest.h>

namespace
{

using qm::Vector;

class Utf8Text : public qmtest::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_EQ(startEngine(), 0);
    }
    // `count` characters of row `y` of the frame last shown, from column `x`.
    std::u32string row(int y, int x, int count) const
    {
        std::u32string text;
        for (int i = 0; i < count; ++i)
        {
            text += display.getCellGrid().at(x + i, y).ch;
        }
        return text;
    }
    qm::DisplayManager& display = qm::DisplayManager::getInstance();
};

TEST_F(Utf8Text, SpriteWidthsCountCodePointsAndTheTransparentCharacterIsOne)
{
    const std::string file = dir.write("box.txt", "<HEADER>\nframes 1\nwidth 4\nheight 2\ntransparency \u2591\n"
                                                  "</HEADER>\n<BODY>\n\u2554\u2550\u00e9\u2557\n"
                                                  "\u2591\u2588\u2593\u255d\nend\n</BODY>\n<FOOTER>\nversion 1\n"
                                                  "</FOOTER>\n");
    ASSERT_EQ(qm::ResourceManager::getInstance().loadSprite(file, "box"), 0);
    const qm::Sprite* sprite = qm::ResourceManager::getInstance().getSprite("box");
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->getTransparency(), U'\u2591');
    EXPECT_EQ(sprite->getFrame(0).getString(), "\u2554\u2550\u00e9\u2557\u2591\u2588\u2593\u255d");
    (void)sprite->draw(0, Vector(10.5f, 5.5f), sprite->getTransparency());
    display.swapBuffers();
    EXPECT_EQ(row(5, 8, 6), U" \u2554\u2550\u00e9\u2557 ");
    EXPECT_EQ(row(6, 8, 6), U"  \u2588\u2593\u255d ") << "the transparent character is not drawn";
}

TEST_F(Utf8Text, StringsAndViewStringsTakeOneCellACharacterAndMalformedSequencesOneReplacement)
{
    display.drawString(Vector(40, 5), "Gr\u00fc\u00dfe \u2550", qm::CENTER, qm::WHITE); // 7 characters
    display.drawString(Vector(80, 6), "\u263a\u2192\u20ac", qm::RIGHT, qm::WHITE);
    display.drawString(Vector(10, 7), "a\xc3(b\xf0\x9f\x98", qm::LEFT, qm::WHITE);
    display.drawCh(Vector(0, 8), static_cast<char32_t>(0xd800), qm::WHITE);
    display.drawCh(Vector(1, 8), U'\u2588', 1, 2, 3);
    display.drawCh(Vector(2, 8), '\xe9', qm::WHITE);  // a char is still its byte (Latin-1)
    display.drawCh(Vector(3, 8), 'A' + 1, qm::WHITE); // an int is a char, as before

    auto* view = new qm::ViewObject;
    view->setViewString("Fisch\u00b7Punkte");
    view->setValue(7); // shows " Fisch·Punkte 7 ": 16 characters, 17 bytes, centred at 40
    view->draw();
    display.swapBuffers();

    EXPECT_EQ(row(5, 36, 9), U" Gr\u00fc\u00dfe \u2550 ");
    EXPECT_EQ(row(6, 76, 4), U" \u263a\u2192\u20ac");
    EXPECT_NE(display.getCellGrid().toText().find(" \u263a\u2192?\n"), std::string::npos)
        << "terminals and the cell stream get the PC character set's characters, '?' for others";
    EXPECT_EQ(row(7, 9, 7), U" a\ufffd(b\ufffd ");
    EXPECT_EQ(row(8, 0, 5), U"\ufffd\u2588\u00e9B ");
    EXPECT_EQ(display.getCellGrid().at(1, 8).foreground, qm::CellColor::rgb(1, 2, 3));
    EXPECT_EQ(row(1, 30, 20), U" | Fisch\u00b7Punkte 7 | ");
    EXPECT_EQ(row(0, 30, 20), U"  ----------------  ") << "the bars are as long as the characters";

    auto* copy = new qm::ViewObject;
    ASSERT_EQ(copy->deserialize(view->serialize("VIEW_STRING,")), 0);
    EXPECT_EQ(copy->getViewString(), "Fisch\u00b7Punkte") << "the attribute text carries the characters";
}

} // namespace
