// Game objects: interests, modified flags, velocity, acceleration, path following, and the
// life of objects the world does not own.
#include "support/WorldTest.h"

#include <qm/Animation.h>
#include <qm/EventKeyboard.h>
#include <qm/EventStep.h>
#include <qm/Frame.h>
#include <qm/GameManager.h>
#include <qm/InputManager.h>
#include <qm/Object.h>
#include <qm/Path.h>
#include <qm/SceneGraph.h>
#include <qm/Sprite.h>

#include <gtest/gtest.h>

#include <string>

namespace
{

using qm::Vector;
using qmtest::countOf;
using qmtest::RecordingObject;

class NamedEvent : public qm::Event
{
public:
    explicit NamedEvent(const std::string& type) { setType(type); }
};

class ObjectTest : public qmtest::WorldTest
{
};

TEST_F(ObjectTest, NewObjectHasEveryModifiedFlagSet)
{
    qm::Object* object = new qm::Object;
    EXPECT_TRUE(object->isModified());
    for (int i = 0; i < qm::OBJECT_ATTRIBUTE_COUNT; ++i)
    {
        EXPECT_TRUE(object->isModified(static_cast<qm::ObjectAttribute>(i))) << i;
    }
    EXPECT_FALSE(object->isModified(static_cast<qm::ObjectAttribute>(qm::OBJECT_ATTRIBUTE_COUNT)));
    EXPECT_FALSE(object->isModified(static_cast<qm::ObjectAttribute>(-1)));
}

TEST_F(ObjectTest, InterestsReachTheManagerThatDeliversTheType)
{
    RecordingObject* object = new RecordingObject;
    ASSERT_EQ(object->registerInterest(qm::EVENT_STEP), 0);
    ASSERT_EQ(object->registerInterest("game-event"), 0);
    ASSERT_EQ(object->registerInterest(qm::EVENT_VIEW), 0);

    const qm::EventStep step(0);
    const NamedEvent custom("game-event");
    EXPECT_EQ(qm::GameManager::getInstance().onEvent(&step), 1);
    EXPECT_EQ(world.onEvent(&custom), 1);
    EXPECT_EQ(world.onEvent(&step), 0); // the world does not deliver steps
    EXPECT_EQ(object->received, (std::vector<std::string>{qm::EVENT_STEP, "game-event"}));

    // Collisions and out events arrive without registering; registering for them fails.
    EXPECT_EQ(object->registerInterest(qm::EVENT_COLLISION), -1);
    EXPECT_EQ(object->registerInterest(qm::EVENT_OUT), -1);
    EXPECT_EQ(countOf(log(), "WorldManager::isValid(): Event qm-collision handled automatically."), 1);
    EXPECT_EQ(countOf(log(), "WorldManager::isValid(): Event qm-out handled automatically."), 1);
    EXPECT_EQ(object->unregisterInterest(qm::EVENT_OUT), -1);
    EXPECT_EQ(countOf(log(), "Object::unregisterInterest(): event 'qm-out' not previously registered"), 1);

    // Keyboard events go to the input manager; no manager delivers network events yet.
    ASSERT_EQ(object->registerInterest(qm::EVENT_KEYBOARD), 0);
    const qm::EventKeyboard key;
    EXPECT_EQ(qm::InputManager::getInstance().onEvent(&key), 1);
    EXPECT_EQ(world.onEvent(&key), 0);
    EXPECT_EQ(object->registerInterest(qm::EVENT_NETWORK), -1);
}

TEST_F(ObjectTest, HundredAndFirstInterestIsRefusedUntilOneIsWithdrawn)
{
    qm::Object* object = new qm::Object;
    for (int i = 0; i < qm::MAX_OBJ_EVENTS; ++i)
    {
        ASSERT_EQ(object->registerInterest("event-" + std::to_string(i)), 0) << i;
    }
    EXPECT_EQ(object->registerInterest("one-more"), -1);
    EXPECT_EQ(countOf(log(), "Object::registerInterest(): maximum (100) reached, cannot register for event 'one-more'"),
              1);
    ASSERT_EQ(object->unregisterInterest("event-50"), 0);
    EXPECT_EQ(object->registerInterest("one-more"), 0);
}

TEST_F(ObjectTest, WithdrawingTheMiddleInterestKeepsTheOthers)
{
    RecordingObject* object = new RecordingObject;
    for (const char* name : {"a", "b", "c"})
    {
        ASSERT_EQ(object->registerInterest(name), 0);
    }
    ASSERT_EQ(object->unregisterInterest("b"), 0);
    EXPECT_EQ(object->unregisterInterest("b"), -1);
    for (const char* name : {"a", "b", "c"})
    {
        const NamedEvent event(name);
        world.onEvent(&event);
    }
    EXPECT_EQ(object->received, (std::vector<std::string>{"a", "c"}));
    // Withdrawing the rest in any order works: each name is found where it now is.
    EXPECT_EQ(object->unregisterInterest("c"), 0);
    EXPECT_EQ(object->unregisterInterest("a"), 0);
}

TEST_F(ObjectTest, DeletedObjectHearsNoMoreEvents)
{
    RecordingObject* object = new RecordingObject;
    ASSERT_EQ(object->registerInterest(qm::EVENT_STEP), 0);
    ASSERT_EQ(object->registerInterest("game-event"), 0);
    world.markForDelete(object);
    world.update();
    const qm::EventStep step(0);
    const NamedEvent custom("game-event");
    EXPECT_EQ(qm::GameManager::getInstance().onEvent(&step), 0);
    EXPECT_EQ(world.onEvent(&custom), 0);
}

TEST_F(ObjectTest, AccelerationIsAddedOncePerStepAfterTheMove)
{
    qm::Object* object = new qm::Object;
    object->setPosition(Vector(10, 10));
    object->setAcceleration(Vector(0, 0.01f));
    world.update();
    EXPECT_EQ(object->getPosition(), Vector(10, 10)); // speed was 0 when it moved
    EXPECT_FLOAT_EQ(object->getSpeed(), 0.01f);
    EXPECT_EQ(object->getDirection(), Vector(0, 1));
    world.update();
    EXPECT_FLOAT_EQ(object->getPosition().getY(), 10.01f);
    EXPECT_FLOAT_EQ(object->getSpeed(), 0.02f);
}

TEST_F(ObjectTest, PathFollowerSnapsOntoNearWaypointsAndStopsAtTheEnd)
{
    qm::Object* object = new qm::Object;
    object->setSolidness(qm::SPECTRAL);
    object->setPosition(Vector(1, 1));
    object->setVelocity(Vector(1, 0));
    qm::Path path;
    path.addNode(Vector(1.7f, 1)); // 0.7 away: within three quarters of a step
    path.addNode(Vector(1.7f, 4));
    object->setPath(path);
    object->setFollowPath(true);

    object->followPath();
    EXPECT_EQ(object->getPosition(), Vector(1.7f, 1));
    EXPECT_EQ(object->getPath().getIndex(), 1);
    EXPECT_EQ(object->getDirection(), Vector(0, 1)); // heading for the next one at once
    EXPECT_FLOAT_EQ(object->getSpeed(), 1);

    for (int step = 0; step < 5; ++step)
    {
        world.update();
    }
    EXPECT_EQ(object->getPosition(), Vector(1.7f, 4));
    EXPECT_TRUE(object->getPath().isDone());
    EXPECT_FALSE(object->getFollowPath());
    EXPECT_EQ(object->getDirection(), Vector(0, 0));
}

TEST_F(ObjectTest, StoppingToFollowStillPointsAtTheCurrentWaypoint)
{
    qm::Object* object = new qm::Object;
    object->setPosition(Vector(5, 5));
    qm::Path path;
    path.addNode(Vector(5, 1));
    object->setPath(path);
    object->setFollowPath(false);
    EXPECT_EQ(object->getDirection(), Vector(0, -1));
    object->setVelocity(Vector(2, 0));
    object->followPath(); // not following: nothing changes
    EXPECT_EQ(object->getDirection(), Vector(1, 0));
}

// An animation playing `sprite`.
qm::Animation animationOf(qm::Sprite& sprite)
{
    qm::Animation animation;
    animation.setSprite(&sprite);
    return animation;
}

TEST_F(ObjectTest, AnimationBoxIsTakenOnlyWhenAsked)
{
    qm::Sprite sprite(2);
    sprite.setWidth(3);
    sprite.setHeight(2);
    qm::Object* object = new qm::Object;
    object->setAnimation(animationOf(sprite), false);
    EXPECT_EQ(object->getAnimation().getSprite(), &sprite);
    EXPECT_EQ(object->getBox(), qm::Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f));
    object->setAnimation(animationOf(sprite), true);
    EXPECT_EQ(object->getBox(), qm::Box(Vector(-1.5f, -1), 3, 2));
    object->setAnimation(qm::Animation(), false); // before the sprite goes
}

TEST_F(ObjectTest, UnknownSpriteLabelKeepsAnimationAndBox)
{
    qm::Sprite sprite(1);
    sprite.setWidth(4);
    sprite.setHeight(1);
    qm::Object* object = new qm::Object;
    object->setAnimation(animationOf(sprite), true);
    EXPECT_EQ(object->setSprite("no-such-sprite"), -1);
    EXPECT_EQ(countOf(log(), "Object::setSprite(): Warning! Sprite 'no-such-sprite' not found"), 1);
    EXPECT_EQ(object->getAnimation().getSprite(), &sprite);
    EXPECT_EQ(object->getBox(), qm::Box(Vector(-2, -0.5f), 4, 1));
    object->setAnimation(qm::Animation(), false);
}

TEST_F(ObjectTest, DrawingPlaysTheAnimationEvenWhenTheDisplayRefuses)
{
    qm::Sprite sprite(2);
    sprite.setWidth(1);
    sprite.setHeight(1);
    sprite.addFrame(qm::Frame(1, 1, "a"));
    sprite.addFrame(qm::Frame(1, 1, "b"));
    qm::Object* object = new qm::Object;
    EXPECT_EQ(object->draw(), 0); // nothing to draw
    object->setAnimation(animationOf(sprite), true);
    EXPECT_EQ(object->draw(), -1); // headless: the display draws nothing
    EXPECT_EQ(object->getAnimation().getIndex(), 1);
    object->setAnimation(qm::Animation(), false);
}

TEST(Path, IndexNeverLeavesTheWaypoints)
{
    qm::Path path;
    EXPECT_TRUE(path.isDone());
    EXPECT_EQ(path.getCurrentNode(), Vector(0, 0));
    path.addNode(Vector(3, 4));
    path.addNode(Vector(10, 4));
    path.advance();
    path.advance();
    path.advance();
    EXPECT_EQ(path.getIndex(), 2);
    EXPECT_EQ(path.getCurrentNode(), Vector(0, 0));
    path.setIndex(7);
    EXPECT_EQ(path.getIndex(), 2);
    path.setIndex(-3);
    EXPECT_EQ(path.getCurrentNode(), Vector(3, 4));
}

// Objects created while the world is stopped belong to whoever made them. They must stay
// out of the world's lists whatever is done to them, so that the world never deletes them
// nor keeps their address once they are gone.
class UnownedObject : public qmtest::EngineTest
{
};

TEST_F(UnownedObject, StaysOutOfTheWorldListsAndIsNeverDeletedByIt)
{
    qm::WorldManager& world = qm::WorldManager::getInstance();
    ASSERT_FALSE(world.isStarted());
    {
        RecordingObject early;
        EXPECT_EQ(early.setActive(false), 0);
        EXPECT_FALSE(early.isActive());
        EXPECT_EQ(early.setVisible(false), 0);
        EXPECT_EQ(early.setAltitude(4), 0);
        EXPECT_EQ(early.setSolidness(qm::SOFT), 0);
        early.setType("Early");
        EXPECT_EQ(world.getAllObjects(true).getCount(), 0);
    }
    ASSERT_EQ(startEngine(), 0);
    EXPECT_EQ(world.getAllObjects(true).getCount(), 0);
    RecordingObject* owned = new RecordingObject;
    owned->setActive(false);
    EXPECT_EQ(world.getAllObjects(true).getCount(), 1);
    qm::GameManager::getInstance().shutDown(); // deletes only the owned object
    EXPECT_EQ(world.getAllObjects(true).getCount(), 0);
}

} // namespace
