#include "loadResources.h"

#include <qm/ResourceManager.h>
#include <qm/Sound.h>

void loadResources()
{
    qm::ResourceManager& resources = qm::ResourceManager::getInstance();
    // The first five and "background" are never shown by this game; they are loaded all
    // the same so that other games built from the same data find them.
    resources.loadSprite("sprites/saucer-spr.txt", "saucer");
    resources.loadSprite("sprites/ship-spr.txt", "ship");
    resources.loadSprite("sprites/bullet-spr.txt", "bullet");
    resources.loadSprite("sprites/explosion-spr.txt", "explosion");
    resources.loadSprite("sprites/gameover-spr.txt", "gameover");
    resources.loadSprite("sprites/gamestart-spr.txt", "gamestart");
    resources.loadSprite("sprites/ground-spr.txt", "ground");
    resources.loadSprite("sprites/enemy-fish-spr.txt", "enemy-fish");
    resources.loadSprite("sprites/enemy-seaweed-spr.txt", "enemy-seaweed");
    resources.loadSprite("sprites/player-spr.txt", "player");
    resources.loadSprite("sprites/player-crouch-spr.txt", "player-crouch");
    resources.loadSprite("sprites/player-powered-spr.txt", "powered-up");
    resources.loadSprite("sprites/background1-spr.txt", "background");
    resources.loadSprite("sprites/dead-player-spr.txt", "dead-player");
    resources.loadSprite("sprites/player-powered-crouch-spr.txt", "powered-crouch");
    resources.loadSprite("sprites/powerups/invincible-powerup-spr.txt", "invincible-powerup");
    resources.loadSprite("sprites/powerups/jump-powerup-spr.txt", "jump-powerup");
    resources.loadSprite("sprites/powerups/slow-powerup-spr.txt", "slow-powerup");
    resources.loadSprite("sprites/powerups/speed-powerup-spr.txt", "speed-powerup");
    resources.loadMusic("Audio/Music.wav", "music");
    resources.loadSound("Audio/Impact.wav", "impact");
    resources.loadSound("Audio/DeathSound.wav", "death");
    resources.loadSound("Audio/PowerUp.wav", "powerup");
}

void playSound(const std::string& label)
{
    if (qm::Sound* sound = qm::ResourceManager::getInstance().getSound(label))
    {
        sound->play(false);
    }
}
