#include "Player.h"

#include "DeadPlayer.h"
#include "loadResources.h"

#include <qm/EventCollision.h>
#include <qm/EventKeyboard.h>
#include <qm/ObjectListIterator.h>
#include <qm/WorldManager.h>

namespace
{
constexpr int POWERUP_STEPS = 150;
constexpr float NORMAL_SPEED = 2.0f;

bool eitherIs(const qm::EventCollision* event, const std::string& type)
{
    return event->getObject1()->getType() == type || event->getObject2()->getType() == type;
}

// The object of the collision that is of `type` (the first when both are).
qm::Object* theOne(const qm::EventCollision* event, const std::string& type)
{
    return event->getObject1()->getType() == type ? event->getObject1() : event->getObject2();
}

void setEnemiesSolidness(qm::Solidness solidness)
{
    const qm::ObjectList enemies = qm::WorldManager::getInstance().objectsOfType("Enemy");
    for (qm::ObjectListIterator it(&enemies); !it.isDone(); it.next())
    {
        it.currentObject()->setSolidness(solidness);
    }
}
} // namespace

Player::Player()
{
    setSprite("player");
    setType("Player");
    registerInterest(qm::EVENT_STEP);
    registerInterest(qm::EVENT_KEYBOARD);
    // Refused by the world manager (collisions arrive without registering), as it logs.
    registerInterest(qm::EVENT_COLLISION);
    const qm::Box boundary = qm::WorldManager::getInstance().getBoundary();
    setPosition(qm::Vector(6.5f, boundary.getVertical() / 2));
}

Player::~Player() = default;

int Player::eventHandler(const qm::Event* event)
{
    const std::string eventType = event->getType();
    if (eventType == qm::EVENT_KEYBOARD)
    {
        if (const auto* keys = dynamic_cast<const qm::EventKeyboard*>(event))
        {
            keyboard(keys);
        }
        return 1;
    }
    if (eventType == qm::EVENT_STEP)
    {
        step();
        return 1;
    }
    if (eventType == qm::EVENT_COLLISION)
    {
        if (const auto* collision = dynamic_cast<const qm::EventCollision*>(event))
        {
            collide(collision);
        }
        return 0;
    }
    return 0;
}

void Player::keyboard(const qm::EventKeyboard* event)
{
    const int key = event->getKey();
    const int action = event->getKeyboardAction();
    const qm::Vector here = getPosition();
    const int m = static_cast<int>(moveSpeed);

    if (key == qm::SPACE && action == qm::KEY_HELD)
    {
        if (thrust > 0)
        {
            if (here.getY() > static_cast<float>(jumpCeiling))
            {
                qm::Vector velocity = getVelocity();
                velocity.setY(static_cast<float>(static_cast<double>(velocity.getY()) - 0.01));
                setVelocity(velocity);
            }
            else
            {
                thrust = 0;
            }
        }
    }
    else if (key == qm::SPACE && action == qm::KEY_RELEASE)
    {
        thrust = 0;
    }
    else if (key == qm::A && action == qm::KEY_HELD)
    {
        move(-m);
    }
    else if (key == qm::D && action == qm::KEY_HELD)
    {
        move(m);
    }
    else if (key == qm::Q && action == qm::KEY_PRESS)
    {
        new DeadPlayer(here);
    }
    else if (key == qm::S && action == qm::KEY_PRESS)
    {
        setSprite(anyPowerup() ? "powered-crouch" : "player-crouch");
        crouching = true;
        setPosition(qm::Vector(here.getX(), static_cast<float>(static_cast<double>(here.getY()) + 0.5)));
    }
    else if (key == qm::S && action == qm::KEY_RELEASE)
    {
        setSprite(anyPowerup() ? "powered-up" : "player");
        crouching = false;
        setPosition(qm::Vector(here.getX(), static_cast<float>(static_cast<double>(here.getY()) - 0.5)));
    }
}

void Player::move(int dx)
{
    if (moveCountdown > 0)
    {
        return;
    }
    moveCountdown = moveSlowdown; // also when the move below is refused
    const qm::Vector target(getPosition().getX() + static_cast<float>(dx), getPosition().getY());
    qm::WorldManager& world = qm::WorldManager::getInstance();
    if (target.getX() > 3 && target.getX() < world.getBoundary().getHorizontal() - 1)
    {
        world.moveObject(this, target);
    }
}

void Player::step()
{
    moveCountdown = moveCountdown - 1 < 0 ? 0 : moveCountdown - 1;

    if (speedUp && --speedUpCountdown <= 0)
    {
        speedUp = false;
        moveSpeed = NORMAL_SPEED;
        speedUpCountdown = POWERUP_STEPS;
        showPlainSprite();
    }
    if (slowDown && --slowDownCountdown <= 0)
    {
        slowDown = false;
        moveSpeed = NORMAL_SPEED;
        slowDownCountdown = POWERUP_STEPS;
        showPlainSprite();
    }
    if (jumpHigh && --jumpHighCountdown <= 0)
    {
        jumpHigh = false;
        jumpCeiling = static_cast<int>(jumpCeiling * 1.5);
        jumpHighCountdown = POWERUP_STEPS;
        showPlainSprite();
    }
    if (invincible)
    {
        // Enemies made since the last step arrive hard: they turn spectral here.
        setEnemiesSolidness(qm::SPECTRAL);
        if (--invincibleCountdown <= 0)
        {
            showPlainSprite();
            invincible = false;
            setEnemiesSolidness(qm::HARD);
            invincibleCountdown = POWERUP_STEPS;
        }
    }

    qm::Vector velocity = getVelocity();
    if (thrust == 0)
    {
        velocity.setY(velocity.getY() + gravity);
    }
    setVelocity(velocity);
}

void Player::collide(const qm::EventCollision* event)
{
    qm::WorldManager& world = qm::WorldManager::getInstance();
    if (eitherIs(event, "Ground"))
    {
        thrust = 1;
        setVelocity(qm::Vector(getVelocity().getX(), 0));
    }
    if (eitherIs(event, "JumpHigh"))
    {
        jumpHigh = true;
        jumpCeiling = static_cast<int>(jumpCeiling / 1.5);
        playSound("powerup");
        showPoweredSprite();
        world.markForDelete(theOne(event, "JumpHigh"));
    }
    if (eitherIs(event, "Invincible"))
    {
        invincible = true;
        showPoweredSprite();
        playSound("powerup");
        world.markForDelete(theOne(event, "Invincible"));
    }
    if (eitherIs(event, "SpeedUp"))
    {
        speedUp = true;
        moveSpeed = 4.0f;
        playSound("powerup");
        showPoweredSprite();
        world.markForDelete(theOne(event, "SpeedUp"));
    }
    if (eitherIs(event, "SlowDown"))
    {
        slowDown = true;
        moveSpeed = 1.0f;
        showPoweredSprite();
        playSound("powerup");
        world.markForDelete(theOne(event, "SlowDown"));
    }
}

bool Player::anyPowerup() const
{
    return invincible || jumpHigh || speedUp || slowDown;
}

void Player::showPlainSprite()
{
    setSprite(crouching ? "player-crouch" : "player");
}

void Player::showPoweredSprite()
{
    setSprite(crouching ? "powered-crouch" : "powered-up");
}
