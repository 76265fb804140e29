// Helpers for tests of the game world: a fixture with the engine started (so that new
// objects are owned by the world) and ways to read object lists.
#ifndef QM_TEST_WORLDTEST_H
#define QM_TEST_WORLDTEST_H

#include "support/EngineTest.h"

#include <qm/Object.h>
#include <qm/ObjectList.h>
#include <qm/ObjectListIterator.h>
#include <qm/WorldManager.h>

#include <gtest/gtest.h>

#include <vector>

namespace qmtest
{

/// The pointers of `list`, in order.
inline std::vector<qm::Object*> contents(const qm::ObjectList& list)
{
    std::vector<qm::Object*> result;
    for (qm::ObjectListIterator it(&list); !it.isDone(); it.next())
    {
        result.push_back(it.currentObject());
    }
    return result;
}

/// How many times `object` is in `list`.
inline int occurrences(const qm::ObjectList& list, const qm::Object* object)
{
    int count = 0;
    for (qm::ObjectListIterator it(&list); !it.isDone(); it.next())
    {
        count += it.currentObject() == object ? 1 : 0;
    }
    return count;
}

/// Starts the engine headless before each test. Objects are created with `new` and left
/// to the world, which deletes them when the fixture shuts the engine down.
class WorldTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_EQ(startEngine(), 0);
    }

    qm::WorldManager& world = qm::WorldManager::getInstance();
};

} // namespace qmtest

#endif
