// Tick generation and number texts of the axes.
#include "UChartScale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct TickCase {
    const char* Name;
    ChartRangeRequest Request;
    double Minimum, Maximum, Step;
    int Decimals;
};

ChartRangeRequest range(double low, double high, int maxTicks = 10, double increment = 0) {
    ChartRangeRequest r;
    r.DataMinimum = low, r.DataMaximum = high, r.MaxTicks = maxTicks, r.Increment = increment;
    return r;
}

ChartRangeRequest fixed(double low, double high, double dataLow, double dataHigh) {
    ChartRangeRequest r = range(dataLow, dataHigh);
    r.AutomaticMinimum = r.AutomaticMaximum = false;
    r.Minimum = low, r.Maximum = high;
    return r;
}

}  // namespace

TEST(ChartTicks, RangesGiveRoundTicks) {
    const TickCase cases[] = {
        {"round range", range(0, 1800), 0, 1800, 200, 0},
        {"widened to the step", range(3, 97), 0, 100, 10, 0},
        {"negative and positive", range(-448, 536), -500, 600, 100, 0},
        {"fractions", range(0.12, 0.87, 5), 0, 1, 0.2, 1},
        {"small fractions", range(0.0012, 0.0049, 4), 0.001, 0.005, 0.001, 3},
        {"no data", range(1, 0), 0, 1, 0.1, 1},
        {"one value", range(5, 5), 4.5, 5.5, 0.1, 1},
        {"zero alone", range(0, 0), -1, 1, 0.2, 1},
        {"increment kept", range(0, 2000, 10, 250), 0, 2000, 250, 0},
        {"increment too small grows", range(0, 1e6, 10, 1), 0, 1e6, 1e5, 0},
        {"fixed ends", fixed(0, 100, 3, 40), 0, 100, 10, 0},
        {"huge values", range(0, 3.2e12), 0, 3.5e12, 5e11, 0},
    };
    for (const TickCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const ChartTicks t = ChartComputeTicks(c.Request);
        EXPECT_NEAR(t.Minimum, c.Minimum, 1e-9 * std::max(1.0, std::fabs(c.Maximum)));
        EXPECT_NEAR(t.Maximum, c.Maximum, 1e-9 * std::max(1.0, std::fabs(c.Maximum)));
        EXPECT_NEAR(t.Step, c.Step, 1e-12 * std::max(1.0, c.Step));
        EXPECT_EQ(t.Decimals, c.Decimals);
        ASSERT_FALSE(t.Values.empty());
        EXPECT_NEAR(t.Values.front(), t.Minimum, t.Step * 1e-6);
        EXPECT_NEAR(t.Values.back(), t.Maximum, t.Step * 1e-6);
        EXPECT_LE(int(t.Values.size()) - 1, std::max(c.Request.MaxTicks, 1) + 1);
    }
}

TEST(ChartTicks, HostileRequestsStayBounded) {
    for (ChartRangeRequest r : {range(NAN, 5), range(-INFINITY, INFINITY), range(0, 1e308), range(0, 10, 0, -3),
                                range(0, 10, 1, 1e-300), fixed(10, 0, 0, 5)}) {
        const ChartTicks t = ChartComputeTicks(r);
        EXPECT_TRUE(std::isfinite(t.Minimum) && std::isfinite(t.Maximum) && t.Step > 0);
        EXPECT_LE(t.Minimum, t.Maximum);
        EXPECT_LE(t.Values.size(), 1001u);
    }
}

TEST(ChartNumbers, TextsGroupThousandsAndUseTheSeparator) {
    EXPECT_EQ(ChartFormatNumber(12345.5, 1, QLatin1Char(',')), QStringLiteral("12\u00A0345,5"));
    EXPECT_EQ(ChartFormatNumber(1234567, 0, QLatin1Char('.')), QStringLiteral("1\u00A0234\u00A0567"));
    EXPECT_EQ(ChartFormatNumber(1000, 0, QLatin1Char('.')), QStringLiteral("1000"));
    EXPECT_EQ(ChartFormatNumber(-5, 0, QLatin1Char('.')), QStringLiteral("-5"));
    EXPECT_EQ(ChartFormatNumber(-0.0001, 2, QLatin1Char('.')), QStringLiteral("0.00"));
    EXPECT_EQ(ChartFormatValue(17.75, QLatin1Char(',')), QStringLiteral("17,75"));
    EXPECT_EQ(ChartFormatValue(2.0 / 3.0, QLatin1Char('.')), QStringLiteral("0.67"));
    EXPECT_EQ(ChartFormatValue(800, QLatin1Char('.')), QStringLiteral("800"));
}
