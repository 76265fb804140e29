#ifndef QM_SPLASHQUILLMERE_H
#define QM_SPLASHQUILLMERE_H

#include <qm/Object.h>
#include <qm/Vector.h>

#include <memory>

namespace qm
{

class Sprite;

/// The splash screen's logo figure, a quill over the water: it flies up from below the
/// view to `target`, settles into its resting picture and then ends the splash's loop.
/// Builds and owns its sprites.
class SplashQuillmere : public Object
{
public:
    /// Starts below the view at the x of `target`, reaching its height in 30 steps.
    explicit SplashQuillmere(Vector target);
    ~SplashQuillmere() override;

    /// Returns 1 for step events and key events, 0 otherwise.
    int eventHandler(const Event* event) override;

private:
    Vector target;
    int countdown = 30;
    std::unique_ptr<Sprite> sprite;
};

} // namespace qm

#endif
