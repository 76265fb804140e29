// Deferred deletion: marks made by destructors during the walk, and marks left at shut-down.
#include "support/WorldTest.h"

#include <gtest/gtest.h>

namespace
{

using qmtest::contents;
using Objects = std::vector<qm::Object*>;

// Notes its deletion in a shared list and runs an optional last wish.
class Mortal : public qm::Object
{
public:
    explicit Mortal(Objects& tally) : deaths(tally) {}
    ~Mortal() override
    {
        deaths.push_back(this);
        if (lastWish)
        {
            lastWish();
        }
    }
    Objects& deaths;
    std::function<void()> lastWish;
};

using Deletion = qmtest::WorldTest;

TEST_F(Deletion, DestructorMarkingOthersDeletesThemInTheSameWalkAndMarksLeftAtShutDownGoOnce)
{
    Objects deaths; // addresses only: never read through
    auto* first = new Mortal(deaths);
    auto* second = new Mortal(deaths);
    auto* third = new Mortal(deaths);
    first->lastWish = [&]
    {
        world.markForDelete(first); // itself again: no effect
        world.markForDelete(third);
    };
    third->lastWish = [&] { world.markForDelete(first); }; // already deleted: not again
    world.markForDelete(first);
    world.update();
    world.update();
    EXPECT_EQ(deaths, (Objects{first, third}));
    EXPECT_EQ(contents(world.getAllObjects(true)), Objects{second});

    auto* inactive = new Mortal(deaths);
    inactive->setActive(false);
    EXPECT_EQ(world.markForDelete(second) + world.markForDelete(second), 0); // marked twice, deleted once
    qm::GameManager::getInstance().shutDown();
    world.update(); // nothing is left marked, stopped or in a new run
    ASSERT_EQ(startEngine(), 0);
    world.update();
    EXPECT_EQ(deaths, (Objects{first, third, second, inactive}));
}

} // namespace
