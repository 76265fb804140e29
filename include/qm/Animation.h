#ifndef QM_ANIMATION_H
#define QM_ANIMATION_H

#include <qm/Box.h>
#include <qm/Vector.h>

#include <string>

namespace qm
{

class Sprite;

/// Per-object playback state of a sprite: which sprite (not owned), which frame is showing
/// and how many steps have passed towards the next frame. A slowdown count of -1 freezes
/// the animation on its current frame.
class Animation
{
public:
    Animation() = default;
    Animation(const Animation&) = default;
    Animation& operator=(const Animation&) = default;
    virtual ~Animation() = default;

    /// The sprite state as "sprite_name:", "sprite_index:" and "sprite_slowdown_count:" pairs
    /// when `attr` is "ALL", selects "ANIMATION," or is empty while the animation is modified;
    /// otherwise an empty text. Writing clears the modified flag.
    virtual std::string serialize(std::string attr);

    /// Applies the sprite pairs present in `str`: the sprite is looked up by name in the
    /// resource manager (an empty name means none; an unknown one is logged and skipped),
    /// then the frame index and slowdown count. Malformed numbers are logged and ignored.
    /// Returns 0.
    virtual int deserialize(std::string str);

    /// Plays `newSprite` (may be null) from frame 0; takes its label as the name.
    void setSprite(Sprite* newSprite);
    Sprite* getSprite() const { return sprite; }

    void setName(std::string newName);
    std::string getName() const { return name; }
    void setIndex(int newIndex);
    int getIndex() const { return index; }
    void setSlowdownCount(int count);
    int getSlowdownCount() const { return slowdownCount; }

    /// True when sprite, index, slowdown count or name changed since it was last cleared.
    bool isModified() const { return modified; }
    void setModified(bool isModified) { modified = isModified; }

    /// Draws the current frame centred on `position` (world spaces), then advances the
    /// frame every `slowdown` calls unless frozen. Returns 0 without a sprite, else the
    /// drawing result.
    int draw(Vector position);

    /// The sprite's box relative to the object's position (centred, w x h), or a box just
    /// under one cell around the position when there is no sprite.
    Box getBox() const;

private:
    Sprite* sprite = nullptr;
    int index = 0;
    int slowdownCount = 0;
    std::string name;
    bool modified = true;
};

} // namespace qm

#endif
