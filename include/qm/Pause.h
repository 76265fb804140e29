#ifndef QM_PAUSE_H
#define QM_PAUSE_H

#include <qm/Object.h>

namespace qm
{

/// Lets the player freeze the whole game with one key. A press of the pause key stops the
/// game loop inside this object's event handler: nothing moves, steps or draws and the last
/// frame stays on screen, until any key is pressed (that press is consumed). Meanwhile the
/// window's title is the configured one followed by " (paused)". Closing the window while
/// paused ends the pause and the game. Create one per game:
///
///     new qm::Pause(qm::F10);
///
/// Without a window (headless) the pause key is refused with a log line.
class Pause : public Object
{
public:
    /// @param key engine key code (qm::Key) whose press pauses.
    explicit Pause(int key);
    ~Pause() override;

    /// Pauses on a press of the pause key and returns once the game resumes. Returns 1 for
    /// a keyboard event (also when not the pause key, or held or released), 0 for any other
    /// event and 0 when the pause is refused for want of a window (logged).
    int eventHandler(const Event* event) override;

    int getPauseKey() const { return pauseKey; }

private:
    int pauseKey;
};

} // namespace qm

#endif
