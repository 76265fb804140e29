// The interest table and event delivery shared by every manager.
#include "support/WorldTest.h"

#include <qm/EventKeyboard.h>
#include <qm/EventStep.h>

#include <gtest/gtest.h>

namespace
{

// A manager that accepts every event type, so that the base class's table can be probed.
class OpenManager : public qm::Manager
{
public:
    bool isValid(std::string) const override { return true; }
    int send(const std::string& name) const
    {
        qm::Event event;
        event.setType(name);
        return onEvent(&event);
    }
};

class Interest : public ::testing::Test
{
protected:
    OpenManager manager;
    qmtest::RecordingObject a, b, c;
};

TEST_F(Interest, UndefinedAndInvalidEventsReachNobody)
{
    ASSERT_EQ(manager.registerInterest(&a, qm::EVENT_UNDEFINED), 0);
    EXPECT_EQ(manager.send(qm::EVENT_UNDEFINED), 0);
    qm::GameManager& game = qm::GameManager::getInstance();
    EXPECT_EQ(game.registerInterest(&a, qm::EVENT_KEYBOARD), -1);
    ASSERT_EQ(game.registerInterest(&a, qm::EVENT_STEP), 0);
    const qm::EventKeyboard keyboard;
    EXPECT_EQ(game.onEvent(&keyboard), 0);
    EXPECT_EQ(game.unregisterInterest(&a, qm::EVENT_STEP), 0);
}

TEST_F(Interest, DuplicatesAreDeliveredTwiceAndUnregisteringClosesTheGap)
{
    ASSERT_EQ(manager.registerInterest(&a, "first") + manager.registerInterest(&a, "first"), 0);
    ASSERT_EQ(manager.registerInterest(&b, "second") + manager.registerInterest(&c, "third"), 0);
    EXPECT_EQ(manager.send("first"), 2);
    ASSERT_EQ(manager.unregisterInterest(&a, "first"), 0);
    EXPECT_EQ(manager.send("first"), 1);
    ASSERT_EQ(manager.unregisterInterest(&a, "first"), 0); // the type's last object: its slot goes
    EXPECT_EQ(manager.unregisterInterest(&a, "first"), -1);
    EXPECT_EQ(manager.unregisterInterest(&a, "second"), -1);
    EXPECT_EQ(manager.send("first") + manager.send("second") + manager.send("third"), 2);
    EXPECT_EQ(b.received, std::vector<std::string>{"second"});
    EXPECT_EQ(c.received, std::vector<std::string>{"third"});
}

TEST_F(Interest, HundredAndFirstTypeIsRefusedUntilASlotIsFreed)
{
    for (int i = 0; i < qm::MAX_EVENT_TYPES; ++i)
    {
        ASSERT_EQ(manager.registerInterest(&a, "type-" + std::to_string(i)), 0) << i;
    }
    EXPECT_EQ(manager.registerInterest(&a, "one-too-many"), -1);
    EXPECT_EQ(manager.registerInterest(&b, "type-99"), 0); // a known type still takes more
    ASSERT_EQ(manager.unregisterInterest(&a, "type-0"), 0);
    EXPECT_EQ(manager.registerInterest(&a, "one-too-many"), 0);
    EXPECT_EQ(manager.send("one-too-many"), 1);
}

} // namespace
