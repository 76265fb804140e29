#ifndef QM_ENGINEHOOKS_H
#define QM_ENGINEHOOKS_H

#include <qm/NetworkManager.h>
#include <qm/ObjectList.h>
#include <qm/SceneGraph.h>
#include <qm/Vector.h>

#include <cstdint>

namespace qm
{

class Object;
class SpatialGrid;

/// What only the engine, its tests, benchmarks and fuzz targets read of the managers: the
/// reference methods the fast ones are checked against and the inner state those checks
/// look at. Nothing here is installed; programs read qm::EngineCounters instead. The
/// managers name this class a friend, and each function is defined beside the code it reads.
class EngineHooks
{
public:
    /// The same result as WorldManager::getCollisions, always by walking the whole solid
    /// list of `graph` (the world's): the reference the spatial index is checked against,
    /// and what getCollisions does while the index is off (SceneGraph::setSpatialIndex).
    static ObjectList collisionsLinear(const SceneGraph& graph, const Object* object, const Vector& where);

    /// The scene graph's spatial index; null while it is off.
    static const SpatialGrid* spatialGrid(const SceneGraph& graph);

    /// Counts the changes that can alter what a collision search finds among the solid
    /// objects: every solid object filed or unfiled (insertion, removal, activity,
    /// solidness), moved or given another box, any change of solidness, and every boundary
    /// or index change. Equal counts mean the same answers, so a path search can keep what
    /// it learnt of its cells while the count stands.
    static std::uint64_t solidChangeCount(const SceneGraph& graph) { return graph.solidChanges; }

    /// Bytes read from the socket into the connection's buffer and not yet taken (never more
    /// than the maximum message size); -1 for an index not connected.
    static int bufferedBytes(const NetworkManager& network, int sock_index);
};

} // namespace qm

#endif
