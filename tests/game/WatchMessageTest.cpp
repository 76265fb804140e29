// The records between a served game and its watchers: what is written reads back, and a
// hostile peer's malformed records read as INVALID rather than as something else.
#include "WatchMessage.h"

#include <gtest/gtest.h>

#include <tuple>

namespace
{

TEST(WatchMessage, WrittenRecordsReadBackAndMalformedOnesReadAsInvalid)
{
    using M = WatchMessage;
    std::vector<std::tuple<std::string, M::Kind, int, std::string>> cases = {
        {M::object(12, "id:12,pos-x:3,"), M::OBJECT, 12, "id:12,pos-x:3,"},
        {M::view(999999999, "a|b"), M::VIEW, 999999999, "a|b"}, // only the first bar ends the id
        {M::object(7, ""), M::OBJECT, 7, ""},
        {M::deletion(0), M::DELETION, 0, ""},
        {M::step(4321), M::STEP, 4321, ""}};
    for (const char* malformed : {"", "X12", "O12", "O|id:1,", "Oa|x", "O-1|x", "O1234567890|x", "D", "D12x", "D 12",
                                  "S+3", "S2147483648", "s12", "V12", "Vx|"})
    {
        cases.emplace_back(malformed, M::INVALID, 0, "");
    }
    for (const auto& [record, kind, number, attributes] : cases)
    {
        const M message = M::parse(record);
        EXPECT_EQ(message.kind, kind) << record;
        EXPECT_EQ(message.number, number) << record;
        EXPECT_EQ(message.attributes, attributes) << record;
    }
}

} // namespace
