// Walk to the click: a creature finds its way, by path search, to the cell you click, around
// walls of HARD objects. Left click: walk there. Right click: add a wall piece on that cell;
// a creature under way plans its way again. Q or Escape: quit.
//
// --steps N ends the program after N game-loop steps and plays a few clicks by itself on
// the way (a walk through a wall's gap, wall pieces dropped into the gap, a walk on), so
// that it can run without anyone at the mouse; it then fails (exit code 1) when the walker
// arrived nowhere.
#include <qm/DisplayManager.h>
#include <qm/Event.h>
#include <qm/EventKeyboard.h>
#include <qm/EventMouse.h>
#include <qm/EventPath.h>
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/Object.h>
#include <qm/ObjectListIterator.h>
#include <qm/PathManager.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{

// The cell an object at world position `p` stands on: the nearest whole position.
qm::Vector cellOf(qm::Vector p)
{
    return qm::Vector(std::floor(p.getX() + 0.5f), std::floor(p.getY() + 0.5f));
}

// The cell under the mouse: a character at position (x, y) fills the window from x to x + 1
// (and y to y + 1) in the mouse's cell units.
qm::Vector cellUnderMouse(qm::Vector p)
{
    const qm::Vector world = qm::viewToWorld(p);
    return qm::Vector(std::floor(world.getX()), std::floor(world.getY()));
}

// One cell of wall: HARD, so that searches go around it.
class Wall : public qm::Object
{
public:
    explicit Wall(qm::Vector cell)
    {
        setType("Wall");
        setPosition(cell);
        setAltitude(1);
    }
    int draw() override { return qm::DisplayManager::getInstance().drawCh(getPosition(), '#', qm::BLUE); }
};

// The top row, where the help and the status are written: one HARD object across it,
// never drawn, so that no path runs through the text.
class Ceiling : public qm::Object
{
public:
    explicit Ceiling(int width)
    {
        setType("Ceiling");
        setPosition(qm::Vector(0, 0));
        setBox(qm::Box(qm::Vector(-0.5f, -0.5f), static_cast<float>(width), 0.99f));
        setVisible(false);
    }
};

// True when a wall piece stands on `cell`.
bool wallOn(qm::Vector cell)
{
    const qm::ObjectList walls = qm::WorldManager::getInstance().objectsOfType("Wall");
    for (qm::ObjectListIterator it(&walls); !it.isDone(); it.next())
    {
        if (it.currentObject()->getPosition() == cell)
        {
            return true;
        }
    }
    return false;
}

// The walker: heads for its goal along the path a search gives it, and searches again when
// the world changes under it.
class Walker : public qm::Object
{
public:
    explicit Walker(qm::Vector cell)
    {
        setType("Walker");
        setSolidness(qm::SOFT); // walls must not stop it where a path cuts a corner
        setPosition(cell);
        setAltitude(3);
        registerInterest(qm::EVENT_MOUSE);
        registerInterest(qm::EVENT_STEP);
    }

    int getArrivals() const { return arrivals; }

    // Starts a walk to `cell`; the path arrives in an EventPath within a frame or so.
    void walkTo(qm::Vector cell)
    {
        goal = cell;
        walking = true;
        plan();
    }

    // Plans again from where it stands (a wall was added).
    void replan()
    {
        if (walking)
        {
            plan();
        }
    }

    // Adds a wall piece on `cell` unless something is in the way, and plans again.
    void dropWall(qm::Vector cell)
    {
        const qm::Box world = qm::WorldManager::getInstance().getBoundary();
        const bool inside = cell.getX() >= 0 && cell.getY() >= 1 && cell.getX() < world.getHorizontal() &&
                            cell.getY() < world.getVertical();
        if (inside && !wallOn(cell) && cell != cellOf(getPosition()))
        {
            new Wall(cell);
            replan();
        }
    }

    int eventHandler(const qm::Event* event) override
    {
        if (event->getType() == qm::EVENT_MOUSE)
        {
            const auto* mouse = static_cast<const qm::EventMouse*>(event);
            if (mouse->getMouseAction() != qm::MOUSE_CLICK)
            {
                return 0;
            }
            const qm::Vector cell = cellUnderMouse(mouse->getMousePosition());
            if (mouse->getMouseButton() == qm::BUTTON_LEFT)
            {
                walkTo(cell);
            }
            else if (mouse->getMouseButton() == qm::BUTTON_RIGHT)
            {
                dropWall(cell);
            }
            return 1;
        }
        if (event->getType() == qm::EVENT_STEP)
        {
            if (walking && getPosition() == goal)
            {
                walking = false;
                status = "arrived";
                ++arrivals;
                qm::LogManager::getInstance().writeLog("Walker: arrived at (%g,%g)", static_cast<double>(goal.getX()),
                                                       static_cast<double>(goal.getY()));
            }
            return 1;
        }
        if (event->getType() == qm::EVENT_PATH)
        {
            const auto* result = static_cast<const qm::EventPath*>(event);
            if (result->getStatus() == 2)
            {
                setVelocity(qm::Vector(SPEED, 0)); // the path points the direction
                status = "walking";
            }
            else
            {
                walking = false;
                status = "no way there";
                qm::LogManager::getInstance().writeLog("Walker: no way to (%g,%g)", static_cast<double>(goal.getX()),
                                                       static_cast<double>(goal.getY()));
            }
            // The default handling follows the path and deletes the finished search.
            return qm::Object::eventHandler(event);
        }
        return 0;
    }

    int draw() override
    {
        qm::DisplayManager& display = qm::DisplayManager::getInstance();
        if (walking)
        {
            const qm::Path route = getPath();
            for (int i = route.getIndex(); i < route.getNodeCount(); ++i)
            {
                display.drawCh(route.getNode(i), '.', qm::YELLOW);
            }
            display.drawCh(goal, 'X', qm::RED);
        }
        display.drawString(qm::Vector(1, 0), "left click: walk there   right click: add a wall   Q: quit", qm::LEFT,
                           qm::WHITE);
        display.drawString(qm::Vector(78, 0), status, qm::RIGHT, qm::GREEN);
        return display.drawCh(getPosition(), '@', qm::YELLOW);
    }

private:
    static constexpr float SPEED = 0.5f; // spaces per step

    void plan()
    {
        // Stand still until the new path arrives rather than walk on into a new wall.
        setVelocity(qm::Vector(0, 0));
        setFollowPath(false);
        if (qm::PathManager::getInstance().startSearch(this, goal) == 0)
        {
            status = "planning";
            qm::LogManager::getInstance().writeLog("Walker: planning from (%g,%g) to (%g,%g)",
                                                   static_cast<double>(getPosition().getX()),
                                                   static_cast<double>(getPosition().getY()),
                                                   static_cast<double>(goal.getX()), static_cast<double>(goal.getY()));
        }
        else
        {
            walking = false;
            status = "cannot search from here";
        }
    }

    qm::Vector goal;
    bool walking = false;
    int arrivals = 0;
    std::string status = "click somewhere";
};

// Quits on Q or Escape; with a step limit, plays a few clicks and ends the program.
class Director : public qm::Object
{
public:
    Director(Walker* creature, int lastStep) : walker(creature), stepLimit(lastStep)
    {
        setType("Director");
        setSolidness(qm::SPECTRAL);
        setVisible(false);
        registerInterest(qm::EVENT_KEYBOARD);
        registerInterest(qm::EVENT_STEP);
    }

    int eventHandler(const qm::Event* event) override
    {
        if (event->getType() == qm::EVENT_KEYBOARD)
        {
            const auto* key = static_cast<const qm::EventKeyboard*>(event);
            if (key->getKeyboardAction() == qm::KEY_PRESS && (key->getKey() == qm::Q || key->getKey() == qm::ESCAPE))
            {
                qm::GameManager::getInstance().setGameOver();
            }
            return 1;
        }
        if (event->getType() == qm::EVENT_STEP && stepLimit >= 0)
        {
            const int step = static_cast<const qm::EventStep*>(event)->getStepCount();
            if (step == 1)
            {
                walker->walkTo(qm::Vector(17, 21)); // through the first wall's gap
            }
            else if (step == 10)
            {
                walker->dropWall(qm::Vector(13, 19)); // narrows the gap it is heading for
                walker->dropWall(qm::Vector(13, 20));
            }
            else if (step == stepLimit * 2 / 3)
            {
                walker->walkTo(qm::Vector(24, 9)); // and on
            }
            if (step >= stepLimit)
            {
                qm::GameManager::getInstance().setGameOver();
            }
            return 1;
        }
        return 0;
    }

private:
    Walker* walker;
    int stepLimit;
};

// Walls across the screen with a gap each, at the bottom and the top in turn.
void buildWalls(int width, int height)
{
    new Ceiling(width);
    const int columns[] = {13, 26, 40, 54, 66};
    for (int i = 0; i < 5; ++i)
    {
        const int x = columns[i] * width / 80;
        const bool gapBelow = i % 2 == 0;
        for (int y = 1; y < height; ++y)
        {
            const bool inGap = gapBelow ? y >= height - 5 : y <= 4;
            if (!inGap)
            {
                new Wall(qm::Vector(static_cast<float>(x), static_cast<float>(y)));
            }
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    int steps = -1;
    for (int i = 1; i + 1 < argc; ++i)
    {
        if (std::strcmp(argv[i], "--steps") == 0)
        {
            steps = std::atoi(argv[i + 1]);
        }
    }

    qm::GameManager& game = qm::GameManager::getInstance();
    int result = 0;
    if (game.startUp() != 0)
    {
        result = 1; // the log says why
    }
    else
    {
        const qm::Box world = qm::WorldManager::getInstance().getBoundary();
        buildWalls(static_cast<int>(world.getHorizontal()), static_cast<int>(world.getVertical()));
        auto* walker = new Walker(qm::Vector(4, 12));
        new Director(walker, steps);
        game.run();
        if (steps >= 0 && walker->getArrivals() == 0)
        {
            std::fprintf(stderr, "walk-to-click: the walker arrived nowhere in %d steps\n", steps);
            result = 1;
        }
    }
    game.shutDown();
    return result;
}
