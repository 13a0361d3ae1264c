#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "log/log_line.h"

namespace nodrel {
namespace {

constexpr std::string_view kStamp = "05-Dec-24 13:07:09";

LogContext AtLevel(std::int16_t level, std::int16_t cmain = 1) {
    LogContext context;
    context.logLevel = level;
    context.cmain = cmain;
    context.loadText = "  3%";
    context.avLoadText = " 12%";
    context.commsText = "-OK-";
    return context;
}

TEST(LogLineTest, NormalLineHasFixedColumnsAndNoReadings) {
    LogContext context = AtLevel(2);
    context.count = 7;
    const std::string line = FormatLogLine(kStamp, "Start", "Initialise", context);
    EXPECT_EQ(line, "05-Dec-24 13:07:09,  Start    , Initialise, Count:   7");
    EXPECT_EQ(line.size(), 18u + 2 + 10 + 2 + 10 + 8 + 4);

    EXPECT_EQ(FormatLogLine(kStamp, "Run", "", context),
              "05-Dec-24 13:07:09,  Run      ,           , Count:   7");
}

TEST(LogLineTest, EventAndStateAreCutToTheirColumns) {
    LogContext context = AtLevel(2);
    EXPECT_EQ(FormatLogLine(kStamp, "----------", "----------", context),
              "05-Dec-24 13:07:09,  ---------, ----------, Count:   0");
    context.testMode = true;
    EXPECT_EQ(FormatLogLine(kStamp, "----------", "Hibernate and more", context),
              "05-Dec-24 13:07:09, *---------, Hibernate , Count:   0");
    EXPECT_EQ(FormatLogLine(kStamp, "Enter", "Test", context),
              "05-Dec-24 13:07:09, *Enter    , Test      , Count:   0");
}

TEST(LogLineTest, CountIsRightAlignedAndKeepsItsLastFourCharacters) {
    const std::pair<std::int16_t, std::string_view> cases[] = {
        {0, "   0"}, {42, "  42"}, {-5, "  -5"}, {1234, "1234"}, {-1234, "1234"}, {32767, "2767"},
    };
    for (const auto& [count, expected] : cases) {
        LogContext context = AtLevel(2);
        context.count = count;
        const std::string line = FormatLogLine(kStamp, "Run", "", context);
        EXPECT_EQ(line.substr(line.size() - 12), ", Count:" + std::string(expected)) << count;
    }
}

TEST(LogLineTest, FullLevelAddsTheReadingsOfTheRole) {
    LogContext master = AtLevel(3, 1);
    master.count = 12;
    EXPECT_EQ(FormatLogLine(kStamp, "Run", "", master),
              "05-Dec-24 13:07:09,  Run      ,           , Count:  12, CPU:  3%, Av CPU: 12%");

    LogContext slave = AtLevel(3, 2);
    EXPECT_EQ(FormatLogLine(kStamp, "Run", "", slave),
              "05-Dec-24 13:07:09,  Run      ,           , Count:   0, Comms: -OK-");
    slave.commsText = "Error";
    EXPECT_EQ(FormatLogLine(kStamp, "Run", "", slave),
              "05-Dec-24 13:07:09,  Run      ,           , Count:   0, Comms: Error");

    const std::string plain = "05-Dec-24 13:07:09,  Run      ,           , Count:   0";
    EXPECT_EQ(FormatLogLine(kStamp, "Run", "", AtLevel(2, 2)), plain);
    EXPECT_EQ(FormatLogLine(kStamp, "Run", "", AtLevel(3, 0)), plain);
}

}  // namespace
}  // namespace nodrel
