#include "GameStart.h"

#include "Bubble.h"
#include "Ground.h"
#include "HighScore.h"
#include "Lives.h"
#include "Player.h"
#include "Points.h"
#include "Scroller.h"
#include "Spawner.h"

#include <qm/EventKeyboard.h>
#include <qm/GameManager.h>
#include <qm/Music.h>
#include <qm/ResourceManager.h>

namespace
{
constexpr int BUBBLE_COUNT = 8;
}

GameStart::GameStart()
{
    setType("GameStart");
    setSprite("gamestart");
    setLocation(qm::CENTER_CENTER);
    registerInterest(qm::EVENT_KEYBOARD);
    music = qm::ResourceManager::getInstance().getMusic("music");
    if (music != nullptr)
    {
        music->play(true);
    }
}

GameStart::~GameStart() = default;

int GameStart::eventHandler(const qm::Event* event)
{
    if (event->getType() != qm::EVENT_KEYBOARD)
    {
        return 0;
    }
    const auto* keyboard = dynamic_cast<const qm::EventKeyboard*>(event);
    if (keyboard == nullptr)
    {
        return 1;
    }
    // Press, release and held reports all count: a key still down when the start screen
    // comes back starts the next game at once.
    switch (keyboard->getKey())
    {
    case qm::SPACE:
    case qm::P:
        startGame();
        break;
    case qm::Q:
        qm::GameManager::getInstance().setGameOver(true);
        break;
    default:
        break;
    }
    return 1;
}

int GameStart::draw()
{
    // The start screen is its sprite, drawn as any object's, not a view object's text.
    return Object::draw(); // NOLINT(bugprone-parent-virtual-call)
}

void GameStart::startGame()
{
    // The order matters: it fixes who hears shared events first and the order in which the
    // bubbles draw on the random generator.
    new Spawner;
    new Lives;
    new Points;
    new HighScore;
    new Ground;
    new Player;
    for (int i = 0; i < BUBBLE_COUNT; ++i)
    {
        new Bubble;
    }
    new Scroller;
    setActive(false);
}
