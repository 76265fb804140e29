// The records between a served game and its watchers: what is written reads back, and a
// hostile peer's malformed records read as INVALID rather than as something else.
#include "WatchMessage.h"

#include <gtest/gtest.h>

namespace
{

TEST(WatchMessage, EveryRecordReadsBackAsWritten)
{
    const WatchMessage object = WatchMessage::parse(WatchMessage::object(12, "id:12,pos-x:3,"));
    EXPECT_EQ(object.kind, WatchMessage::OBJECT);
    EXPECT_EQ(object.number, 12);
    EXPECT_EQ(object.attributes, "id:12,pos-x:3,");

    const WatchMessage view = WatchMessage::parse(WatchMessage::view(999999999, "a|b"));
    EXPECT_EQ(view.kind, WatchMessage::VIEW);
    EXPECT_EQ(view.number, 999999999);
    EXPECT_EQ(view.attributes, "a|b") << "only the first bar ends the id";

    EXPECT_EQ(WatchMessage::parse(WatchMessage::object(7, "")).attributes, "");
    const WatchMessage gone = WatchMessage::parse(WatchMessage::deletion(0));
    EXPECT_EQ(gone.kind, WatchMessage::DELETION);
    EXPECT_EQ(gone.number, 0);
    const WatchMessage step = WatchMessage::parse(WatchMessage::step(4321));
    EXPECT_EQ(step.kind, WatchMessage::STEP);
    EXPECT_EQ(step.number, 4321);
}

class MalformedRecord : public ::testing::TestWithParam<const char*>
{
};

TEST_P(MalformedRecord, ReadsAsInvalid)
{
    const WatchMessage message = WatchMessage::parse(GetParam());
    EXPECT_EQ(message.kind, WatchMessage::INVALID);
    EXPECT_EQ(message.number, 0);
    EXPECT_EQ(message.attributes, "");
}

INSTANTIATE_TEST_SUITE_P(Records, MalformedRecord,
                         ::testing::Values("", "X12", "O12", "O|id:1,", "Oa|x", "O-1|x", "O1234567890|x", "D", "D12x",
                                           "D 12", "S+3", "S2147483648", "s12", "V12", "Vx|"));

} // namespace
