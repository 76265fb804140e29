#include <qm/DisplayManager.h>
#include <qm/EventView.h>
#include <qm/LogManager.h>
#include <qm/ViewObject.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

namespace qm
{

ViewObject::ViewObject()
{
    Object::setSolidness(SPECTRAL);
    Object::setAltitude(MAX_ALTITUDE);
    setType("ViewObject");
    location = static_cast<ViewObjectLocation>(-1);
    setPosition(Vector(WorldManager::getInstance().getView().getHorizontal() * 3 / 6, 1));
    location = TOP_CENTER;
    for (bool& flag : viewModified)
    {
        flag = true;
    }
    registerInterest(EVENT_VIEW);
}

int ViewObject::setPosition(Vector newPosition)
{
    if (newPosition == getPosition())
    {
        return 0;
    }
    location = static_cast<ViewObjectLocation>(-1);
    const int result = Object::setPosition(newPosition);
    markModified(LOCATION);
    return result;
}

int ViewObject::eventHandler(const Event* event)
{
    if (event->getType() != EVENT_VIEW)
    {
        return Object::eventHandler(event);
    }
    // The type name alone does not make an event an EventView: anyone can give any event
    // that name, and reading one as an EventView would read memory it does not have.
    const auto* viewEvent = dynamic_cast<const EventView*>(event);
    if (viewEvent == nullptr)
    {
        LogManager::getInstance().writeLog("ViewObject::eventHandler(): Error! Dynamic cast to EventView failed.");
        return 0;
    }
    if (viewEvent->getTag() != viewString)
    {
        return 0;
    }
    const int newValue = viewEvent->getDelta() ? value + viewEvent->getValue() : viewEvent->getValue();
    if (newValue != value)
    {
        markModified(VALUE);
        value = newValue;
    }
    return 1;
}

bool ViewObject::isModified() const
{
    LogManager& log = LogManager::getInstance();
    for (int i = 0; i < VIEW_OBJECT_ATTRIBUTE_COUNT; ++i)
    {
        log.writeLog(10, "ViewObject::isModified(): %d is %s", i, viewModified[i] ? "true" : "false");
        if (viewModified[i])
        {
            return true;
        }
    }
    return Object::isModified();
}

bool ViewObject::isModified(ViewObjectAttribute attribute) const
{
    if (attribute < 0 || attribute >= VIEW_OBJECT_ATTRIBUTE_COUNT)
    {
        return false;
    }
    return viewModified[attribute];
}

void ViewObject::markModified(ViewObjectAttribute attribute)
{
    viewModified[attribute] = true;
}

void ViewObject::setViewString(std::string newViewString)
{
    if (newViewString != viewString)
    {
        viewString = std::move(newViewString);
        markModified(VIEW_STRING);
    }
}

void ViewObject::setValue(int newValue)
{
    if (newValue != value)
    {
        value = newValue;
        markModified(VALUE);
    }
}

void ViewObject::setColor(Color newColor)
{
    if (newColor != color)
    {
        color = newColor;
        markModified(COLOR);
    }
}

void ViewObject::setBorder(bool framed)
{
    if (framed == border)
    {
        return;
    }
    border = framed;
    markModified(BORDER);
    if (location != -1)
    {
        setLocation(location);
    }
}

void ViewObject::setDrawValue(bool show)
{
    if (show != drawValue)
    {
        drawValue = show;
        markModified(DRAW_VALUE);
    }
}

void ViewObject::setLocation(ViewObjectLocation newLocation)
{
    if (newLocation < TOP_LEFT || newLocation > BOTTOM_RIGHT)
    {
        LogManager::getInstance().writeLog("ViewObject::setLocation(): Warning! Location out of range (%d). Ignored.",
                                           static_cast<int>(newLocation));
        return;
    }
    const Box view = WorldManager::getInstance().getView();
    const float width = view.getHorizontal();
    const float height = view.getVertical();

    float x = 0;
    switch (newLocation % 3)
    {
    case 0:
        x = width / 6;
        break;
    case 1:
        x = width * 3 / 6;
        break;
    default:
        x = width * 5 / 6;
        break;
    }
    float y = 0;
    switch (newLocation / 3)
    {
    case 0:
        y = border ? 1.0f : 0.0f;
        break;
    case 1:
        y = border ? height * 0.5f : height * 0.5f - 1;
        break;
    default:
        y = border ? height - 2 : height - 1;
        break;
    }
    setPosition(Vector(x, y));
    location = newLocation;
    markModified(LOCATION);
}

std::string ViewObject::getDisplayText() const
{
    std::string text = viewString;
    if (drawValue)
    {
        text += " " + toString(value);
    }
    if (border)
    {
        text = " " + text + " ";
    }
    return text;
}

std::vector<ViewObject::Piece> ViewObject::layout() const
{
    const std::string text = getDisplayText();
    const Vector p = viewToWorld(getPosition());
    std::vector<Piece> pieces{{p, text, true}};
    if (border)
    {
        const int n = static_cast<int>(text.size());
        const std::string line(text.size(), '-');
        pieces.push_back({Vector(p.getX(), p.getY() - 1), line, true});
        pieces.push_back({Vector(p.getX(), p.getY() + 1), line, true});
        // The bars stand just outside the text as centred drawing places it (its start is
        // moved left by half the length, halved in whole cells).
        const float left = p.getX() - static_cast<float>(n / 2) - 1;
        pieces.push_back({Vector(left, p.getY()), "|", false});
        pieces.push_back({Vector(left + static_cast<float>(n) + 1, p.getY()), "|", false});
    }
    return pieces;
}

int ViewObject::draw()
{
    const DisplayManager& display = DisplayManager::getInstance();
    int result = 0;
    for (const Piece& piece : layout())
    {
        result += piece.centered ? display.drawString(piece.position, piece.text, CENTER, color)
                                 : display.drawCh(piece.position, piece.text[0], color);
    }
    return result;
}

} // namespace qm
