// The scene graph's lists stay consistent with each object's state through every change.
#include "support/WorldTest.h"

#include <qm/LogManager.h>
#include <qm/Object.h>
#include <qm/SceneGraph.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace
{

using qmtest::countOf;
using qmtest::occurrences;

class SceneGraphTest : public qmtest::WorldTest
{
protected:
    // `object` is in exactly the lists its state puts it in, once each.
    void expectFiled(qm::Object* object, const std::string& when)
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
    }

    qm::SceneGraph& graph = world.getSceneGraph();
};

TEST_F(SceneGraphTest, NewObjectIsActiveSolidAndVisibleAtAltitudeTwo)
{
    qm::Object* object = new qm::Object;
    EXPECT_EQ(occurrences(graph.activeObjects(), object), 1);
    EXPECT_EQ(occurrences(graph.objectsOfType("(Undefined)"), object), 1);
    EXPECT_EQ(occurrences(graph.solidObjects(), object), 1);
    EXPECT_EQ(occurrences(graph.visibleObjects(2), object), 1);
    expectFiled(object, "new");
}

TEST_F(SceneGraphTest, ListsFollowEveryChangeOfState)
{
    qm::Object* object = new qm::Object;
    qm::Object* bystander = new qm::Object;

    ASSERT_EQ(object->setSolidness(qm::SPECTRAL), 0);
    expectFiled(object, "spectral");
    ASSERT_EQ(object->setSolidness(qm::SOFT), 0);
    expectFiled(object, "soft");
    ASSERT_EQ(object->setSolidness(qm::HARD), 0);
    expectFiled(object, "hard again");

    ASSERT_EQ(object->setVisible(false), 0);
    expectFiled(object, "invisible");
    ASSERT_EQ(object->setAltitude(3), 0); // invisible: no altitude list changes
    expectFiled(object, "invisible at 3");
    ASSERT_EQ(object->setVisible(true), 0);
    expectFiled(object, "visible at 3");
    ASSERT_EQ(object->setAltitude(0), 0);
    expectFiled(object, "visible at 0");

    ASSERT_EQ(object->setActive(false), 0);
    expectFiled(object, "inactive");
    // Changes while inactive touch no list but decide where activation files the object.
    ASSERT_EQ(object->setAltitude(4), 0);
    ASSERT_EQ(object->setSolidness(qm::SPECTRAL), 0);
    ASSERT_EQ(object->setVisible(false), 0);
    ASSERT_EQ(object->setVisible(true), 0);
    expectFiled(object, "changed while inactive");
    ASSERT_EQ(object->setActive(true), 0);
    expectFiled(object, "active again");

    object->setType("Ship");
    expectFiled(object, "typed");
    EXPECT_EQ(occurrences(graph.objectsOfType("(Undefined)"), object), 0);

    expectFiled(bystander, "bystander");
    EXPECT_EQ(graph.activeObjects().getCount(), 2);
}

TEST_F(SceneGraphTest, TypeOfInactiveObjectIsLoggedAndFiledOnActivation)
{
    qm::Object* object = new qm::Object;
    ASSERT_EQ(object->setActive(false), 0);
    object->setType("Saucer");
    EXPECT_EQ(object->getType(), "Saucer");
    EXPECT_EQ(countOf(log(), "SceneGraph::updateType(): Error! Unable to remove Object (" +
                                 std::to_string(object->getId()) + ") type (Undefined)"),
              1);
    ASSERT_EQ(object->setActive(true), 0);
    EXPECT_EQ(occurrences(graph.objectsOfType("Saucer"), object), 1);
    EXPECT_EQ(occurrences(graph.objectsOfType("(Undefined)"), object), 0);
}

TEST_F(SceneGraphTest, VisibleObjectsOutsideTheAltitudesWarnsAndIsEmpty)
{
    new qm::Object;
    EXPECT_TRUE(graph.visibleObjects(5).isEmpty());
    EXPECT_TRUE(graph.visibleObjects(-1).isEmpty());
    EXPECT_EQ(countOf(log(), "SceneGraph::visibleObjects(): Warning! altitude 5 not in [0,4]."), 1);
    EXPECT_EQ(countOf(log(), "SceneGraph::visibleObjects(): Warning! altitude -1 not in [0,4]."), 1);
}

TEST_F(SceneGraphTest, RemovingAnObjectThatIsNotFiledLogsIdAndAddress)
{
    qm::Object* object = new qm::Object;
    ASSERT_EQ(graph.removeObject(object), 0);
    EXPECT_EQ(graph.removeObject(object), -1);
    char address[32];
    std::snprintf(address, sizeof(address), "%p", static_cast<void*>(object));
    EXPECT_EQ(countOf(log(), "SceneGraph::removeObject(): Error removing Object (id " +
                                 std::to_string(object->getId()) + ")! Pointer is " + address + "."),
              1);
    ASSERT_EQ(graph.insertObject(object), 0); // back in the world, which deletes it
}

TEST_F(SceneGraphTest, ObjectFiledAgainstItsStateLeavesNoAddressBehindWhenDeleted)
{
    qm::Object* object = new qm::Object;
    // Filed as inactive while the object still believes it is active.
    ASSERT_EQ(graph.updateActive(object, false), 0);
    ASSERT_TRUE(object->isActive());
    const int id = object->getId();
    world.markForDelete(object);
    world.update();
    EXPECT_EQ(countOf(log(), "SceneGraph::removeObject(): Error removing Object (id " + std::to_string(id) + ")"), 1);
    EXPECT_TRUE(world.getAllObjects(true).isEmpty());
    // Shut-down must find nothing of it to delete again.
}

TEST_F(SceneGraphTest, RefusedChangesLeaveTheObjectAsItWas)
{
    qm::Object* object = new qm::Object;
    EXPECT_EQ(object->setAltitude(5), -1);
    EXPECT_EQ(object->setAltitude(-1), -1);
    EXPECT_EQ(object->getAltitude(), 2);
    EXPECT_EQ(countOf(log(), "Object::setAltitude(): Altitude 5 not in range [0,4].  Ignored."), 1);
    EXPECT_EQ(countOf(log(), "Object::setAltitude(): Altitude -1 not in range [0,4].  Ignored."), 1);

    EXPECT_EQ(object->setSolidness(static_cast<qm::Solidness>(3)), -1);
    EXPECT_EQ(object->setSolidness(static_cast<qm::Solidness>(-1)), -1);
    EXPECT_EQ(object->getSolidness(), qm::HARD);
    EXPECT_EQ(countOf(log(), "Object::setSolidness(): Solidness -1 not one of HARD, SOFT or SPECTRAL."), 1);
    expectFiled(object, "after refusals");

    // With the object missing from its altitude list, a change of altitude is refused by the
    // scene graph and leaves the object alone; setting the current altitude asks nobody.
    ASSERT_EQ(graph.removeObject(object), 0);
    ASSERT_EQ(graph.activeObjects().getCount(), 0);
    EXPECT_EQ(object->setAltitude(2), 0);
    EXPECT_EQ(object->setAltitude(3), -1);
    EXPECT_EQ(object->getAltitude(), 2);
    EXPECT_EQ(countOf(log(), "SceneGraph::updateAltitude(): remove from old altitude (2) failed!"), 1);
    ASSERT_EQ(graph.insertObject(object), 0);
    expectFiled(object, "filed again");
}

} // namespace
