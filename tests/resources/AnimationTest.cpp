// Frames, sprites and the per-object animation state: frame storage, the order in which
// frames are shown, freezing, the object's box, and drawing without a window.
#include "support/EngineTest.h"

#include <qm/Animation.h>
#include <qm/Config.h>
#include <qm/DisplayManager.h>
#include <qm/LogManager.h>
#include <qm/Sprite.h>
#include <qm/utility.h>

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace
{

using qm::Frame;
using qm::Sprite;
using qm::Vector;
using qmtest::countOf;

// A sprite of `frames` 1 x 1 frames "a", "b", ... played at `slowdown`.
std::unique_ptr<Sprite> letters(int frames, int slowdown)
{
    auto sprite = std::make_unique<Sprite>(frames);
    sprite->setWidth(1);
    sprite->setHeight(1);
    sprite->setSlowdown(slowdown);
    sprite->setLabel("letters");
    for (int i = 0; i < frames; ++i)
    {
        sprite->addFrame(Frame(1, 1, std::string(1, static_cast<char>('a' + i))));
    }
    return sprite;
}

// The frame index shown by each of `calls` successive draws.
std::vector<int> shownIndices(qm::Animation& animation, int calls)
{
    std::vector<int> shown;
    for (int i = 0; i < calls; ++i)
    {
        shown.push_back(animation.getIndex());
        animation.draw(Vector(1, 1));
    }
    return shown;
}

TEST(SpriteFrames, FullSpriteRefusesMoreFramesAndKeepsItsCount)
{
    Sprite sprite(2);
    EXPECT_EQ(sprite.addFrame(Frame(1, 1, "a")), 0);
    EXPECT_EQ(sprite.addFrame(Frame(1, 1, "b")), 0);
    EXPECT_EQ(sprite.addFrame(Frame(1, 1, "c")), -1);
    EXPECT_EQ(sprite.getFrameCount(), 2);
    EXPECT_EQ(sprite.getFrame(1).getString(), "b");
}

TEST(SpriteFrames, IndexOutOfRangeGivesTheEmptyFrame)
{
    const auto sprite = letters(2, 1);
    for (int index : {-1, 2, INT_MAX, INT_MIN})
    {
        const Frame frame = sprite->getFrame(index);
        EXPECT_EQ(frame.getWidth(), 0) << index;
        EXPECT_EQ(frame.getHeight(), 0) << index;
        EXPECT_EQ(frame.getString(), "") << index;
    }
}

TEST(SpriteFrames, HugeAnnouncedCountCostsNothingUntilFilled)
{
    Sprite sprite(2000000000);
    EXPECT_EQ(sprite.getMaxFrameCount(), 2000000000);
    EXPECT_EQ(sprite.addFrame(Frame(1, 1, "a")), 0);
    EXPECT_EQ(sprite.getFrameCount(), 1);
}

TEST(SpriteFrames, NegativeCountIsLoggedAndAcceptsNoFrame)
{
    testing::internal::CaptureStderr();
    Sprite sprite(-3);
    EXPECT_EQ(countOf(testing::internal::GetCapturedStderr(), "Sprite::Sprite(): Error! Unable to allocate -3 frames."),
              1);
    EXPECT_EQ(sprite.getMaxFrameCount(), 0);
    EXPECT_EQ(sprite.addFrame(Frame(1, 1, "a")), -1);
}

TEST(AnimationSteps, ThreeFramesAtSlowdownTwoShowEachFrameTwice)
{
    const auto sprite = letters(3, 2);
    qm::Animation animation;
    animation.setSprite(sprite.get());
    EXPECT_EQ(shownIndices(animation, 9), (std::vector<int>{0, 0, 1, 1, 2, 2, 0, 0, 1}));
}

TEST(AnimationSteps, SlowdownOneChangesFrameOnEveryDraw)
{
    const auto sprite = letters(3, 1);
    qm::Animation animation;
    animation.setSprite(sprite.get());
    EXPECT_EQ(shownIndices(animation, 5), (std::vector<int>{0, 1, 2, 0, 1}));
    EXPECT_EQ(animation.getSlowdownCount(), 0);
}

TEST(AnimationSteps, FrozenAnimationKeepsItsFrame)
{
    const auto sprite = letters(3, 1);
    qm::Animation animation;
    animation.setSprite(sprite.get());
    animation.setIndex(2);
    animation.setSlowdownCount(-1);
    EXPECT_EQ(shownIndices(animation, 4), (std::vector<int>{2, 2, 2, 2}));
    EXPECT_EQ(animation.getSlowdownCount(), -1);
}

TEST(AnimationSteps, OneFrameSpriteStaysWhileTheCounterCycles)
{
    const auto sprite = letters(1, 3);
    qm::Animation animation;
    animation.setSprite(sprite.get());
    std::vector<int> counts;
    for (int i = 0; i < 4; ++i)
    {
        animation.draw(Vector(0, 0));
        counts.push_back(animation.getSlowdownCount());
    }
    EXPECT_EQ(counts, (std::vector<int>{1, 2, 0, 1}));
    EXPECT_EQ(animation.getIndex(), 0);
}

TEST(AnimationSteps, CountersAtTheTopOfTheIntRangeWrapToTheFirstFrame)
{
    const auto sprite = letters(3, INT_MAX);
    qm::Animation animation;
    animation.setSprite(sprite.get());
    animation.setIndex(INT_MAX);
    animation.setSlowdownCount(INT_MAX);
    animation.draw(Vector(0, 0));
    EXPECT_EQ(animation.getIndex(), 0);
    EXPECT_EQ(animation.getSlowdownCount(), 0);
}

TEST(AnimationState, NewSpriteStartsAtFrameZeroTakesItsLabelAndKeepsTheCount)
{
    const auto sprite = letters(3, 5);
    qm::Animation animation;
    EXPECT_TRUE(animation.isModified());
    animation.setIndex(2);
    animation.setSlowdownCount(3);
    animation.setModified(false);
    animation.setSprite(sprite.get());
    EXPECT_EQ(animation.getIndex(), 0);
    EXPECT_EQ(animation.getSlowdownCount(), 3);
    EXPECT_EQ(animation.getName(), "letters");
    EXPECT_TRUE(animation.isModified());
    // Setting what is already there is no modification.
    animation.setModified(false);
    animation.setIndex(0);
    animation.setName("letters");
    animation.setSlowdownCount(3);
    EXPECT_FALSE(animation.isModified());
    // Clearing the sprite keeps the name.
    animation.setSprite(nullptr);
    EXPECT_EQ(animation.getSprite(), nullptr);
    EXPECT_EQ(animation.getName(), "letters");
    EXPECT_EQ(animation.draw(Vector(1, 1)), 0);
}

TEST(AnimationState, BoxIsCentredOnThePositionOrJustUnderOneCellWithoutSprite)
{
    qm::Animation animation;
    qm::Box box = animation.getBox();
    EXPECT_FLOAT_EQ(box.getCorner().getX(), -0.5f);
    EXPECT_FLOAT_EQ(box.getCorner().getY(), -0.5f);
    EXPECT_FLOAT_EQ(box.getHorizontal(), 0.99f);
    EXPECT_FLOAT_EQ(box.getVertical(), 0.99f);

    Sprite sprite(1);
    sprite.setWidth(5);
    sprite.setHeight(2);
    animation.setSprite(&sprite);
    box = animation.getBox();
    EXPECT_FLOAT_EQ(box.getCorner().getX(), -2.5f);
    EXPECT_FLOAT_EQ(box.getCorner().getY(), -1.0f);
    EXPECT_FLOAT_EQ(box.getHorizontal(), 5.0f);
    EXPECT_FLOAT_EQ(box.getVertical(), 2.0f);
}

// Drawing without a window: headless fails silently, before start-up it says why.
class HeadlessDrawing : public qmtest::EngineTest
{
};

TEST_F(HeadlessDrawing, FrameFailsAtTheFirstCellWithoutAMessage)
{
    qm::LogManager::getInstance().setLogLevel(1);
    ASSERT_EQ(startEngine(), 0);
    const auto sprite = letters(2, 1);
    EXPECT_EQ(sprite->draw(0, Vector(5, 5), 0), -1);
    qm::Animation animation;
    animation.setSprite(sprite.get());
    EXPECT_EQ(animation.draw(Vector(5, 5)), -1);
    // The animation still advances: the frame shown next is the second.
    EXPECT_EQ(animation.getIndex(), 1);
    // Nothing to draw is success.
    EXPECT_EQ(sprite->draw(7, Vector(5, 5), 0), 0);
    EXPECT_EQ(Frame().draw(Vector(5, 5), qm::WHITE, 0), 0);
    EXPECT_EQ(Frame(3, 0, "abc").draw(Vector(5, 5), qm::WHITE, 0), 0);
    EXPECT_EQ(countOf(log(), "not started"), 0);
}

TEST_F(HeadlessDrawing, FrameOfOnlyTransparentCharactersDrawsNothingAndSucceeds)
{
    ASSERT_EQ(startEngine(), 0);
    EXPECT_EQ(Frame(3, 1, "###").draw(Vector(5, 5), qm::WHITE, '#'), 0);
    EXPECT_EQ(Frame(3, 1, "#a#").draw(Vector(5, 5), qm::WHITE, '#'), -1);
}

TEST(DrawingBeforeStartUp, ReportsDisplayNotStarted)
{
    // Headless drawing is silent whether started or not; this is about a windowed set-up.
    qm::Config::getInstance().loadConfig("headless:false,\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(Frame(2, 1, "ab").draw(Vector(1, 1), qm::WHITE, 0), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    // The first cell fails and the frame stops there.
    EXPECT_EQ(countOf(err, "DisplayManager not started!"), 1) << err;
}

} // namespace
