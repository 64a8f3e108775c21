// Reading timelines, refusing faulty ones with a message that names the
// entry, and the inputs a timeline sets at a given time.
#include "board_sim/timeline.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace p2a::board_sim {
namespace {

using std::chrono::milliseconds;

TEST(TimelineTest, ReadsEntriesWithTheirTimesAndStates) {
  const Timeline timeline =
      Timeline::parse("  0:off 3:switch\t6.5:switch+motion 20.25:motion  25.125:end ");
  const auto& entries = timeline.entries();
  ASSERT_EQ(entries.size(), 5u);
  const struct {
    milliseconds at;
    bool ends;
    BoardInputs inputs;
  } expected[] = {
      {milliseconds(0), false, {false, false}},  {milliseconds(3000), false, {true, false}},
      {milliseconds(6500), false, {true, true}}, {milliseconds(20250), false, {false, true}},
      {milliseconds(25125), true, {}},
  };
  for (std::size_t index = 0; index < entries.size(); ++index) {
    SCOPED_TRACE("entry " + std::to_string(index));
    EXPECT_EQ(entries[index].at, expected[index].at);
    EXPECT_EQ(entries[index].ends, expected[index].ends);
    if (!entries[index].ends) {
      EXPECT_EQ(entries[index].inputs, expected[index].inputs);
    }
  }
}

TEST(TimelineTest, RefusesFaultyTextsNamingTheEntry) {
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"", "timeline is empty"},
      {"   ", "timeline is empty"},
      {"0:off 3", "timeline entry \"3\": expected SECONDS:STATE"},
      {"0:swtich", "timeline entry \"0:swtich\": unknown state \"swtich\""},
      {"0:Switch", "unknown state \"Switch\""},
      {"0:motion+switch", "unknown state \"motion+switch\""},
      {"0:", "unknown state \"\""},
      {":off", "time \"\" is not seconds"},
      {"-1:off", "time \"-1\" is not seconds"},
      {"1.:off", "time \"1.\" is not seconds"},
      {".5:off", "time \".5\" is not seconds"},
      {"1.2345:off", "time \"1.2345\" is not seconds"},
      {"1e3:off", "time \"1e3\" is not seconds"},
      {"1234567:off", "time \"1234567\" is not seconds"},
      {"0:off 3:switch 3:off", "timeline entry \"3:off\": time is not after that of \"3:switch\""},
      {"5:off 2.5:switch", "timeline entry \"2.5:switch\": time is not after that of \"5:off\""},
      {"0:off 1:end 2:off", "timeline entry \"2:off\": comes after the end"},
      {"0:off,1:switch", "unknown state \"off,1:switch\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("text \"" + c.text + "\"");
    try {
      Timeline::parse(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const std::invalid_argument& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
  }
}

TEST(TimelineTest, InputsAtAGivenTimeAreThoseOfTheLastEntryReached) {
  const Timeline timeline = Timeline::parse("1:switch 2.5:switch+motion 4:off 6:motion 8:end");
  const struct {
    milliseconds at;
    BoardInputs inputs;
  } cases[] = {
      {milliseconds(0), {false, false}},  // before the first entry: all off
      {milliseconds(999), {false, false}},
      {milliseconds(1000), {true, false}},  // an entry applies from its own time on
      {milliseconds(2499), {true, false}},
      {milliseconds(2500), {true, true}},
      {milliseconds(4000), {false, false}},
      {milliseconds(7999), {false, true}},
      {milliseconds(60000), {false, true}},  // "end" keeps the last state
  };
  for (const auto& c : cases) {
    EXPECT_EQ(timeline.inputsAt(c.at), c.inputs) << c.at.count() << " ms";
  }
}

}  // namespace
}  // namespace p2a::board_sim
