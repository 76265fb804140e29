#ifndef QM_ENGINECOUNTERS_H
#define QM_ENGINECOUNTERS_H

namespace qm
{

/// What a program may read to measure the engine's work, all of it about the frame shown by
/// the display manager's last swapBuffers (zero before the first). Read with
/// getEngineCounters(); a copy that does not change afterwards.
struct EngineCounters
{
    /// Draw calls made into the window: two per character when drawing cell by cell
    /// ("batch_drawing:false"), one per flush of collected characters otherwise, and one
    /// per DisplayManager::drawIntoWindow.
    int frameDrawCalls = 0;

    /// Characters drawn (not culled).
    int frameCharacters = 0;
};

/// The counters as they stand now.
EngineCounters getEngineCounters();

} // namespace qm

#endif
