#include <qm/Path.h>

namespace qm
{

void Path::clear()
{
    nodes.clear();
    index = 0;
}

Vector Path::getNode(int i) const
{
    if (i < 0 || i >= getNodeCount())
    {
        return Vector(0, 0);
    }
    return nodes[static_cast<std::size_t>(i)];
}

void Path::setIndex(int newIndex)
{
    // Serialized paths carry their index; a value that does not fit the waypoints must not
    // let getCurrentNode read outside them.
    if (newIndex < 0)
    {
        newIndex = 0;
    }
    if (newIndex > getNodeCount())
    {
        newIndex = getNodeCount();
    }
    index = newIndex;
}

void Path::advance()
{
    if (index < getNodeCount())
    {
        ++index;
    }
}

} // namespace qm
