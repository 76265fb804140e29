#ifndef QM_VIEWOBJECT_H
#define QM_VIEWOBJECT_H

#include <qm/Object.h>
#include <qm/Vector.h>
#include <qm/utility.h>

#include <string>
#include <vector>

namespace qm
{

/// Named places for a view object in the window. W and H are the view's width and height
/// in spaces when the place is chosen; a framed display sits one row further in at the top
/// and bottom. -1 (no name) means the display was placed with setPosition.
enum ViewObjectLocation : int
{
    TOP_LEFT = 0,      ///< (W / 6, 1 framed or 0)
    TOP_CENTER = 1,    ///< (W * 3 / 6, 1 or 0)
    TOP_RIGHT = 2,     ///< (W * 5 / 6, 1 or 0)
    CENTER_LEFT = 3,   ///< (W / 6, H * 0.5 framed or H * 0.5 - 1)
    CENTER_CENTER = 4, ///< (W * 0.5, H * 0.5 or H * 0.5 - 1)
    CENTER_RIGHT = 5,  ///< (W * 5 / 6, H * 0.5 or H * 0.5 - 1)
    BOTTOM_LEFT = 6,   ///< (W / 6, H - 2 framed or H - 1)
    BOTTOM_CENTER = 7, ///< (W * 3 / 6, H - 2 or H - 1)
    BOTTOM_RIGHT = 8,  ///< (W * 5 / 6, H - 2 or H - 1)
};

/// The attributes a view object tracks changes of, as indices into its own modified flags.
enum ViewObjectAttribute : int
{
    VIEW_STRING = 0,
    VALUE = 1,
    BORDER = 2,
    COLOR = 3,
    LOCATION = 4,
    DRAW_VALUE = 5,
};

/// Number of ViewObjectAttribute values.
constexpr int VIEW_OBJECT_ATTRIBUTE_COUNT = 6;

/// An on-screen display: a label and an integer value, framed by default, at a fixed place
/// in the window. Its position is in view coordinates (spaces from the view's upper-left
/// corner), so it stays put while the view scrolls, and the world draws it wherever the
/// view is. Like every object it is created with `new` and owned by the world.
///
/// Its value changes through setValue or through an EventView whose tag is the label,
/// raised with the world manager's onEvent:
///
///     qm::ViewObject* points = new qm::ViewObject;
///     points->setViewString("Points");
///     points->setLocation(qm::TOP_RIGHT);
///     qm::EventView scored("Points", 10, true); // add 10
///     qm::WorldManager::getInstance().onEvent(&scored);
class ViewObject : public Object
{
public:
    /// One piece of what draw() draws: a string centred on `position`, or (not centred) the
    /// single character of `text` at `position`. Positions are in world spaces.
    struct Piece
    {
        Vector position;
        std::string text;
        bool centered;
    };

    /// A SPECTRAL display at altitude 4 of type "ViewObject", framed, showing its value 0
    /// at TOP_CENTER, registered for "qm-view".
    ViewObject();

    /// Leaves location named only when `newPosition` is where the display already is;
    /// otherwise the location becomes -1. Returns 0.
    int setPosition(Vector newPosition) override;

    /// Handles an EventView whose tag is the label (1); anything else gets the plain object
    /// handling. A "qm-view" event that is not an EventView is refused (0, logged).
    int eventHandler(const Event* event) override;

    /// Draws the text, and the frame when the border is on, in the display's colour.
    /// Returns the sum of the display calls' results (0 when all succeeded).
    int draw() override;

    /// The object's attribute text followed by the view pairs selected by the same rule
    /// ("VIEW_STRING,", "VALUE,", "BORDER,", "COLOR,", "LOCATION,", "DRAW_VALUE,"); writing
    /// clears their flags.
    std::string serialize(std::string attr) override;

    /// Applies the object pairs, then the view pairs present in `str`. A colour outside
    /// BLACK .. CUSTOM and malformed numbers are logged and ignored; a location of -1 keeps the
    /// position given. Returns 0.
    int deserialize(std::string str) override;

    using Object::isModified;

    /// True when a view attribute (flags logged at level 10) or an object attribute changed.
    bool isModified() const override;

    /// The modified flag of one view attribute; false for a value that is not one.
    virtual bool isModified(ViewObjectAttribute attribute) const;

    void setViewString(std::string newViewString);
    std::string getViewString() const { return viewString; }

    void setValue(int newValue);
    int getValue() const { return value; }

    void setColor(Color newColor);
    Color getColor() const { return color; }

    /// Frames the text or not. A display at a named location is placed again, since framed
    /// and unframed displays sit on different rows.
    void setBorder(bool framed);
    bool getBorder() const { return border; }

    /// Shows the value after the label or not.
    void setDrawValue(bool show);
    bool getDrawValue() const { return drawValue; }

    /// Places the display at a named location of the current view. A value outside
    /// TOP_LEFT .. BOTTOM_RIGHT is logged and ignored.
    void setLocation(ViewObjectLocation newLocation);
    /// The named location, or -1 when placed with setPosition.
    ViewObjectLocation getLocation() const { return location; }

    /// The text draw() shows: label and value, with a blank at each end when framed.
    std::string getDisplayText() const;

    /// What draw() draws, in order: the text, then (framed) the dash lines above and below
    /// and the bars left and right.
    std::vector<Piece> layout() const;

protected:
    /// Sets the modified flag of a view attribute.
    void markModified(ViewObjectAttribute attribute);
    using Object::markModified;

private:
    std::string viewString;
    int value = 0;
    bool drawValue = true;
    bool border = true;
    Color color = WHITE;
    ViewObjectLocation location = TOP_CENTER;
    bool viewModified[VIEW_OBJECT_ATTRIBUTE_COUNT];
};

} // namespace qm

#endif
