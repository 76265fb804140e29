// Game objects: their interests, and the life of objects the world does not own.
#include "support/WorldTest.h"

#include <qm/GameManager.h>

#include <gtest/gtest.h>

namespace
{

using qmtest::RecordingObject;

class ObjectTest : public qmtest::WorldTest
{
protected:
    void send(const std::string& name)
    {
        qm::Event event;
        event.setType(name);
        world.onEvent(&event);
    }
};

TEST_F(ObjectTest, HundredAndFirstInterestIsRefusedAndWithdrawingOneKeepsTheOthers)
{
    RecordingObject* object = new RecordingObject;
    for (int i = 0; i < qm::MAX_OBJ_EVENTS; ++i)
    {
        ASSERT_EQ(object->registerInterest("event-" + std::to_string(i)), 0) << i;
    }
    EXPECT_EQ(object->registerInterest("one-more"), -1);
    EXPECT_EQ(qmtest::countOf(
                  log(), "Object::registerInterest(): maximum (100) reached, cannot register for event 'one-more'"),
              1);
    ASSERT_EQ(object->unregisterInterest("event-50"), 0);
    EXPECT_EQ(object->unregisterInterest("event-50"), -1);
    EXPECT_EQ(object->registerInterest("one-more"), 0);
    for (const char* type : {"event-49", "event-50", "event-51", "one-more"})
    {
        send(type);
    }
    EXPECT_EQ(object->received, (std::vector<std::string>{"event-49", "event-51", "one-more"}));
    EXPECT_EQ(object->registerInterest(qm::EVENT_COLLISION), -1); // delivered without registering
}

// Objects created while the world is stopped belong to whoever made them: the world must
// neither list them nor delete them.
class UnownedObject : public qmtest::EngineTest
{
};

TEST_F(UnownedObject, StaysOutOfTheWorldListsAndIsNeverDeletedByIt)
{
    qm::WorldManager& world = qm::WorldManager::getInstance();
    {
        RecordingObject early;
        EXPECT_EQ(early.setActive(false) + early.setVisible(false) + early.setAltitude(4), 0);
        EXPECT_EQ(early.setSolidness(qm::SOFT), 0);
        early.setType("Early");
        EXPECT_EQ(world.getAllObjects(true).getCount(), 0);
    }
    ASSERT_EQ(startEngine(), 0);
    EXPECT_EQ(world.getAllObjects(true).getCount(), 0);
    (new RecordingObject)->setActive(false);
    EXPECT_EQ(world.getAllObjects(true).getCount(), 1);
    qm::GameManager::getInstance().shutDown(); // deletes only the owned object
    EXPECT_EQ(world.getAllObjects(true).getCount(), 0);
}

} // namespace
