// The passive pieces of a game: the score displays and the bubbles.
#include "Bubble.h"
#include "EventDeath.h"
#include "GameFixture.h"
#include "HighScore.h"
#include "Points.h"

#include <qm/EventOut.h>
#include <qm/WorldManager.h>

#include <gtest/gtest.h>

#include <set>

namespace
{

using qm::Vector;

class DisplayTest : public gametest::GameFixture
{
protected:
    void death() const
    {
        const EventDeath event;
        world.onEvent(&event);
    }
};

TEST_F(DisplayTest, PointComesEvery30StepsOfTheLoopCount)
{
    auto* points = new Points;
    for (int n = 1; n <= 95; ++n)
    {
        stepEvent(n);
    }
    EXPECT_EQ(points->getValue(), 3);
    EXPECT_EQ(points->getPoints(), 3);
}

TEST_F(DisplayTest, HighScoreRisesOnlyWhenALifeBeatsTheBestEarlierLife)
{
    auto* points = new Points;
    auto* best = new HighScore;
    int n = 0;
    auto score = [&](int count)
    {
        for (int i = 0; i < count; ++i)
        {
            n += 30;
            stepEvent(n);
        }
    };
    score(7);
    EXPECT_EQ(best->getValue(), 7);
    death();
    EXPECT_EQ(points->getValue(), 0);
    score(5);
    EXPECT_EQ(points->getValue(), 5);
    EXPECT_EQ(best->getValue(), 7);
    score(2);
    EXPECT_EQ(best->getValue(), 7);
    score(1);
    EXPECT_EQ(best->getValue(), 8) << "raised the moment the life reaches 8";
    EXPECT_EQ(points->getHighScore(), 8);
}

TEST_F(DisplayTest, BubbleDrawsSpeedRowAndColumnInThatOrder)
{
    const std::vector<int> r = randomSequence(5, 3);
    auto* bubble = new Bubble;
    EXPECT_EQ(bubble->getSolidness(), qm::SPECTRAL);
    EXPECT_EQ(bubble->getAltitude(), 0);
    EXPECT_FLOAT_EQ(bubble->getVelocity().getY(), static_cast<float>(-0.25 / (r[0] % 4 + 1)));
    EXPECT_EQ(bubble->getPosition(), Vector(static_cast<float>(r[2] % 80), static_cast<float>(24 + r[1] % 9)));
}

TEST_F(DisplayTest, BubbleLeavingAtTheTopDrawsRowColumnAndSpeedInThatOrder)
{
    auto* bubble = new Bubble;
    const std::vector<int> r = randomSequence(9, 3);
    const qm::EventOut out;
    EXPECT_EQ(bubble->eventHandler(&out), 1);
    EXPECT_EQ(bubble->getPosition(), Vector(static_cast<float>(r[1] % 80), static_cast<float>(24 + r[0] % 9)));
    EXPECT_FLOAT_EQ(bubble->getVelocity().getY(), static_cast<float>(-0.25 / (r[2] % 4 + 1)));
}

TEST_F(DisplayTest, BubblesStayWithinTheColumnsAndNineRowsBelowTheWorld)
{
    std::set<float> speeds;
    for (int i = 0; i < 200; ++i)
    {
        auto* bubble = new Bubble;
        const qm::EventOut out;
        bubble->eventHandler(&out);
        const Vector p = bubble->getPosition();
        ASSERT_GE(p.getX(), 0);
        ASSERT_LE(p.getX(), 79);
        ASSERT_GE(p.getY(), 24);
        ASSERT_LE(p.getY(), 32);
        speeds.insert(bubble->getVelocity().getY());
        world.markForDelete(bubble);
        world.update();
    }
    EXPECT_EQ(speeds.size(), 4u);
}

TEST_F(DisplayTest, BubbleRisesOutOfTheTopAndStartsAgainFromBelow)
{
    auto* bubble = new Bubble;
    bubble->setPosition(Vector(10, 0.2f));
    bubble->setVelocity(Vector(0, -0.25f));
    for (int i = 0; i < 5; ++i)
    {
        world.update();
    }
    EXPECT_GE(bubble->getPosition().getY(), 23.0f);
}

} // namespace
