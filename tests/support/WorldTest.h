// A fixture for tests of the game world: the engine runs, so new objects belong to the world.
#ifndef QM_TEST_WORLDTEST_H
#define QM_TEST_WORLDTEST_H

#include "support/EngineTest.h"

#include <qm/ObjectList.h>
#include <qm/ObjectListIterator.h>
#include <qm/WorldManager.h>

#include <algorithm>

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
    const auto all = contents(list);
    return static_cast<int>(std::count(all.begin(), all.end(), object));
}

/// Starts the engine headless: objects made with `new` belong to the world, which deletes them.
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
