#pragma once
// Axis scales: the ticks an axis shows for a range of values, and the texts
// of its numbers.

#include <QString>

#include <vector>

struct ChartTicks {
    double Minimum = 0;
    double Maximum = 1;
    double Step = 0.2;
    std::vector<double> Values;  // multiples of Step within [Minimum, Maximum]
    int Decimals = 1;            // the decimals that tell two ticks apart
};

struct ChartRangeRequest {
    double DataMinimum = 0;  // min > max: no data
    double DataMaximum = 0;
    double Increment = 0;    // 0: a round step of its own
    int MaxTicks = 10;       // at most this many intervals (the increment grows when exceeded)
    bool AutomaticMinimum = true;
    bool AutomaticMaximum = true;
    double Minimum = 0;      // used when not automatic
    double Maximum = 0;
};

// A round step (1, 2 or 5 times a power of ten), the range widened to
// multiples of it where the ends are automatic, and the ticks within.
ChartTicks ChartComputeTicks(const ChartRangeRequest& request);

// The smallest number of decimals (at most 10) that writes step exactly.
int ChartDecimalsOf(double step);

// A number with the given decimals, digits grouped by three with a no-break
// space from 10 000 on, and the given decimal separator.
QString ChartFormatNumber(double value, int decimals, QChar decimalSeparator);
// A value as a mark shows it: at most two decimals, trailing zeros dropped.
QString ChartFormatValue(double value, QChar decimalSeparator);

// A linear map from values to pixels.
struct ChartScale {
    double Minimum = 0, Maximum = 1;
    double From = 0, To = 1;  // pixel of Minimum and of Maximum
    double Map(double value) const {
        return Maximum == Minimum ? From : From + (value - Minimum) * (To - From) / (Maximum - Minimum);
    }
    double Unmap(double pixel) const {
        return To == From ? Minimum : Minimum + (pixel - From) * (Maximum - Minimum) / (To - From);
    }
};
