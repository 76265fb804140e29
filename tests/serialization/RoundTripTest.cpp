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
    // Random objects (each put through up to 40 random changes) read back from their full text.
    template <typename T> void fullTextsReadBackExactly(unsigned firstSeed, int cases)
    {
        for (unsigned seed = firstSeed; seed < firstSeed + static_cast<unsigned>(cases); ++seed)
        {
            StateGenerator generate(seed);
            T* original = new T;
            for (int n = generate.integer(0, 40); n > 0; --n)
            {
                generate.change(*original);
            }
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
                SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
                ASSERT_FALSE(original->isModified());
                ASSERT_TRUE(changes > 0 || changed.empty());
                copy->deserialize(changed);
                ASSERT_EQ(copy->serialize("ALL"), original->serialize("ALL")) << "changes text '" << changed << "'";
            }
            discard({original, copy});
        }
    }
};

TEST_F(RoundTrip, ObjectCopiesFromFullAndChangesTextsWriteTheSameText)
{
    fullTextsReadBackExactly<qm::Object>(1, 3000);
    incrementalTextsKeepCopyLevel<qm::Object>(200001, 60, 100);
}

TEST_F(RoundTrip, ViewObjectCopiesFromFullAndChangesTextsWriteTheSameText)
{
    fullTextsReadBackExactly<qm::ViewObject>(100001, 2000);
    incrementalTextsKeepCopyLevel<qm::ViewObject>(300001, 60, 100);
}

} // namespace
