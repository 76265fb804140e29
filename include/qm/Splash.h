#ifndef QM_SPLASH_H
#define QM_SPLASH_H

#include <qm/Object.h>

#include <memory>

namespace qm
{

class Sprite;

/// Shows the engine's animated title: the banner slides in from the right, changes
/// lettering, the logo flies up beside it and settles; the splash then ends by itself
/// (about 90 steps), or at once on any key. Runs one complete game loop and returns.
/// Returns 0, or -1 (with a log line) when the game manager is not started.
int splash();

/// The sliding title banner of the splash screen. Builds its own sprite (no sprite file,
/// nothing registered with the resource manager) and owns it.
class Splash : public Object
{
public:
    Splash();
    ~Splash() override;

    /// Counts down on step events and ends the splash on any key. Returns 1 for the step
    /// events it counts, 0 otherwise.
    int eventHandler(const Event* event) override;

private:
    int countdown = 15;
    std::unique_ptr<Sprite> sprite;
};

} // namespace qm

#endif
