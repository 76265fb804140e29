// Whether the audio library can reach an output device, found out once per process.
#ifndef QM_AUDIODEVICE_H
#define QM_AUDIODEVICE_H

#include <string>
#include <vector>

namespace qm
{

/// Probes the audio output once, the first time it is asked, by creating and destroying
/// one sample buffer (which makes the audio library open its device) with the library's
/// error stream and the process's standard error both captured. Without a device the
/// library and the system's sound layers print a burst of errors, and every later audio
/// object would fail each of its calls again (a streaming voice would spin in a loop of
/// failures): Sound and Music ask here first and, without a device, never create one.
class AudioDevice
{
public:
    /// True when the device opened without a complaint.
    static bool isAvailable();

    /// The lines the probe captured (empty when the device opened cleanly).
    static const std::vector<std::string>& getMessages();
};

} // namespace qm

#endif
