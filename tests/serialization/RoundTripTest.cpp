// The property that matters to the network: a copy brought up to date from the attribute
// text equals the original, for full texts and for long runs of incremental ones.
#include "SerializationFixture.h"

#include <gtest/gtest.h>

namespace
{

using qmtest::StateGenerator;

class RoundTrip : public qmtest::SerializationTest
{
protected:
    // A new object or view object put through a random number of random changes.
    template <typename T> T* randomObject(StateGenerator& generate)
    {
        T* object = new T;
        for (int n = generate.integer(0, 40); n > 0; --n)
        {
            generate.change(*object);
        }
        return object;
    }

    template <typename T> void fullTextsReadBackExactly(unsigned firstSeed, int cases)
    {
        for (unsigned seed = firstSeed; seed < firstSeed + static_cast<unsigned>(cases); ++seed)
        {
            StateGenerator generate(seed);
            T* original = randomObject<T>(generate);
            const std::string text = original->serialize("ALL");
            T* copy = new T;
            EXPECT_EQ(copy->deserialize(text), 0);
            const std::string again = copy->serialize("ALL");
            EXPECT_EQ(again, text) << "seed " << seed;
            discard({original, copy});
            if (again != text)
            {
                return; // one failing seed is enough to reproduce
            }
        }
    }

    template <typename T> void incrementalTextsKeepCopyLevel(unsigned firstSeed, int runs, int steps)
    {
        for (unsigned seed = firstSeed; seed < firstSeed + static_cast<unsigned>(runs); ++seed)
        {
            StateGenerator generate(seed);
            T* original = new T;
            T* copy = new T;
            // A new object has every flag set, so its first changes text is complete.
            copy->deserialize(original->serialize(""));
            bool level = true;
            for (int step = 0; step < steps && level; ++step)
            {
                const int changes = generate.integer(0, 3);
                for (int n = 0; n < changes; ++n)
                {
                    generate.change(*original);
                }
                const std::string changed = original->serialize("");
                EXPECT_FALSE(original->isModified()) << "seed " << seed << " step " << step;
                if (changes == 0)
                {
                    EXPECT_EQ(changed, "") << "seed " << seed << " step " << step;
                }
                copy->deserialize(changed);
                const std::string expected = original->serialize("ALL");
                const std::string actual = copy->serialize("ALL");
                EXPECT_EQ(actual, expected)
                    << "seed " << seed << " step " << step << ", changes text '" << changed << "'";
                level = actual == expected;
            }
            discard({original, copy});
            if (!level)
            {
                return;
            }
        }
    }
};

TEST_F(RoundTrip, ObjectCopyFromFullTextWritesTheSameText)
{
    fullTextsReadBackExactly<qm::Object>(1, 3000);
}

TEST_F(RoundTrip, ViewObjectCopyFromFullTextWritesTheSameText)
{
    fullTextsReadBackExactly<qm::ViewObject>(100001, 2000);
}

TEST_F(RoundTrip, ObjectCopyKeptLevelByChangesTextsAlone)
{
    incrementalTextsKeepCopyLevel<qm::Object>(200001, 60, 100);
}

TEST_F(RoundTrip, ViewObjectCopyKeptLevelByChangesTextsAlone)
{
    incrementalTextsKeepCopyLevel<qm::ViewObject>(300001, 60, 100);
}

} // namespace
