#include "core/Utf8.h"
#include "serialization/AttributeText.h"

#include <qm/DisplayManager.h>
#include <qm/EventView.h>
#include <qm/LogManager.h>
#include <qm/ViewObject.h>
#include <qm/WorldManager.h>
#include <qm/match.h>
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
        // The text takes one cell a character (code point), whatever its UTF-8 bytes.
        const int n = static_cast<int>(utf8::countCodePoints(text));
        const std::string line(static_cast<std::size_t>(n), '-');
        pieces.push_back({Vector(p.getX(), p.getY() - 1), line, true});
        pieces.push_back({Vector(p.getX(), p.getY() + 1), line, true});
        // The bars stand just outside the text as centred drawing places it (its start is
        // moved left by half the length, halved in whole cells).
        const int half = n / 2;
        const float left = p.getX() - static_cast<float>(half) - 1;
        pieces.push_back({Vector(left, p.getY()), "|", false});
        pieces.push_back({Vector(left + static_cast<float>(n) + 1, p.getY()), "|", false});
    }
    return pieces;
}

int ViewObject::draw()
{
    DisplayManager& display = DisplayManager::getInstance();
    int result = 0;
    for (const Piece& piece : layout())
    {
        result += piece.centered ? display.drawString(piece.position, piece.text, CENTER, color)
                                 : display.drawCh(piece.position, piece.text[0], color);
    }
    return result;
}

namespace
{
// Selector names of the view attributes, by ViewObjectAttribute.
const char* const VIEW_ATTRIBUTE_NAMES[VIEW_OBJECT_ATTRIBUTE_COUNT] = {
    "VIEW_STRING", "VALUE", "BORDER", "COLOR", "LOCATION", "DRAW_VALUE",
};

bool readViewInt(const char* key, int& value)
{
    return attribute::readIntValue("ViewObject::deserialize()", key, value);
}
} // namespace

std::string ViewObject::serialize(std::string attr)
{
    LogManager::getInstance().writeLog(25, "ViewObject::serialize(): attr is '%s'", attribute::clip(attr).c_str());
    std::string out = Object::serialize(attr);
    const auto take = [this, &attr](ViewObjectAttribute a)
    {
        if (!attribute::isSelected(attr, VIEW_ATTRIBUTE_NAMES[a], viewModified[a]))
        {
            return false;
        }
        viewModified[a] = false;
        return true;
    };
    if (take(VIEW_STRING))
    {
        out += "view_string:" + attribute::writeText(viewString) + ",";
    }
    if (take(VALUE))
    {
        out += "view_value:" + toString(value) + ",";
    }
    if (take(BORDER))
    {
        out += "view_border:" + toString(border) + ",";
    }
    if (take(COLOR))
    {
        out += "view_color:" + toString(static_cast<int>(color)) + ",";
    }
    if (take(LOCATION))
    {
        out += "view_location:" + toString(static_cast<int>(location)) + ",";
    }
    if (take(DRAW_VALUE))
    {
        out += "view_draw_value:" + toString(drawValue) + ",";
    }
    return out;
}

int ViewObject::deserialize(std::string str)
{
    if (str.empty())
    {
        return 0;
    }
    Object::deserialize(str);
    // Parsed again rather than trusting what the object's setters left behind in the parser.
    match(str, "");
    LogManager& log = LogManager::getInstance();
    if (hasMatch("view_string"))
    {
        const std::string label = attribute::readText(match("", "view_string"));
        log.writeLog(20, "ViewObject::deserialize(): view_string is %s", attribute::clip(label).c_str());
        setViewString(label);
    }
    int number = 0;
    if (readViewInt("view_value", number))
    {
        log.writeLog(20, "ViewObject::deserialize(): value is %d", number);
        setValue(number);
    }
    if (attribute::hasValue("view_border"))
    {
        const std::string framed = match("", "view_border");
        log.writeLog(20, "ViewObject::deserialize(): border is %s", attribute::clip(framed).c_str());
        setBorder(framed == "true");
    }
    if (readViewInt("view_color", number))
    {
        log.writeLog(20, "ViewObject::deserialize(): color is %d", number);
        if (number < BLACK || number > CUSTOM)
        {
            log.writeLog("ViewObject::deserialize(): Warning! color %d not in range [%d,%d]. Ignored.", number, BLACK,
                         CUSTOM);
        }
        else
        {
            setColor(static_cast<Color>(number));
        }
    }
    if (readViewInt("view_location", number))
    {
        log.writeLog(20, "ViewObject::deserialize(): location is %d", number);
        if (number == -1)
        {
            // Placed by position, which the object pairs carried: only the name is dropped.
            if (location != -1)
            {
                location = static_cast<ViewObjectLocation>(-1);
                markModified(LOCATION);
            }
        }
        else
        {
            setLocation(static_cast<ViewObjectLocation>(number));
        }
    }
    if (attribute::hasValue("view_draw_value"))
    {
        const std::string show = match("", "view_draw_value");
        log.writeLog(20, "ViewObject::deserialize(): draw_value is %s", attribute::clip(show).c_str());
        setDrawValue(show == "true");
    }
    return 0;
}

} // namespace qm
