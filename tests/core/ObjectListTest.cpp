// The non-owning object list and its cursor.
#include "support/EngineTest.h"

#include <qm/ObjectList.h>
#include <qm/ObjectListIterator.h>

#include <gtest/gtest.h>

#include <vector>

namespace
{

std::vector<qm::Object*> contents(const qm::ObjectList& list)
{
    std::vector<qm::Object*> result;
    for (qm::ObjectListIterator it(&list); !it.isDone(); it.next())
    {
        result.push_back(it.currentObject());
    }
    return result;
}

class ObjectListTest : public ::testing::Test
{
protected:
    qmtest::RecordingObject a, b, c, d;
};

TEST_F(ObjectListTest, RefusesNullAndDoublesItsRoom)
{
    qm::ObjectList list;
    EXPECT_EQ(list.insert(nullptr), -1);
    EXPECT_EQ(list.getMaxCount(), 1);
    list.insert(&a);
    list.insert(&b);
    EXPECT_EQ(list.getMaxCount(), 2);
    list.insert(&c);
    list.insert(&d);
    EXPECT_EQ(list.getMaxCount(), 4);
    EXPECT_EQ(list.getCount(), 4);
}

TEST_F(ObjectListTest, RemoveTakesTheFirstOccurrenceAndKeepsOrder)
{
    qm::ObjectList list;
    for (qm::Object* o : {&a, &b, &a, &c})
    {
        list.insert(o);
    }
    EXPECT_EQ(list.remove(&a), 0);
    EXPECT_EQ(contents(list), (std::vector<qm::Object*>{&b, &a, &c}));
    EXPECT_EQ(list.remove(&d), -1);
    list.clear();
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(list.remove(&b), -1);
}

TEST_F(ObjectListTest, CopiesAreIndependent)
{
    qm::ObjectList list;
    list.insert(&a);
    list.insert(&b);
    qm::ObjectList copy = list;
    copy.remove(&a);
    copy.insert(&c);
    EXPECT_EQ(contents(list), (std::vector<qm::Object*>{&a, &b}));
    EXPECT_EQ(contents(copy), (std::vector<qm::Object*>{&b, &c}));
    list = list; // self-assignment leaves the list alone
    EXPECT_EQ(contents(list), (std::vector<qm::Object*>{&a, &b}));
    copy = list;
    EXPECT_EQ(contents(copy), (std::vector<qm::Object*>{&a, &b}));
}

TEST_F(ObjectListTest, ConcatenationAppendsInOrder)
{
    qm::ObjectList first, second;
    first.insert(&a);
    second.insert(&b);
    second.insert(&c);
    const qm::ObjectList joined = first + second;
    EXPECT_EQ(contents(joined), (std::vector<qm::Object*>{&a, &b, &c}));
    EXPECT_EQ(contents(first + first), (std::vector<qm::Object*>{&a, &a}));
    EXPECT_EQ(first.getCount(), 1);
}

TEST_F(ObjectListTest, IteratorSeesAppendsAndSkipsAfterRemoval)
{
    qm::ObjectList list;
    list.insert(&a);
    list.insert(&b);
    list.insert(&c);

    std::vector<qm::Object*> seen;
    qm::ObjectListIterator it(&list);
    for (it.first(); !it.isDone(); it.next())
    {
        seen.push_back(it.currentObject());
        if (it.currentObject() == &a)
        {
            list.remove(&a); // b slides into a's place and is skipped
            list.insert(&d); // reached at the end of the walk
        }
    }
    EXPECT_EQ(seen, (std::vector<qm::Object*>{&a, &c, &d}));
    EXPECT_EQ(it.currentObject(), nullptr);
    it.next();
    EXPECT_TRUE(it.isDone());
}

} // namespace
