#ifndef QM_OBJECT_H
#define QM_OBJECT_H

#include <qm/Animation.h>
#include <qm/Box.h>
#include <qm/Path.h>
#include <qm/Shape.h>
#include <qm/Vector.h>

#include <string>
#include <vector>

namespace qm
{

class Event;
class PathFind;

/// Highest drawing layer: altitudes run from 0 (drawn first) to MAX_ALTITUDE (drawn last).
constexpr int MAX_ALTITUDE = 4;

/// Most event types one object can listen to at once.
constexpr int MAX_OBJ_EVENTS = 100;

/// How an object takes part in collisions. HARD and SOFT objects are solid; SPECTRAL ones
/// pass through everything and never collide.
enum Solidness : int
{
    HARD = 0,
    SOFT = 1,
    SPECTRAL = 2,
};

/// The attributes an object tracks changes of, as indices into its modified flags.
enum ObjectAttribute : int
{
    ID = 0,
    ACTIVE = 1,
    VISIBLE = 2,
    EVENTS = 3,
    BOX = 4,
    POSITION = 5,
    TYPE = 6,
    ANIMATION = 7,
    ALTITUDE = 8,
    SOLIDNESS = 9,
    NO_SOFT = 10,
    SPEED = 11,
    DIRECTION = 12,
    ACCELERATION = 13,
    SHAPE = 14,
    PATH = 15,
    FOLLOW_PATH = 16,
    AVOID_COLLISIONS = 17,
};

/// Number of ObjectAttribute values.
constexpr int OBJECT_ATTRIBUTE_COUNT = 18;

/// Base of everything that lives in the game world. Create objects with `new`: the
/// constructor hands the object to the world manager, which owns it from then on and
/// deletes it at the end of the update in which WorldManager::markForDelete was called for
/// it, or when the world shuts down. Never delete an object yourself.
///
/// An object created while the world manager is stopped is refused by the world: it is in
/// none of the world's lists, nothing moves, collides or draws it, and whoever created it
/// owns it.
///
/// Positions, boxes and speeds are in spaces (character cells); speed is per game-loop step.
///
///     class Bubble : public qm::Object
///     {
///     public:
///         Bubble()
///         {
///             setType("Bubble");
///             setSolidness(qm::SPECTRAL);
///             setVelocity(qm::Vector(0, -0.25f));
///             registerInterest(qm::EVENT_STEP);
///         }
///         int eventHandler(const qm::Event* event) override;
///     };
///     new Bubble; // owned by the world
class Object
{
public:
    Object();
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    // The virtual operations keep this order.

    /// Withdraws the object's event interests and removes it from the world. Only the world
    /// manager deletes objects.
    virtual ~Object();

    /// Moves the object without any collision test (WorldManager::moveObject tests).
    /// Returns 0.
    virtual int setPosition(Vector newPosition);

    /// Reacts to an event. Returns 1 when the event was handled, 0 when not. The default
    /// handles the end of a path search ("qm-path"): a found path is followed, and the
    /// search is deleted either way. An override that starts a new search from a path event
    /// calls this first.
    virtual int eventHandler(const Event* event);

    /// Draws the current frame of the object's animation centred on its position and
    /// advances the animation, then the shape unless its type is -1. Returns the animation's
    /// result: 0 (also without a sprite), or -1 when drawing failed (always in headless mode).
    virtual int draw();

    /// Writes attributes as one line of "key:value," pairs (see "Attribute text" in the
    /// README). `attr` selects them: "ALL" writes every attribute, an empty text those
    /// changed since they were last written, otherwise each attribute whose name followed by
    /// a comma is in it ("POSITION,SPEED,"). Writing an attribute clears its modified flag.
    virtual std::string serialize(std::string attr);

    /// Applies every pair present in `str` through the object's setters, so that a copy is
    /// brought level with the object that wrote it. Absent keys change nothing; incomplete
    /// groups (box, position, shape), malformed numbers and values the setters refuse are
    /// logged and ignored. Returns 0.
    virtual int deserialize(std::string str);

    /// True when any attribute, or the animation's own state, changed since it was last
    /// serialized (each flag is logged at level 20).
    virtual bool isModified() const;

    /// The modified flag of one attribute; false for a value that is not an ObjectAttribute.
    virtual bool isModified(ObjectAttribute attribute) const;

    int getId() const { return id; }
    std::string getType() const { return type; }
    Vector getPosition() const { return position; }
    Vector getDirection() const { return direction; }
    float getSpeed() const { return speed; }
    Vector getAcceleration() const { return acceleration; }
    /// The box relative to the position, in spaces.
    Box getBox() const { return box; }
    int getAltitude() const { return altitude; }
    Solidness getSolidness() const { return solidness; }
    /// True for HARD and SOFT.
    bool isSolid() const { return solidness == HARD || solidness == SOFT; }
    bool getNoSoft() const { return noSoft; }
    bool isActive() const { return active; }
    bool isVisible() const { return visible; }
    bool getAvoidCollisions() const { return avoidCollisions; }
    Path getPath() const { return path; }
    /// A copy of the playback state of the object's sprite.
    Animation getAnimation() const { return animation; }
    bool getFollowPath() const { return followingPath; }
    Shape getShape() const { return shape; }
    /// The path search under way for this object (it owns it), or null.
    PathFind* getPathSearch() const { return pathSearch; }

    /// Direction times speed, in spaces per step.
    Vector getVelocity() const;
    /// Where the object will be after the next step: position plus velocity.
    Vector predictPosition() const;

    /// Re-files the object under `newType` and sets it, even when re-filing failed.
    void setType(std::string newType);

    /// Switches the object on or off; inactive objects are not moved, collided, drawn, nor
    /// given events. Returns -1 (object unchanged) when the world's index refuses.
    int setActive(bool nowActive);

    /// Shows or hides the object. Returns -1 (object unchanged) when the world's index refuses.
    int setVisible(bool nowVisible);

    /// Drawing layer 0 .. MAX_ALTITUDE. Returns -1 (logged, unchanged) out of range.
    int setAltitude(int newAltitude);

    /// Returns -1 (logged, unchanged) for a value other than HARD, SOFT or SPECTRAL.
    int setSolidness(Solidness newSolidness);

    /// When true, this object cannot move into SOFT objects.
    void setNoSoft(bool refuseSoft);

    /// When true, a HARD object slides along HARD obstacles instead of stopping.
    void setAvoidCollisions(bool avoid);

    /// Sets the box relative to the position, in spaces, and re-files the object in the
    /// world's spatial index.
    void setBox(Box newBox);

    /// Sets speed to the vector's length and direction to the vector normalized.
    void setVelocity(Vector velocity);

    /// Plays the resource manager's sprite labelled `name` from its first frame and takes
    /// the sprite's box (centred on the position). Returns -1 (logged, object unchanged)
    /// when there is no such sprite.
    int setSprite(std::string name);

    /// Copies the whole playback state. With `takeBox` the box becomes the animation's box
    /// (re-filed in the world's spatial index as by setBox).
    void setAnimation(const Animation& newAnimation, bool takeBox);

    /// Added to the velocity once per step, in spaces per step per step.
    void setAcceleration(Vector newAcceleration);

    /// Replaces the shape drawn at the position; a shape of type -1 is not drawn.
    void setShape(const Shape& newShape);

    /// Replaces the waypoints and the index of the path.
    void setPath(const Path& newPath);

    /// Starts or stops steering along the path. When the path is not done, the direction is
    /// pointed at its current waypoint either way.
    void setFollowPath(bool follow);

    /// Listens to events of type `name` through the manager that delivers them ("qm-step":
    /// the game manager; most others: the world manager). Returns -1 when MAX_OBJ_EVENTS
    /// are registered already, no manager delivers that type, or the manager refuses it
    /// ("qm-collision" and "qm-out" arrive without registering).
    int registerInterest(std::string name);

    /// Stops listening to `name`. Returns -1 (logged) when it was not registered.
    int unregisterInterest(std::string name);

    /// Steers along the path: snaps onto waypoints within three quarters of a step and
    /// heads for the next one; stops following when the path is done. The world manager
    /// calls this once per step after moving the object.
    void followPath();

    /// Adds the acceleration to the velocity. The world manager calls this once per step
    /// after followPath().
    void applyAcceleration();

protected:
    /// Sets the modified flag of `attribute`.
    void markModified(ObjectAttribute attribute);

private:
    // Points the direction at a waypoint.
    void headFor(const Vector& target);
    // Sets the direction, marking DIRECTION when it changes.
    void steer(const Vector& newDirection);

    // Path search: PathManager::startSearch hands the object its search.
    friend class PathManager;
    // Takes `search` over; a different search the object had is unlisted and deleted.
    void setPathSearch(PathFind* search);
    // Unlists and deletes the search, if any.
    void endPathSearch();

    int id;
    std::string type = "(Undefined)";
    bool active = true;
    bool visible = true;
    Box box = Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f);
    Vector position = Vector(1, 1);
    Vector direction;
    float speed = 0.0f;
    Vector acceleration;
    int altitude = 2;
    Solidness solidness = HARD;
    Animation animation;
    bool noSoft = false;
    // Event types listened to, in registration order, at most MAX_OBJ_EVENTS. Grown on
    // demand: the world's collision search walks every object each move, and small objects
    // keep that walk in cache.
    std::vector<std::string> eventName;
    bool modified[OBJECT_ATTRIBUTE_COUNT];
    Shape shape;
    PathFind* pathSearch = nullptr;
    Path path;
    bool followingPath = false;
    bool avoidCollisions = false;
    // False when the world refused the object (it was stopped): the object is then in none
    // of the world's lists, and its setters must not touch them.
    bool inWorld = false;
    // The object's first entry in the world's spatial index, or -1. Kept by the index alone,
    // so that a move finds the object's entries without a look-up.
    int spatialEntry = -1;
    friend class SpatialGrid;
    // Reads the attribute text into the object's attributes (the engine's text code).
    friend class ObjectTextReader;
};

} // namespace qm

#endif
