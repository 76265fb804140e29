// The per-object animation state: the order in which frames are shown, freezing, the box.
#include <qm/Animation.h>
#include <qm/Sprite.h>

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace
{

using qm::Vector;

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
        animation.draw(Vector(1, 1));
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

TEST(AnimationState, BoxIsCentredOnThePositionOrJustUnderOneCellWithoutSprite)
{
    qm::Animation animation;
    EXPECT_EQ(animation.getBox(), qm::Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f));
    qm::Sprite sprite(1);
    sprite.setWidth(5);
    sprite.setHeight(2);
    animation.setSprite(&sprite);
    EXPECT_EQ(animation.getBox(), qm::Box(Vector(-2.5f, -1.0f), 5.0f, 2.0f));
}

} // namespace
