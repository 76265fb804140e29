#ifndef QM_OBJECTLIST_H
#define QM_OBJECTLIST_H

namespace qm
{

class Object;
class ObjectListIterator;

/// A growable array of object pointers in insertion order. It never owns the objects;
/// copying a list copies the pointers. Duplicates are allowed. Starts with room for one
/// pointer and doubles its room when full.
///
///     ObjectList list = WorldManager::getInstance().getAllObjects();
///     for (ObjectListIterator it(&list); !it.isDone(); it.next())
///         it.currentObject()->setActive(false);
class ObjectList
{
public:
    ObjectList();
    ObjectList(const ObjectList& other);
    ObjectList& operator=(const ObjectList& other);
    ~ObjectList();

    /// Appends `object`. Returns -1 for a null pointer or when the array cannot grow.
    int insert(Object* object);

    /// Removes the first occurrence of `object`, keeping the order of the rest.
    /// Returns -1 when it is not in the list.
    int remove(Object* object);

    /// Forgets every pointer; the allocated room stays.
    void clear();

    bool isEmpty() const { return count == 0; }
    int getCount() const { return count; }

    /// Room allocated, in pointers.
    int getMaxCount() const { return maxCount; }

    /// A copy of this list with every non-null pointer of `other` appended.
    ObjectList operator+(const ObjectList& other) const;

private:
    friend class ObjectListIterator;

    bool grow();

    int count = 0;
    int maxCount = 0;
    Object** list = nullptr;
};

} // namespace qm

#endif
