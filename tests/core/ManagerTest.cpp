// The interest table and event delivery shared by every manager.
#include "support/EngineTest.h"

#include <qm/EventKeyboard.h>
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/Manager.h>

#include <gtest/gtest.h>

#include <vector>

namespace
{

using qmtest::RecordingObject;
using Types = std::vector<std::string>;

// A manager that accepts every event type, so that the base class's table can be probed.
class OpenManager : public qm::Manager
{
public:
    OpenManager() { setType("OpenManager"); }
    bool isValid(std::string) const override { return true; }
    int send(const std::string& name) const
    {
        qm::Event event;
        event.setType(name);
        return onEvent(&event);
    }
};

TEST(ManagerInterest, UndefinedAndInvalidEventsReachNobody)
{
    OpenManager manager;
    RecordingObject object;
    ASSERT_EQ(manager.registerInterest(&object, qm::EVENT_UNDEFINED), 0);
    EXPECT_EQ(manager.send(qm::EVENT_UNDEFINED), 0);
    qm::GameManager& game = qm::GameManager::getInstance();
    EXPECT_EQ(game.registerInterest(&object, qm::EVENT_KEYBOARD), -1);
    ASSERT_EQ(game.registerInterest(&object, qm::EVENT_STEP), 0);
    const qm::EventKeyboard keyboard;
    EXPECT_EQ(game.onEvent(&keyboard), 0);
    EXPECT_TRUE(object.received.empty());
    EXPECT_EQ(game.unregisterInterest(&object, qm::EVENT_STEP), 0);
}

TEST(ManagerInterest, DuplicateRegistrationDeliversTwiceUntilUnregisteredOnce)
{
    OpenManager manager;
    RecordingObject object;
    ASSERT_EQ(manager.registerInterest(&object, "tick"), 0);
    ASSERT_EQ(manager.registerInterest(&object, "tick"), 0);
    EXPECT_EQ(manager.send("tick"), 2);
    EXPECT_EQ(manager.unregisterInterest(&object, "tick"), 0);
    EXPECT_EQ(manager.send("tick"), 1);
    EXPECT_EQ(object.received.size(), 3u);
}

TEST(ManagerInterest, RemovingTheLastObjectOfATypeKeepsLaterTypesDeliverable)
{
    OpenManager manager;
    RecordingObject a, b, c;
    ASSERT_EQ(manager.registerInterest(&a, "first"), 0);
    ASSERT_EQ(manager.registerInterest(&b, "second"), 0);
    ASSERT_EQ(manager.registerInterest(&c, "third"), 0);
    ASSERT_EQ(manager.unregisterInterest(&a, "first"), 0);
    EXPECT_EQ(manager.unregisterInterest(&a, "first"), -1);
    EXPECT_EQ(manager.unregisterInterest(&a, "second"), -1);
    EXPECT_EQ(manager.send("first"), 0);
    EXPECT_EQ(manager.send("second"), 1);
    EXPECT_EQ(manager.send("third"), 1);
    EXPECT_EQ(b.received, Types{"second"});
    EXPECT_EQ(c.received, Types{"third"});
}

TEST(ManagerInterest, HundredAndFirstTypeIsRefusedUntilASlotIsFreed)
{
    OpenManager manager;
    RecordingObject object;
    for (int i = 0; i < qm::MAX_EVENT_TYPES; ++i)
    {
        ASSERT_EQ(manager.registerInterest(&object, "type-" + std::to_string(i)), 0) << i;
    }
    EXPECT_EQ(manager.registerInterest(&object, "one-too-many"), -1);
    EXPECT_EQ(manager.registerInterest(&object, "type-99"), 0); // a known type still takes more
    EXPECT_EQ(manager.send("type-99"), 2);
    ASSERT_EQ(manager.unregisterInterest(&object, "type-0"), 0);
    EXPECT_EQ(manager.registerInterest(&object, "one-too-many"), 0);
    EXPECT_EQ(manager.send("one-too-many"), 1);
}

TEST(ManagerDelivery, InRegistrationOrderSkippingInactiveObjects)
{
    OpenManager manager;
    RecordingObject a, b, c;
    std::vector<RecordingObject*> order;
    for (RecordingObject* object : {&b, &c, &a})
    {
        object->onEvent = [&order, object](const qm::Event*) { order.push_back(object); };
        ASSERT_EQ(manager.registerInterest(object, "tick"), 0);
    }
    EXPECT_EQ(manager.registerInterest(nullptr, "tick"), -1);
    c.setActive(false);
    EXPECT_EQ(manager.send("tick"), 2);
    c.setActive(true);
    EXPECT_EQ(manager.send("tick"), 3);
    EXPECT_EQ(order, (std::vector<RecordingObject*>{&b, &a, &b, &c, &a}));
}

TEST(ManagerDelivery, ChangesMadeByAHandlerTakeEffectAtTheNextEvent)
{
    OpenManager manager;
    RecordingObject first, second, latecomer;
    first.onEvent = [&](const qm::Event*)
    {
        manager.unregisterInterest(&second, "tick");
        manager.registerInterest(&latecomer, "tick");
    };
    ASSERT_EQ(manager.registerInterest(&first, "tick"), 0);
    ASSERT_EQ(manager.registerInterest(&second, "tick"), 0);
    EXPECT_EQ(manager.send("tick"), 2);
    EXPECT_TRUE(latecomer.received.empty());
    first.onEvent = nullptr;
    EXPECT_EQ(manager.send("tick"), 2);
    EXPECT_EQ(second.received.size(), 1u);
    EXPECT_EQ(latecomer.received.size(), 1u);
}

} // namespace
