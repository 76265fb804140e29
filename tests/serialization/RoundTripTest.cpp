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
            ASSERT_EQ(copy->serialize("ALL"), text) << "seed " << seed; // one failing seed is enough
            discard({original, copy});
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
            for (int step = 0; step < steps; ++step)
            {
                const int changes = generate.integer(0, 3);
                for (int n = 0; n < changes; ++n)
                {
                    generate.change(*original);
                }
                const std::string changed = original->serialize("");
                ASSERT_FALSE(original->isModified()) << "seed " << seed << " step " << step;
                ASSERT_TRUE(changes > 0 || changed.empty()) << "seed " << seed << " step " << step;
                copy->deserialize(changed);
                ASSERT_EQ(copy->serialize("ALL"), original->serialize("ALL"))
                    << "seed " << seed << " step " << step << ", changes text '" << changed << "'";
            }
            discard({original, copy});
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
