#pragma once
// The pivot layout of the table commands (export, pivot, convert): the layout
// options, and the engine a command works on — the cube of a raw cube file or
// of a document, the document's formulas and chosen view restored, then the
// layout options applied on top.

#include "Dravo.h"
#include "UPivotCubeInteractive.h"

#include <QElapsedTimer>

#include <memory>

class TPivotCube;

namespace dravo {

// The options that shape a pivot table.
std::vector<Option> layoutOptions();
// The option that picks a document's view.
Option viewOption();
// Whether any layout option is given.
bool hasLayoutOptions(const Args& args);

// Milliseconds spent in each stage of a table command, printed by --timing.
struct Timing {
    double load = 0, layout = 0, table = 0, write = 0;
};
double elapsedMs(const QElapsedTimer& timer);
Option timingOption();
// The stored (French) name of a group operator named in French or in English
// ("Sum", "Average", "Count", "Max", "Min", "Range"); a usage error naming the option otherwise.
QString groupOperatorName(const QString& option, const QString& name);
void printTiming(const Timing& timing);

// Reads FILE, a raw cube file or (by its content) a document read with
// --password, into cube; gives the document, none for a raw cube file.
std::unique_ptr<TPCInteractive> loadSourceCube(const QString& fileName, const Args& args, TPivotCubeData& cube);

// Reads FILE (a raw cube or, by its content, a document with --password),
// restores the document's formulas and view (--view NAME, else its default
// display, else its first view), then applies the layout options. Fills
// timing.load and timing.layout; gives the engine ready to show the table.
std::unique_ptr<TPivotCube> openPivotSource(const QString& fileName, const Args& args, Timing& timing);

// Applies the layout options to an engine holding a cube (and possibly a
// restored view). Unknown axis, value, formula, operator or member names are
// usage errors naming the culprit and the valid choices.
void applyLayoutOptions(TPivotCube& engine, const Args& args, bool viewRestored);

// What a cell shows (--show-as).
enum class ShowAs { Value, PercentOfTotal, PercentOfRow, PercentOfColumn };
ShowAs showAs(const Args& args);

// The view state text of the engine's placement (as the viewer stores it).
QString viewStateText(const TPivotCube& engine);

} // namespace dravo
