// The engine running headless with two sprites loaded, and a generator of object states
// reachable through the public setters, for the attribute-text tests.
#ifndef QM_TEST_SERIALIZATIONFIXTURE_H
#define QM_TEST_SERIALIZATIONFIXTURE_H

#include "support/WorldTest.h"

#include <qm/Object.h>
#include <qm/ResourceManager.h>
#include <qm/Shape.h>
#include <qm/ViewObject.h>
#include <qm/WorldManager.h>

#include <cmath>
#include <random>
#include <string>

namespace qmtest
{

/// Random values of every kind the attribute text carries.
class StateGenerator
{
public:
    explicit StateGenerator(unsigned seed) : random(seed) {}

    int integer(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    bool coin() { return integer(0, 1) == 1; }

    /// Mostly ordinary values, with whole numbers, zero, and very small and very large
    /// magnitudes (subnormal floats included) mixed in.
    float number()
    {
        switch (integer(0, 9))
        {
            // clang-format off
        case 0: return 0.0f;
        case 1: return static_cast<float>(integer(-100, 100));
        case 2: return std::ldexp(static_cast<float>(integer(1, 1000)), integer(-150, -120));
        case 3: return std::ldexp(static_cast<float>(integer(-1000, 1000)), integer(60, 110));
        default: return std::uniform_real_distribution<float>(-200.0f, 200.0f)(random);
            // clang-format on
        }
    }
    qm::Vector vector() { return qm::Vector(number(), number()); }

    /// Text with the characters the attribute text has to carry through its escapes.
    std::string text()
    {
        static const char* const pieces[] = {"Fish", "Player", " ", ",", ":", "%", "%41", "|",  ";",
                                             "\t",   "é",      "x", "",  "[", "]", "\n",  "a-b"};
        std::string result;
        for (int n = integer(0, 4); n > 0; --n)
        {
            result += pieces[integer(0, sizeof(pieces) / sizeof(pieces[0]) - 1)];
        }
        return result;
    }

    qm::Shape shape()
    {
        qm::Shape shape;
        shape.setType(integer(-1, 2));
        shape.setSize(coin() ? number() : static_cast<float>(integer(0, 50)));
        shape.setColor(integer(qm::BLACK, qm::CUSTOM));
        shape.setOpacity(static_cast<std::uint8_t>(integer(0, 255)));
        shape.setRGB(static_cast<std::uint8_t>(integer(0, 255)), static_cast<std::uint8_t>(integer(0, 255)),
                     static_cast<std::uint8_t>(integer(0, 255)));
        return shape;
    }

    qm::Path path()
    {
        qm::Path path;
        for (int n = integer(0, 5); n > 0; --n)
        {
            path.addNode(vector());
        }
        path.setIndex(integer(0, path.getNodeCount()));
        return path;
    }

    /// Applies one randomly chosen public change to `object`, as game code could; view
    /// objects also get view changes.
    void change(qm::Object& object)
    {
        static const char* const events[] = {"qm-step", "qm-view", "death", "custom event, 100%: sure"};
        auto* view = dynamic_cast<qm::ViewObject*>(&object);
        using qm::Vector;
        switch (integer(0, view != nullptr ? 27 : 20))
        {
            // clang-format off
        case 0: object.setActive(coin()); break;
        case 1: object.setVisible(coin()); break;
        case 2: object.registerInterest(events[integer(0, 3)]); break;
        case 3: object.unregisterInterest(events[integer(0, 3)]); break;
        case 4: object.setBox(qm::Box(vector(), number(), number())); break;
        case 5: object.setPosition(vector()); break;
        case 6: object.setType(text()); break;
        case 7: object.setSprite(coin() ? "example" : "other"); break;
        case 8: object.setAltitude(integer(0, qm::MAX_ALTITUDE)); break;
        case 9: object.setSolidness(static_cast<qm::Solidness>(integer(0, 2))); break;
        case 10: object.setNoSoft(coin()); break;
        case 11: object.setVelocity(vector()); break;
        case 12: object.setAcceleration(coin() ? vector() : Vector()); break;
        case 13: object.setShape(shape()); break;
        case 14: object.setPath(path()); break;
        case 15: object.setFollowPath(coin()); break;
        case 16: object.setAvoidCollisions(coin()); break;
        case 17: object.followPath(); break;
        case 18: object.applyAcceleration(); break;
        case 19: object.draw(); break; // headless: nothing shows, but the animation plays on
        case 21: view->setViewString(text()); break;
        case 22: view->setValue(coin() ? integer(-1000, 1000) : integer(INT32_MIN, INT32_MAX)); break;
        case 23: view->setBorder(coin()); break;
        case 24: view->setColor(static_cast<qm::Color>(integer(qm::BLACK, qm::CUSTOM))); break;
        case 25: view->setLocation(static_cast<qm::ViewObjectLocation>(integer(qm::TOP_LEFT, qm::BOTTOM_RIGHT))); break;
        case 26: view->setDrawValue(coin()); break;
        case 27: view->setPosition(vector()); break;
            // clang-format on
        default:
        {
            qm::Animation animation = object.getAnimation();
            animation.setIndex(integer(-2, 3));
            animation.setSlowdownCount(integer(-1, 6));
            if (integer(0, 4) == 0)
            {
                animation.setSprite(nullptr);
            }
            object.setAnimation(animation, coin());
        }
        }
    }

private:
    std::mt19937 random;
};

/// A headless engine with the example sprite loaded as "example" and as "other".
class SerializationTest : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        const std::string file = std::string(QM_TEST_DATA_DIR) + "/sprites/example-spr.txt";
        ASSERT_EQ(qm::ResourceManager::getInstance().loadSprite(file, "example"), 0);
        ASSERT_EQ(qm::ResourceManager::getInstance().loadSprite(file, "other"), 0);
    }

    /// Hands objects back to the world for deletion, so that long runs keep the world small.
    void discard(std::initializer_list<qm::Object*> objects)
    {
        for (qm::Object* object : objects)
        {
            world.markForDelete(object);
        }
        world.update();
    }
};

} // namespace qmtest

#endif
