// The geometry helpers of utility.h that need objects or the world view; the rest of
// utility.h lives in core/utility.cpp, which knows nothing of the world.
#include <qm/LogManager.h>
#include <qm/Object.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

namespace qm
{

Box getWorldBox(const Object* object)
{
    return getWorldBox(object, object->getPosition());
}

Box getWorldBox(const Object* object, const Vector& where)
{
    Box box = object->getBox();
    const Vector corner = box.getCorner();
    box.setCorner(Vector(corner.getX() + where.getX(), corner.getY() + where.getY()));
    return box;
}

Vector worldToView(const Vector& p)
{
    return p - WorldManager::getInstance().getView().getCorner();
}

Vector viewToWorld(const Vector& p)
{
    return p + WorldManager::getInstance().getView().getCorner();
}

Vector getNormal(const Object* object, const Object* other)
{
    // Binary search along the velocity for the last position at which the moving box is
    // still clear of the obstacle. The probe keeps its scaling from pass to pass.
    Vector probe = object->getVelocity();
    Vector lastClear = object->getPosition();
    const Box obstacle = getWorldBox(other);
    float t = 0.5f;
    float step = 1.0f;
    for (int pass = 1; pass <= 7; ++pass)
    {
        probe.scale(t);
        const Vector candidate = object->getPosition() + probe;
        step *= 0.5f;
        if (boxIntersectsBox(getWorldBox(object, candidate), obstacle))
        {
            t -= step;
        }
        else
        {
            lastClear = candidate;
            t += step;
        }
    }

    const Box moved = getWorldBox(object, lastClear);
    const float ox = obstacle.getCorner().getX();
    const float oy = obstacle.getCorner().getY();
    const float oh = obstacle.getHorizontal();
    const float ov = obstacle.getVertical();
    auto region = [oh, ov](float x, float y) { return Box(Vector(x, y), oh, ov); };

    struct Candidate
    {
        Box region;
        Vector normal;
    };
    const Candidate candidates[] = {
        {region(ox, oy - ov), Vector(0, -1)},       {region(ox, oy + ov), Vector(0, 1)},
        {region(ox - oh, oy), Vector(-1, 0)},       {region(ox + oh, oy), Vector(1, 0)},
        {region(ox - oh, oy - ov), Vector(-1, -1)}, {region(ox + oh, oy - ov), Vector(1, -1)},
        {region(ox - oh, oy + ov), Vector(-1, 1)},  {region(ox + oh, oy + ov), Vector(1, 1)},
    };
    for (const Candidate& c : candidates)
    {
        if (boxIntersectsBox(moved, c.region))
        {
            return c.normal;
        }
    }
    LogManager::getInstance().writeLog("getNormal(): collision not detected. Returning (0,0).");
    return Vector(0, 0);
}

} // namespace qm
