#ifndef GAME_MIRROR_H
#define GAME_MIRROR_H

#include <qm/Object.h>

#include <string>

/// A watcher's copy of one of the served game's objects. It changes only through apply():
/// the watcher's own world neither moves it (its velocity is the game's, for the record) nor
/// advances its animation, so that it shows exactly what the game showed when it last sent.
/// Created and deleted by the Watcher; owned by the world.
class Mirror : public qm::Object
{
public:
    Mirror();

    /// Applies an attribute text from the game. Returns 0.
    int apply(const std::string& attributes);

    /// Moves only from apply(); the watcher's world update cannot.
    int setPosition(qm::Vector where) override;

    /// Ignores every event: the game decides.
    int eventHandler(const qm::Event*) override { return 0; }

    /// Draws as the game's object of that type does, without advancing the animation.
    int draw() override;

private:
    bool applying = false;
};

/// Draws `copy`'s sprite as the game last drew it, leaving the animation as it is. The game
/// advances an animation after drawing it, so a slowdown count of 0 on a sprite of several
/// frames means that the frame before the current one is on the game's screen.
int drawAsShown(qm::Object& copy);

#endif
