#ifndef QM_EVENTVIEW_H
#define QM_EVENTVIEW_H

#include <qm/Event.h>

#include <string>

namespace qm
{

/// Changes the value of every view object whose label equals the tag ("qm-view").
class EventView : public Event
{
public:
    EventView(std::string viewTag, int viewValue, bool isDelta)
        : tag(std::move(viewTag)), value(viewValue), delta(isDelta)
    {
        setType(EVENT_VIEW);
    }

    std::string getTag() const { return tag; }
    int getValue() const { return value; }
    /// True: add the value to the display's value; false: replace it.
    bool getDelta() const { return delta; }

private:
    std::string tag;
    int value;
    bool delta;
};

} // namespace qm

#endif
