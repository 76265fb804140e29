// The scene graph's lists stay consistent with each object's state through every change.
#include "support/WorldTest.h"

#include <qm/SceneGraph.h>

#include <gtest/gtest.h>

#include <functional>

namespace
{

using qmtest::occurrences;

class SceneGraphTest : public qmtest::WorldTest
{
protected:
    // `object` is in exactly the lists its state puts it in, once each.
    void expectFiled(qm::Object* object, const char* when)
    {
        SCOPED_TRACE(when);
        const bool active = object->isActive();
        EXPECT_EQ(occurrences(graph.activeObjects(), object), active ? 1 : 0);
        EXPECT_EQ(occurrences(graph.inactiveObjects(), object), active ? 0 : 1);
        EXPECT_EQ(occurrences(graph.solidObjects(), object), active && object->isSolid() ? 1 : 0);
        for (int altitude = 0; altitude <= qm::MAX_ALTITUDE; ++altitude)
        {
            const bool shown = active && object->isVisible() && altitude == object->getAltitude();
            EXPECT_EQ(occurrences(graph.visibleObjects(altitude), object), shown ? 1 : 0) << "altitude " << altitude;
        }
        EXPECT_EQ(occurrences(graph.objectsOfType(object->getType()), object), active ? 1 : 0);
        EXPECT_EQ(occurrences(graph.objectsOfType("(Undefined)"), object),
                  active && object->getType() == "(Undefined)" ? 1 : 0);
    }

    qm::SceneGraph& graph = world.getSceneGraph();
};

TEST_F(SceneGraphTest, ListsFollowEveryChangeOfState)
{
    qm::Object* object = new qm::Object;
    qm::Object* bystander = new qm::Object;
    expectFiled(object, "new");
    const std::pair<const char*, std::function<int()>> changes[] = {
        {"spectral", [&] { return object->setSolidness(qm::SPECTRAL); }},
        {"soft", [&] { return object->setSolidness(qm::SOFT); }},
        {"hard", [&] { return object->setSolidness(qm::HARD); }},
        {"invisible", [&] { return object->setVisible(false); }},
        {"invisible at 3", [&] { return object->setAltitude(3); }},
        {"visible at 3", [&] { return object->setVisible(true); }},
        {"visible at 0", [&] { return object->setAltitude(0); }},
        {"altitude 5 refused", [&] { return object->setAltitude(5) + 1; }},
        {"solidness 3 refused", [&] { return object->setSolidness(static_cast<qm::Solidness>(3)) + 1; }},
        {"inactive", [&] { return object->setActive(false); }},
        // Changes while inactive touch no list but decide where activation files the object.
        {"inactive at 4", [&] { return object->setAltitude(4); }},
        {"inactive spectral", [&] { return object->setSolidness(qm::SPECTRAL); }},
        {"inactive typed", [&] { return object->setType("Saucer"), 0; }},
        {"active again", [&] { return object->setActive(true); }},
        {"typed", [&] { return object->setType("Ship"), 0; }},
    };
    for (const auto& change : changes)
    {
        ASSERT_EQ(change.second(), 0) << change.first;
        expectFiled(object, change.first);
    }
    EXPECT_EQ(object->getAltitude(), 4);
    expectFiled(bystander, "bystander");
    EXPECT_EQ(graph.activeObjects().getCount(), 2);
}

TEST_F(SceneGraphTest, ObjectFiledAgainstItsStateLeavesNoAddressBehindWhenDeleted)
{
    qm::Object* object = new qm::Object;
    ASSERT_EQ(graph.updateActive(object, false), 0); // filed as inactive, though it believes it is active
    world.markForDelete(object);
    world.update();
    EXPECT_EQ(qmtest::countOf(log(), "SceneGraph::removeObject(): Error removing Object (id "), 1);
    EXPECT_TRUE(world.getAllObjects(true).isEmpty()); // so shut-down does not delete it again
}

} // namespace
