#include "MirrorView.h"

#include "Mirror.h"

MirrorView::MirrorView()
{
    setType("MirrorView");
}

int MirrorView::apply(const std::string& attributes)
{
    applying = true;
    deserialize(withoutSolidness(attributes, gameSolidness));
    applying = false;
    return 0;
}

std::string MirrorView::serialize(std::string attr)
{
    return withSolidness(ViewObject::serialize(attr), gameSolidness);
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
