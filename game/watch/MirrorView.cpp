#include "MirrorView.h"

#include "Mirror.h"

MirrorView::MirrorView()
{
    setType("MirrorView");
}

int MirrorView::apply(const std::string& attributes)
{
    applying = true;
    deserialize(attributes);
    applying = false;
    return 0;
}

int MirrorView::setPosition(qm::Vector where)
{
    return applying ? ViewObject::setPosition(where) : 0;
}

int MirrorView::draw()
{
    if (getType() != "GameStart")
    {
        return ViewObject::draw();
    }
    return drawAsShown(*this);
}
