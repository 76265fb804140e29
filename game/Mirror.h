#ifndef GAME_MIRROR_H
#define GAME_MIRROR_H

#include <qm/Object.h>

#include <string>

/// A watcher's copy of one of the served game's objects. It changes only through apply():
/// the watcher's own world neither moves it (its velocity is the game's, for the record) nor
/// advances its animation, so that it shows exactly what the game showed when it last sent.
/// It never collides: it stays SPECTRAL in the watcher's world whatever the game says, and
/// keeps the game's solidness only to write it back (serialize), so that any number of
/// copies on one spot cost the watcher no collision tests. Nor do they cost drawing: a copy
/// whose every cell has 8 copies drawn over it in the frame is not drawn. Created and
/// deleted by the Watcher; owned by the world.
class Mirror : public qm::Object
{
public:
    Mirror();

    /// Applies an attribute text from the game. Returns 0.
    int apply(const std::string& attributes);

    /// The attribute text as the game wrote it: its solidness, not the copy's own.
    std::string serialize(std::string attr) override;

    /// Moves only from apply(); the watcher's world update cannot.
    int setPosition(qm::Vector where) override;

    /// Ignores every event: the game decides.
    int eventHandler(const qm::Event*) override { return 0; }

    /// Draws as the game's object of that type does, without advancing the animation.
    int draw() override;

private:
    bool applying = false;
    int gameSolidness = qm::HARD;
};

/// `attributes` without white space (the reader drops it anyway) and without its
/// "solidness" pairs; a valid value of the first one goes into `solidness`, which is
/// otherwise left as it was. Copies keep their own solidness SPECTRAL this way.
std::string withoutSolidness(std::string attributes, int& solidness);

/// `text`, an attribute text written by a SPECTRAL copy, with its solidness pair saying
/// `solidness` instead.
std::string withSolidness(std::string text, int solidness);

/// Draws `copy`'s sprite as the game last drew it, leaving the animation as it is. The game
/// advances an animation after drawing it, so a slowdown count of 0 on a sprite of several
/// frames means that the frame before the current one is on the game's screen.
int drawAsShown(qm::Object& copy);

#endif
