#ifndef QM_EVENTNETWORK_H
#define QM_EVENTNETWORK_H

#include <qm/Event.h>

namespace qm
{

/// What happened on a connection.
enum NetworkEventLabel : int
{
    NETWORK_UNDEFINED = -1,
    NETWORK_ACCEPT = 0,  ///< a connection was accepted (bytes 0)
    NETWORK_CONNECT = 1, ///< accepted by the constructor; the engine raises it nowhere
    NETWORK_CLOSE = 2,   ///< a connection was closed (bytes 0)
    NETWORK_DATA = 3,    ///< a complete message of `bytes` bytes waits on the connection
};

/// Raised by the network manager ("qm-network") for the objects that registered interest
/// in it: a connection accepted or closed, or a complete message waiting. The socket index
/// names the connection in the manager's list at the moment of the event.
class EventNetwork : public Event
{
public:
    /// A `label` outside -1 to 3 is logged and replaced by NETWORK_UNDEFINED.
    explicit EventNetwork(int label = NETWORK_UNDEFINED);

    /// Sets the label; a value outside -1 to 3 logs "EventNetwork::setLabel(): Undefined
    /// type (%d)." and sets NETWORK_UNDEFINED.
    void setLabel(int newLabel);
    int getLabel() const { return label; }

    void setSocketIndex(int index) { socketIndex = index; }
    int getSocketIndex() const { return socketIndex; }

    /// Length of the waiting message, its 4-byte length prefix included.
    void setBytes(int count) { bytes = count; }
    int getBytes() const { return bytes; }

private:
    int label = NETWORK_UNDEFINED;
    int socketIndex = -1;
    int bytes = 0;
};

} // namespace qm

#endif
