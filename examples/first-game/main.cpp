// A first game: a diver swims between two rocks, turning back each time it bumps into one;
// W and S move it a row up or down, Q ends the game. Run it from a folder that holds its
// sprites/ (the build copies them next to the program). With `--steps N` it ends by itself
// after N steps and prints how often the diver bumped into a rock.
#include <qm/EventCollision.h>
#include <qm/EventKeyboard.h>
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/Object.h>
#include <qm/ResourceManager.h>
#include <qm/WorldManager.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

// A hard obstacle: it never moves, so all it needs is a type, a sprite and a place.
class Rock : public qm::Object
{
public:
    explicit Rock(float x)
    {
        setType("Rock");
        setSprite("rock"); // takes the sprite's 3 x 3 cells as its box
        setPosition(qm::Vector(x, 12));
    }
};

class Diver : public qm::Object
{
public:
    explicit Diver(int stepsToPlay) : lastStep(stepsToPlay)
    {
        setType("Diver");
        setSprite("diver");
        setPosition(qm::Vector(40, 12));
        setVelocity(qm::Vector(0.5f, 0)); // half a cell to the right each step
        registerInterest(qm::EVENT_STEP);
        registerInterest(qm::EVENT_KEYBOARD);
    }

    int eventHandler(const qm::Event* event) override
    {
        if (event->getType() == qm::EVENT_STEP)
        {
            // The world moves the diver after every step event; nothing to do here but count.
            if (++steps == lastStep)
            {
                qm::GameManager::getInstance().setGameOver();
            }
            return 1;
        }
        if (event->getType() == qm::EVENT_COLLISION)
        {
            // Both are hard, so the world refused the move into the rock: swim back.
            ++bumps;
            setVelocity(qm::Vector(-getVelocity().getX(), 0));
            return 1;
        }
        if (event->getType() == qm::EVENT_KEYBOARD)
        {
            const auto* key = dynamic_cast<const qm::EventKeyboard*>(event);
            if (key != nullptr && key->getKeyboardAction() == qm::KEY_PRESS)
            {
                steer(key->getKey());
            }
            return 1;
        }
        return 0;
    }

    int getBumps() const { return bumps; }

private:
    void steer(int key)
    {
        qm::WorldManager& world = qm::WorldManager::getInstance();
        const qm::Vector here = getPosition();
        if (key == qm::W)
        {
            (void)world.moveObject(this, qm::Vector(here.getX(), here.getY() - 1)); // refused at a rock
        }
        else if (key == qm::S)
        {
            (void)world.moveObject(this, qm::Vector(here.getX(), here.getY() + 1));
        }
        else if (key == qm::Q)
        {
            qm::GameManager::getInstance().setGameOver();
        }
    }

    int lastStep; // 0: no end but the Q key or the window's close button
    int steps = 0;
    int bumps = 0;
};

} // namespace

int main(int argc, char** argv)
{
    const int lastStep = argc == 3 && std::strcmp(argv[1], "--steps") == 0 ? std::atoi(argv[2]) : 0;
    qm::GameManager& game = qm::GameManager::getInstance();
    int status = 1;
    if (game.startUp() == 0)
    {
        qm::ResourceManager& resources = qm::ResourceManager::getInstance();
        if (resources.loadSprite("sprites/diver-spr.txt", "diver") == 0 &&
            resources.loadSprite("sprites/rock-spr.txt", "rock") == 0)
        {
            // Objects are made with new and belong to the world from then on.
            new Rock(10);
            new Rock(70);
            const Diver* diver = new Diver(lastStep);
            game.run();
            std::printf("first-game: the diver bumped into a rock %d times\n", diver->getBumps());
            status = 0;
        }
        else
        {
            std::fprintf(stderr, "first-game: the sprites are missing (see the log)\n");
        }
    }
    game.shutDown(); // deletes the rocks and the diver
    return status;
}
