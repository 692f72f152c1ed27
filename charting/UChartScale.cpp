#include "UChartScale.h"

#include <algorithm>
#include <cmath>

namespace {

double niceStep(double raw) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double norm = raw / magnitude;
    const double nice = norm <= 1 ? 1 : norm <= 2 ? 2 : norm <= 5 ? 5 : 10;
    return nice * magnitude;
}

// The next step of the 1, 2, 5 sequence above step (for an increment that
// would give too many ticks: it keeps its multiples readable).
double growStep(double step, int round) {
    return step * (round % 3 == 1 ? 2.5 : 2.0);
}

}  // namespace

ChartTicks ChartComputeTicks(const ChartRangeRequest& request) {
    ChartTicks ticks;
    double low = request.AutomaticMinimum ? request.DataMinimum : request.Minimum;
    double high = request.AutomaticMaximum ? request.DataMaximum : request.Maximum;
    if (!std::isfinite(low) || !std::isfinite(high) || low > high) {
        if (request.DataMinimum > request.DataMaximum && request.AutomaticMinimum && request.AutomaticMaximum) {
            low = 0, high = 1;  // no data
        } else {
            if (!std::isfinite(low)) low = 0;
            if (!std::isfinite(high)) high = low + 1;
            if (low > high) std::swap(low, high);
        }
    }
    if (low == high) {
        const double pad = low == 0 ? 1 : std::fabs(low) * 0.1;
        if (request.AutomaticMinimum) low -= pad;
        if (request.AutomaticMaximum || low == high) high += pad;
        if (low == high) low -= pad;
    }
    const int maxTicks = std::max(1, request.MaxTicks);
    const double range = high - low;
    double step;
    if (request.Increment > 0 && std::isfinite(request.Increment)) {
        step = request.Increment;
        for (int round = 0; range / step > maxTicks && round < 400; ++round) step = growStep(step, round);
    } else {
        step = niceStep(range / maxTicks);
    }
    if (!(step > 0) || !std::isfinite(step)) step = 1;
    if (request.AutomaticMinimum) low = std::floor(low / step + 1e-9) * step;
    if (request.AutomaticMaximum) high = std::ceil(high / step - 1e-9) * step;
    ticks.Minimum = low;
    ticks.Maximum = high;
    ticks.Step = step;
    ticks.Decimals = ChartDecimalsOf(step);
    const double first = std::ceil(low / step - 1e-9);
    for (double k = first;; k += 1) {
        double v = k * step;
        if (v > high + step * 1e-9) break;
        if (std::fabs(v) < step * 1e-9) v = 0;  // no "-0"
        ticks.Values.push_back(v);
        if (ticks.Values.size() > 1000) break;
    }
    return ticks;
}

int ChartDecimalsOf(double step) {
    step = std::fabs(step);
    for (int decimals = 0; decimals < 10; ++decimals) {
        const double scaled = step * std::pow(10.0, decimals);
        if (std::fabs(scaled - std::round(scaled)) < 1e-6 * std::max(1.0, scaled)) return decimals;
    }
    return 10;
}

QString ChartFormatNumber(double value, int decimals, QChar decimalSeparator) {
    if (std::isnan(value)) return QString();
    QString text = QString::number(std::fabs(value), 'f', decimals);
    int dot = text.indexOf(QLatin1Char('.'));
    if (dot < 0) dot = text.size();
    if (dot > 4) {  // group from 10 000 on
        for (int at = dot - 3; at > 0; at -= 3) text.insert(at, QChar(0x00A0));
    }
    text.replace(QLatin1Char('.'), decimalSeparator);
    bool allZero = true;
    for (QChar c : text)
        if (c.isDigit() && c != QLatin1Char('0')) allZero = false;
    if (value < 0 && !allZero) text.prepend(QLatin1Char('-'));
    return text;
}

QString ChartFormatValue(double value, QChar decimalSeparator) {
    int decimals = std::min(2, ChartDecimalsOf(value));
    return ChartFormatNumber(value, decimals, decimalSeparator);
}
