#include <qm/ObjectList.h>

#include <algorithm>
#include <new>

namespace qm
{

ObjectList::ObjectList() : list(new (std::nothrow) Object*[1])
{
    maxCount = list != nullptr ? 1 : 0;
}

ObjectList::ObjectList(const ObjectList& other)
{
    *this = other;
}

ObjectList& ObjectList::operator=(const ObjectList& other)
{
    if (this == &other)
    {
        return *this;
    }
    Object** copy = other.maxCount > 0 ? new (std::nothrow) Object*[static_cast<std::size_t>(other.maxCount)] : nullptr;
    delete[] list;
    list = copy;
    if (copy == nullptr)
    {
        count = 0;
        maxCount = 0;
        return *this;
    }
    std::copy(other.list, other.list + other.count, copy);
    count = other.count;
    maxCount = other.maxCount;
    return *this;
}

ObjectList::~ObjectList()
{
    delete[] list;
}

bool ObjectList::grow()
{
    const int newMax = maxCount > 0 ? maxCount * 2 : 1;
    if (newMax <= maxCount)
    {
        return false; // the room would overflow an int
    }
    Object** bigger = new (std::nothrow) Object*[static_cast<std::size_t>(newMax)];
    if (bigger == nullptr)
    {
        return false;
    }
    std::copy(list, list + count, bigger);
    delete[] list;
    list = bigger;
    maxCount = newMax;
    return true;
}

int ObjectList::insert(Object* object)
{
    if (object == nullptr)
    {
        return -1;
    }
    if (count == maxCount && !grow())
    {
        return -1;
    }
    list[count++] = object;
    return 0;
}

int ObjectList::remove(Object* object)
{
    Object** end = list + count;
    Object** found = std::find(list, end, object);
    if (found == end)
    {
        return -1;
    }
    std::copy(found + 1, end, found);
    --count;
    return 0;
}

void ObjectList::clear()
{
    count = 0;
}

ObjectList ObjectList::operator+(const ObjectList& other) const
{
    ObjectList result(*this);
    for (int i = 0; i < other.count; ++i)
    {
        result.insert(other.list[i]); // null pointers and failed growth are skipped
    }
    return result;
}

} // namespace qm
