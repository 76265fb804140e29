// A fixture for the game's logic: the engine started headless, the game's resources loaded
// from the run directory, and ways to play game-loop iterations and keys by hand.
#ifndef QM_TEST_GAMEFIXTURE_H
#define QM_TEST_GAMEFIXTURE_H

#include "loadResources.h"
#include "support/WorldTest.h"

#include <qm/EventKeyboard.h>
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/Object.h>
#include <qm/ObjectListIterator.h>
#include <qm/Sprite.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace gametest
{

class GameFixture : public qmtest::WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        // The game names its files relative to the run directory, as the program runs.
        previousDir = std::filesystem::current_path();
        std::filesystem::current_path(QM_RUN_DIR);
        loadResources();
    }

    void TearDown() override
    {
        WorldTest::TearDown();
        std::filesystem::current_path(previousDir);
    }

    /// One game-loop iteration after the input phase: the step event numbered `count` to
    /// every object registered for it, then the world's update.
    void iterate(int count)
    {
        const qm::EventStep step(count);
        qm::GameManager::getInstance().onEvent(&step);
        world.update();
    }

    /// The step event alone, to everyone registered for it (no movement).
    static void stepEvent(int count)
    {
        const qm::EventStep step(count);
        qm::GameManager::getInstance().onEvent(&step);
    }

    /// Hands a keyboard event straight to `object`'s handler and returns its result.
    static int key(qm::Object* object, int code, int action)
    {
        qm::EventKeyboard event;
        event.setKey(code);
        event.setKeyboardAction(action);
        return object->eventHandler(&event);
    }

    /// Every object of `type`, inactive ones included, in the world's order.
    std::vector<qm::Object*> ofType(const std::string& type) const
    {
        std::vector<qm::Object*> found;
        const qm::ObjectList all = world.getAllObjects(true);
        for (qm::ObjectListIterator it(&all); !it.isDone(); it.next())
        {
            if (it.currentObject()->getType() == type)
            {
                found.push_back(it.currentObject());
            }
        }
        return found;
    }

    /// Every object of class T, inactive ones included, in the world's order.
    template <typename T> std::vector<T*> ofClass() const
    {
        std::vector<T*> found;
        const qm::ObjectList all = world.getAllObjects(true);
        for (qm::ObjectListIterator it(&all); !it.isDone(); it.next())
        {
            if (auto* object = dynamic_cast<T*>(it.currentObject()))
            {
                found.push_back(object);
            }
        }
        return found;
    }

    /// Label of the sprite the object shows, or "" for none.
    static std::string spriteOf(const qm::Object* object)
    {
        const qm::Sprite* sprite = object->getAnimation().getSprite();
        return sprite == nullptr ? "" : sprite->getLabel();
    }

    /// The first `count` values rand() gives after srand(seed); the generator is seeded
    /// again with `seed` afterwards, so the code under test draws the same values.
    static std::vector<int> randomSequence(unsigned seed, int count)
    {
        std::srand(seed);
        std::vector<int> values;
        for (int i = 0; i < count; ++i)
        {
            values.push_back(std::rand());
        }
        std::srand(seed);
        return values;
    }

private:
    std::filesystem::path previousDir;
};

} // namespace gametest

#endif
