#ifndef GAME_MIRRORVIEW_H
#define GAME_MIRRORVIEW_H

#include <qm/ViewObject.h>

#include <string>

/// A watcher's copy of one of the served game's view objects (the score displays and the
/// start screen): like Mirror, it changes only through apply(). Created and deleted by the
/// Watcher; owned by the world.
class MirrorView : public qm::ViewObject
{
public:
    MirrorView();

    /// Applies an attribute text from the game, staying SPECTRAL as Mirror does. Returns 0.
    int apply(const std::string& attributes);

    /// The attribute text as the game wrote it: its solidness, not the copy's own.
    std::string serialize(std::string attr) override;

    /// Moves only from apply().
    int setPosition(qm::Vector where) override;

    /// Ignores every event, view events included: the game decides.
    int eventHandler(const qm::Event*) override { return 0; }

    /// The start screen shows its sprite, still; every other display its label and value.
    int draw() override;

private:
    bool applying = false;
    int gameSolidness = qm::SPECTRAL;
};

#endif
