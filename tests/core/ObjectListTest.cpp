// The non-owning object list and its cursor.
#include "support/WorldTest.h"

#include <gtest/gtest.h>

namespace
{

using qmtest::contents;
using Objects = std::vector<qm::Object*>;

TEST(ObjectList, DoublesItsRoomRemovesFirstOccurrenceAndCopiesIndependently)
{
    qmtest::RecordingObject a, b, c;
    qm::ObjectList list;
    EXPECT_EQ(list.insert(nullptr), -1);
    EXPECT_EQ(list.getMaxCount(), 1);
    for (qm::Object* object : {&a, &b, &a})
    {
        ASSERT_EQ(list.insert(object), 0);
    }
    EXPECT_EQ(list.getMaxCount(), 4);
    qm::ObjectList copy = list;
    EXPECT_EQ(list.remove(&a), 0);
    EXPECT_EQ(list.remove(&c), -1);
    EXPECT_EQ(contents(list), (Objects{&b, &a}));
    EXPECT_EQ(contents(copy), (Objects{&a, &b, &a}));
    EXPECT_EQ(contents(list + copy), (Objects{&b, &a, &a, &b, &a}));
    copy = list;
    list.clear();
    EXPECT_EQ(contents(copy), (Objects{&b, &a}));
    EXPECT_EQ(list.remove(&b), -1);
}

TEST(ObjectList, IteratorSeesAppendsAndSkipsTheObjectSlidIntoARemovedPlace)
{
    qmtest::RecordingObject a, b, c, d;
    qm::ObjectList list;
    for (qm::Object* object : {&a, &b, &c})
    {
        list.insert(object);
    }
    Objects seen;
    qm::ObjectListIterator it(&list);
    for (it.first(); !it.isDone(); it.next())
    {
        seen.push_back(it.currentObject());
        if (it.currentObject() == &a)
        {
            list.remove(&a);
            list.insert(&d);
        }
    }
    EXPECT_EQ(seen, (Objects{&a, &c, &d}));
    EXPECT_EQ(it.currentObject(), nullptr);
}

} // namespace
