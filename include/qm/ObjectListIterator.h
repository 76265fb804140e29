#ifndef QM_OBJECTLISTITERATOR_H
#define QM_OBJECTLISTITERATOR_H

#include <qm/ObjectList.h>

namespace qm
{

/// A cursor over an ObjectList, which must outlive it. It reads the list afresh at every
/// call: pointers appended during a walk are reached, and a removal during a walk skips the
/// pointer after the removed one, so code that lets objects come and go walks a copy.
class ObjectListIterator
{
public:
    explicit ObjectListIterator(const ObjectList* walked) : list(walked) {}

    void first() { index = 0; }
    void next()
    {
        if (index < list->count)
        {
            ++index;
        }
    }
    bool isDone() const { return index >= list->count; }

    /// The pointer at the cursor, or null when the walk is done.
    Object* currentObject() const { return index < list->count ? list->list[index] : nullptr; }

private:
    int index = 0;
    const ObjectList* list;
};

} // namespace qm

#endif
