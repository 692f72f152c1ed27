// The layout options of the table commands and the engine they shape.
#include "Layout.h"

#include "Checks.h"

#include "CPivotCube.h"
#include "CPivotCubeViewState.h"
#include "UHierarchicalWriter.h"
#include "UPivotCubeInteractive.h"
#include "UXMLParser.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace dravo {

namespace {

// Constants, not QString objects: the subcommands register their options
// while the program's static objects are still being made.
constexpr QLatin1StringView kRows("--rows"), kCols("--cols"), kValue("--value"), kFormula("--formula"),
    kFormulaFormat("--formula-format"), kInclude("--include"), kExclude("--exclude"), kHideEmpty("--hide-empty"),
    kExpandAll("--expand-all"), kRowRegroup("--row-regroup"), kColRegroup("--col-regroup"), kTranspose("--transpose"),
    kDefaultFormat("--default-format"), kWhere("--where"), kSort("--sort"), kTop("--top"), kShowAs("--show-as");

// "a, b, c" quoted; long lists are cut after a few dozen names.
QString choices(const QStringList& names) {
    constexpr int shown = 40;
    QStringList quoted;
    for (qsizetype i = 0; i < names.size() && i < shown; ++i) quoted << QStringLiteral("'%1'").arg(names[i]);
    QString text = quoted.join(QStringLiteral(", "));
    if (names.size() > shown) text += QStringLiteral(", … (%1 in all)").arg(names.size());
    return names.isEmpty() ? QStringLiteral("none") : text;
}

// Splits "KEY=REST" at the first '='; a usage error naming the option otherwise.
std::pair<QString, QString> keyAndRest(const QString& option, const QString& text, const QString& shape) {
    const qsizetype at = text.indexOf(QLatin1Char('='));
    if (at <= 0) throw UsageError{QStringLiteral("%1 takes %2, not '%3'").arg(option, shape, text)};
    return {text.left(at), text.mid(at + 1)};
}

QStringList axisNames(const TPivotCubeData& cube) {
    QStringList names;
    for (int i = 0; i < cube.Axises().Count(); ++i) names << cube.Axises()[i]->Nom();
    return names;
}

QStringList valueNames(const TPivotCubeData& cube) {
    QStringList names;
    for (int i = 0; i < cube.Values().Count(); ++i) names << cube.Values()[i]->Description.Nom;
    return names;
}

QStringList operatorNames() {
    QStringList names;
    for (const auto& r : RegisteredGroupOperators()) names << r.Name;
    return names;
}

// The stored (French) name of an operator named in French or in English.
QString storedOperatorName(const QString& option, const QString& name) {
    static const QMap<QString, QString> english = {
        {QStringLiteral("sum"), QStringLiteral("Somme")},      {QStringLiteral("average"), QStringLiteral("Moyenne")},
        {QStringLiteral("count"), QStringLiteral("Nombre")},   {QStringLiteral("max"), QStringLiteral("Maximum")},
        {QStringLiteral("min"), QStringLiteral("Minimum")},    {QStringLiteral("range"), QStringLiteral("Etendue")},
    };
    const QString stored = english.value(name.toLower(), name);
    if (!GroupOperatorByName(stored))
        throw UsageError{QStringLiteral("%1: unknown operator '%2' (choose from %3, or Sum, Average, Count, Max, Min, Range)")
                             .arg(option, name, choices(operatorNames()))};
    return stored;
}

int axisIndexNamed(const TPivotCubeData& cube, const QString& option, const QString& name) {
    const int index = cube.Axises().IndexOfName(name);
    if (index < 0) throw UsageError{QStringLiteral("%1: unknown axis '%2' (choose from %3)").arg(option, name, choices(axisNames(cube)))};
    return index;
}

// The axis list of --rows/--cols; every axis at most once on the table.
std::vector<int> axisList(const TPivotCubeData& cube, const QString& option, const QString& text, std::vector<int>& used) {
    std::vector<int> axes;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        const int index = axisIndexNamed(cube, option, name);
        if (std::find(used.begin(), used.end(), index) != used.end())
            throw UsageError{QStringLiteral("%1: the axis '%2' is already placed on the table").arg(option, name)};
        used.push_back(index);
        axes.push_back(index);
    }
    return axes;
}

void placeDimensions(TPCDimensionList& list, const std::vector<int>& axes) {
    list.clear();
    for (int axis : axes) list.push_back(std::make_unique<TPCAxisVisualFilter>(axis));
}

TPCAxisVisualFilter* dimensionOnAxis(TPivotCube& engine, int axis) {
    for (TPCDimensionList* list : {&engine.RowDimensions(), &engine.ColDimensions()})
        for (auto& d : *list)
            if (d->Axis == axis) return d.get();
    return nullptr;
}

// --include / --exclude "AXIS=CAPTION|CAPTION": every member with one of the
// captions (several members may share one) joins the dimension's list.
void applyMemberFilter(TPivotCube& engine, const QString& option, const QString& text, bool include) {
    const auto [axisName, captions] = keyAndRest(option, text, QStringLiteral("AXIS=CAPTION|CAPTION"));
    TPivotCubeData& cube = engine.CubeData();
    const int axisIndex = axisIndexNamed(cube, option, axisName);
    TPCAxisVisualFilter* dimension = dimensionOnAxis(engine, axisIndex);
    if (!dimension) {
        QStringList placed;
        for (TPCDimensionList* list : {&engine.RowDimensions(), &engine.ColDimensions()})
            for (auto& d : *list) placed << cube.Axises()[d->Axis]->Nom();
        throw UsageError{QStringLiteral("%1: the axis '%2' is not on the table's rows or columns (placed: %3)")
                             .arg(option, axisName, choices(placed))};
    }
    const TPivotCubeAxis& axis = *cube.Axises()[axisIndex];
    TIntegerList& ids = include ? dimension->IncludeIDs : dimension->ExcludeIDs;
    for (const QString& caption : captions.split(QLatin1Char('|'))) {
        bool found = false;
        for (const TPivotCubeAxisData& m : axis.Members)
            if (m.Caption == caption) {
                found = true;
                if (ids.IndexOf(m.ID) < 0) ids.Add(m.ID);
            }
        if (!found) {
            QStringList captionsOfAxis;
            for (const TPivotCubeAxisData& m : axis.Members)
                if (!captionsOfAxis.contains(m.Caption)) captionsOfAxis << m.Caption;
            throw UsageError{QStringLiteral("%1: the axis '%2' has no member '%3' (choose from %4)")
                                 .arg(option, axisName, caption, choices(captionsOfAxis))};
        }
    }
}

void defineFormulas(TPivotCube& engine, const Args& args) {
    QStringList defined;
    for (const QString& text : args.values(kFormula)) {
        const auto [caption, expression] = keyAndRest(kFormula, text, QStringLiteral("CAPTION=EXPRESSION"));
        if (expression.trimmed().isEmpty()) throw UsageError{QStringLiteral("%1: the formula '%2' has no expression").arg(kFormula, caption)};
        if (defined.contains(caption)) throw UsageError{QStringLiteral("%1: the formula '%2' is defined twice").arg(kFormula, caption)};
        defined << caption;
        const QString problem = formulaProblem(expression, engine.CubeData());
        if (!problem.isEmpty()) throw UsageError{QStringLiteral("%1: the formula '%2': %3").arg(kFormula, caption, problem)};
        TPivotCubeFormula* formula = engine.Formulas().FindByCaption(caption);
        if (!formula) formula = engine.Formulas().Add();
        formula->SetCaption(caption);
        formula->SetFormula(expression);
    }
    for (const QString& text : args.values(kFormulaFormat)) {
        const auto [caption, format] = keyAndRest(kFormulaFormat, text, QStringLiteral("CAPTION=FORMAT"));
        TPivotCubeFormula* formula = engine.Formulas().FindByCaption(caption);
        if (!formula) {
            QStringList captions;
            for (int i = 0; i < engine.Formulas().Count(); ++i) captions << engine.Formulas()[i]->Caption();
            throw UsageError{QStringLiteral("%1: no formula is called '%2' (choose from %3)").arg(kFormulaFormat, caption, choices(captions))};
        }
        const QString problem = formatProblem(format, engine.CubeData());
        if (!problem.isEmpty()) throw UsageError{QStringLiteral("%1: the formula '%2': %3").arg(kFormulaFormat, caption, problem)};
        formula->SetFormat(format);
    }
}

void placeValueColumns(TPivotCube& engine, const Args& args) {
    TPivotCubeData& cube = engine.CubeData();
    TPivotCubeValueColumns& columns = engine.ValueColumns();
    CollectionUpdate update(columns);
    if (args.has(kValue)) {
        // The viewer's leaf column holds every value sub-column: it keeps the
        // width of one sub-column for each, as when the columns are added there.
        const int perColumn = engine.ColWidth() / std::max(columns.Count(), 1);
        engine.SetColWidth(perColumn * std::max(int(args.values(kValue).size()), 1));
        columns.Clear();
        for (const QString& name : args.values(kValue)) {
            if (const TPivotCubeFormula* formula = engine.Formulas().FindByCaption(name)) {
                columns.Add()->AssignFrom(*formula);
            } else if (const TPivotCubeValue* value = cube.Values().FindByName(name)) {
                columns.Add()->AssignFrom(*value);
            } else {
                QStringList names = valueNames(cube);
                for (int i = 0; i < engine.Formulas().Count(); ++i) names << engine.Formulas()[i]->Caption();
                throw UsageError{QStringLiteral("%1: unknown value '%2' (choose from %3)").arg(kValue, name, choices(names))};
            }
        }
    }
    // A table without value columns shows nothing: the cube's first value stands in.
    if (columns.Count() == 0 && cube.Values().Count() > 0) columns.Add()->AssignFrom(*cube.Values()[0]);
}

void addRegroupments(TPivotCube& engine, const Args& args) {
    const TPivotCubeData& cube = engine.CubeData();
    for (const QString& text : args.values(kRowRegroup)) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        if (colon <= 0) throw UsageError{QStringLiteral("%1 takes OPERATOR:VALUE, not '%2'").arg(kRowRegroup, text)};
        const QString op = text.left(colon), value = text.mid(colon + 1);
        storedOperatorName(kRowRegroup, op);
        if (cube.Values().IndexOfName(value) < 0)
            throw UsageError{QStringLiteral("%1: unknown value '%2' (choose from %3)").arg(kRowRegroup, value, choices(valueNames(cube)))};
        TPivotCubeRegroup* r = engine.RowRegroups().Add();
        r->SetOperator(storedOperatorName(kRowRegroup, op));
        r->SetValue(value);
    }
    for (const QString& op : args.values(kColRegroup)) {
        const QString stored = storedOperatorName(kColRegroup, op);
        TPivotCubeRegroup* r = engine.ColRegroups().Add();
        r->SetOperator(stored);
        // As a restored view does: the regroupment names the first value column.
        if (engine.ValueColumnCount() > 0) r->SetValue(engine.ValueColumns()[0]->Caption());
    }
}

void restoreFormulas(TPivotCube& engine, const QByteArray& formulasXML) {
    if (formulasXML.isEmpty()) return;
    TXMLDOMDocument xml;
    xml.LoadFromBytes(formulasXML);
    ReadXML(engine.Formulas(), xml.DocumentElement() ? ChildByPath(xml.DocumentElement(), QStringLiteral("PCFormulas")) : nullptr);
}

void restoreView(TPivotCube& engine, const QString& viewState) {
    TXMLDOMDocument xml;
    xml.LoadXML(viewState.trimmed().isEmpty() ? QStringLiteral("<ViewState/>") : viewState);
    if (!xml.DocumentElement()) throw Exception(QStringLiteral("the view state holds no element"));
    engine.ReadViewState(xml.DocumentElement());
    for (const QString& warning : engine.ViewStateWarnings()) warn(warning);
}

// A stored formula that cannot be computed shows -1 or 0 in every cell, as
// the viewer would show it: the user is told which one.
void warnAboutStoredFormulas(const TPivotCube& engine, const QString& viewName, const Args& args) {
    QStringList redefined;
    for (const QString& text : args.values(kFormula)) redefined << text.section(QLatin1Char('='), 0, 0);
    const TPivotCubeFormulas& formulas = engine.Formulas();
    for (int i = 0; i < formulas.Count(); ++i) {
        const TPivotCubeFormula* f = formulas[i];
        if (redefined.contains(f->Caption())) continue;
        QString problem = formulaProblem(f->Formula(), engine.CubeData());
        if (problem.isEmpty() && !f->Format().isEmpty()) problem = formatProblem(f->Format(), engine.CubeData());
        if (!problem.isEmpty()) warn(QStringLiteral("view '%1', formula '%2': %3").arg(viewName, f->Caption(), problem));
    }
}

// --where "AXIS=CAPTION|CAPTION": the items of other members leave the table
// for good, so every cell, regroupment and total is taken over the rest.
void applyPageFilters(TPivotCube& engine, const Args& args) {
    TPivotCubeData& cube = engine.CubeData();
    std::vector<std::unique_ptr<TPCAxisFilter>> filters;
    for (const QString& text : args.values(kWhere)) {
        const auto [axisName, captions] = keyAndRest(kWhere, text, QStringLiteral("AXIS=CAPTION|CAPTION"));
        const int axisIndex = axisIndexNamed(cube, kWhere, axisName);
        if (dimensionOnAxis(engine, axisIndex))
            throw UsageError{QStringLiteral("%1: the axis '%2' is on the table's rows or columns: use --include or --exclude")
                                 .arg(kWhere, axisName)};
        const TPivotCubeAxis& axis = *cube.Axises()[axisIndex];
        auto filter = std::make_unique<TPCAxisFilter>(axisIndex);
        for (const QString& caption : captions.split(QLatin1Char('|'))) {
            bool found = false;
            for (const TPivotCubeAxisData& m : axis.Members)
                if (m.Caption == caption) {
                    found = true;
                    if (filter->IncludeIDs.IndexOf(m.ID) < 0) filter->IncludeIDs.Add(m.ID);
                }
            if (!found) {
                QStringList captionsOfAxis;
                for (const TPivotCubeAxisData& m : axis.Members)
                    if (!captionsOfAxis.contains(m.Caption)) captionsOfAxis << m.Caption;
                throw UsageError{QStringLiteral("%1: the axis '%2' has no member '%3' (choose from %4)")
                                     .arg(kWhere, axisName, caption, choices(captionsOfAxis))};
            }
        }
        filters.push_back(std::move(filter));
    }
    if (filters.empty()) return;
    std::vector<const TPCAxisFilter*> span;
    for (const auto& f : filters) span.push_back(f.get());
    cube.DataItems().KeepOnly(span);
    engine.ClearCaches();
}

// --sort VALUE[:asc|desc]: the value column's position and the direction (2 descending).
std::pair<int, uint8_t> sortRequest(TPivotCube& engine, const QString& text) {
    QString name = text;
    uint8_t direction = 2;
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon > 0) {
        const QString how = text.mid(colon + 1).toLower();
        if (how == QLatin1String("asc") || how == QLatin1String("desc")) {
            name = text.left(colon);
            direction = how == QLatin1String("asc") ? 1 : 2;
        }
    }
    QStringList captions;
    for (int k = 0; k < engine.ValueColumnCount(); ++k) {
        if (engine.ValueColumns()[k]->Caption() == name) return {k, direction};
        captions << engine.ValueColumns()[k]->Caption();
    }
    throw UsageError{QStringLiteral("%1: the table has no value column '%2' (choose from %3)").arg(kSort, name, choices(captions))};
}

// --top N: the first N rows of each group of sibling rows stay on the table.
void keepFirstRows(TPivotCubeNode* node, size_t count) {
    if (!node) return;
    if (node->Children.size() > count) node->Children.resize(count);
    for (TPCNChild& child : node->Children) keepFirstRows(child.Node.get(), count);
}

TPCInteractiveView* chooseView(const TPCInteractive& document, const QString& fileName, const Args& args) {
    if (args.has(viewOption().name)) {
        const QString name = args.value(viewOption().name);
        if (TPCInteractiveView* view = document.FindView(name)) return view;
        QStringList names;
        for (int i = 0; i < document.ViewCount(); ++i) names << document.Views(i)->Description.Nom;
        throw UsageError{QStringLiteral("--view: the document has no view '%1' (choose from %2)").arg(name, choices(names))};
    }
    TPCInteractiveView* view = document.DefaultView();
    if (!view) throw Failure{fileName, QStringLiteral("the document has no view")};
    return view;
}

} // namespace

std::vector<Option> layoutOptions() {
    return {
        {kRows, QString(), QStringLiteral("A,B"), QStringLiteral("row dimensions (axis names)")},
        {kCols, QString(), QStringLiteral("C,D"), QStringLiteral("column dimensions (axis names)")},
        {kValue, QString(), QStringLiteral("NAME"), QStringLiteral("a value column: a cube value or a formula's caption (repeatable)")},
        {kFormula, QString(), QStringLiteral("CAPTION=EXPRESSION"), QStringLiteral("defines a formula value column (repeatable)")},
        {kFormulaFormat, QString(), QStringLiteral("CAPTION=FORMAT"), QStringLiteral("display format of a formula (repeatable)")},
        {kInclude, QString(), QStringLiteral("AXIS=CAPTION|CAPTION"), QStringLiteral("keep only these members of a placed axis (repeatable)")},
        {kExclude, QString(), QStringLiteral("AXIS=CAPTION|CAPTION"), QStringLiteral("leave out these members of a placed axis (repeatable)")},
        {kHideEmpty, QString(), QString(), QStringLiteral("hide members without data")},
        {kExpandAll, QString(), QString(), QStringLiteral("expand every member of every level")},
        {kRowRegroup, QString(), QStringLiteral("OPERATOR:VALUE"), QStringLiteral("a row regroupment (repeatable)")},
        {kColRegroup, QString(), QStringLiteral("OPERATOR"), QStringLiteral("a column regroupment (repeatable)")},
        {kTranspose, QString(), QString(), QStringLiteral("swap rows and columns")},
        {kDefaultFormat, QString(), QStringLiteral("FMT"), QStringLiteral("display format of the value columns without their own")},
        {kWhere, QString(), QStringLiteral("AXIS=CAPTION|CAPTION"),
         QStringLiteral("a page filter: only the items of these members of an axis not on the table (repeatable)")},
        {kSort, QString(), QStringLiteral("VALUE[:asc|desc]"), QStringLiteral("sort each group of sibling rows by a value column (descending by default)")},
        {kTop, QString(), QStringLiteral("N"), QStringLiteral("keep the first N rows of each group of sibling rows")},
        {kShowAs, QString(), QStringLiteral("total|row|col"), QStringLiteral("show each cell as a percent of the grand, row or column total")},
    };
}

Option viewOption() {
    return {QStringLiteral("--view"), QString(), QStringLiteral("NAME"),
            QStringLiteral("the document's view to restore (default: its default display, else its first view)")};
}

bool hasLayoutOptions(const Args& args) {
    for (const Option& o : layoutOptions())
        if (args.has(o.name)) return true;
    return false;
}

double elapsedMs(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e6; }

QString groupOperatorName(const QString& option, const QString& name) { return storedOperatorName(option, name); }

Option timingOption() {
    return {QStringLiteral("--timing"), QString(), QString(),
            QStringLiteral("print on stderr the time spent loading, laying out, computing and writing")};
}

void printTiming(const Timing& t) {
    QByteArray line = QStringLiteral("timing: load %1 ms, layout %2 ms, table %3 ms, write %4 ms\n")
                          .arg(t.load, 0, 'f', 1)
                          .arg(t.layout, 0, 'f', 1)
                          .arg(t.table, 0, 'f', 1)
                          .arg(t.write, 0, 'f', 1)
                          .toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

void applyLayoutOptions(TPivotCube& engine, const Args& args, bool viewRestored) {
    TPivotCubeData& cube = engine.CubeData();
    defineFormulas(engine, args);
    if (args.has(kDefaultFormat)) engine.SetValueDefaultFormat(args.value(kDefaultFormat));

    const bool reshaped = args.has(kRows) || args.has(kCols) || args.has(kValue) || args.has(kTranspose);
    // A value sort names a column of the old placement: it cannot survive a new one.
    if (reshaped && !engine.SortKey().isEmpty()) engine.SetSortState({}, -1, 1);
    if (args.has(kRows) || args.has(kCols)) {
        std::vector<int> used;
        std::vector<int> rows, cols;
        // Repeated --rows / --cols add to the list.
        if (args.has(kRows)) rows = axisList(cube, kRows, args.values(kRows).join(QLatin1Char(',')), used);
        if (args.has(kCols)) cols = axisList(cube, kCols, args.values(kCols).join(QLatin1Char(',')), used);
        // An axis kept from the restored view may not appear twice either.
        auto keep = [&](TPCDimensionList& list, std::vector<int>& axes, bool replaced) {
            if (replaced) return;
            axes.clear();
            for (auto& d : list) {
                if (std::find(used.begin(), used.end(), d->Axis) != used.end())
                    throw UsageError{QStringLiteral("the axis '%1' is already placed on the table").arg(cube.Axises()[d->Axis]->Nom())};
                axes.push_back(d->Axis);
            }
        };
        keep(engine.RowDimensions(), rows, args.has(kRows));
        keep(engine.ColDimensions(), cols, args.has(kCols));
        if (args.has(kRows)) placeDimensions(engine.RowDimensions(), rows);
        if (args.has(kCols)) placeDimensions(engine.ColDimensions(), cols);
    }
    for (const QString& text : args.values(kInclude)) applyMemberFilter(engine, kInclude, text, true);
    for (const QString& text : args.values(kExclude)) applyMemberFilter(engine, kExclude, text, false);
    applyPageFilters(engine, args);
    placeValueColumns(engine, args);
    addRegroupments(engine, args);
    if (args.has(kDefaultFormat)) {
        const QString problem = formatProblem(args.value(kDefaultFormat), cube);
        if (!problem.isEmpty()) throw UsageError{QStringLiteral("%1: %2").arg(kDefaultFormat, problem)};
    }
    const qint64 top = args.integer(kTop, 0, 1, std::numeric_limits<int>::max());
    if (args.has(kShowAs)) showAs(args);
    if (args.has(kSort)) {
        const auto [column, direction] = sortRequest(engine, args.value(kSort));
        engine.SetSortState(TPivotCube::MakeSortKey(column, {}), column, direction);
    }

    TPivotCubeOptions options = engine.Options();
    if (args.has(kHideEmpty)) options |= pcoHideEmptyAxis;
    if (!viewRestored && engine.ValueColumnCount() > 1) options |= pcoShowValueColumns;
    // SetOptions rebuilds only on a change: rebuild here in any case.
    if (options != engine.Options()) engine.SetOptions(options);
    else engine.Rebuild();

    if (args.has(kTranspose)) engine.Transpose();
    if (args.has(kExpandAll)) {
        engine.ExpandAllTo(engine.RowRoot(), engine.RowDimensionCount());
        engine.ExpandAllTo(engine.ColRoot(), engine.ColDimensionCount());
    }
    engine.ApplySort();
    if (top > 0) keepFirstRows(engine.RowRoot(), size_t(top));
}

ShowAs showAs(const Args& args) {
    if (!args.has(kShowAs)) return ShowAs::Value;
    const QString how = args.value(kShowAs);
    if (how == QLatin1String("total")) return ShowAs::PercentOfTotal;
    if (how == QLatin1String("row")) return ShowAs::PercentOfRow;
    if (how == QLatin1String("col")) return ShowAs::PercentOfColumn;
    throw UsageError{QStringLiteral("%1 takes total, row or col, not '%2'").arg(kShowAs, how)};
}

std::unique_ptr<TPCInteractive> loadSourceCube(const QString& fileName, const Args& args, TPivotCubeData& cube) {
    if (!isDocumentFile(fileName)) {
        if (args.has(viewOption().name))
            throw UsageError{QStringLiteral("--view applies to documents (.Dravo); '%1' is a raw cube file").arg(fileName)};
        loadCubeInto(fileName, cube);
        return nullptr;
    }
    return loadDocument(fileName, args.value(QStringLiteral("--password")).toUtf8(), &cube).document;
}

std::unique_ptr<TPivotCube> openPivotSource(const QString& fileName, const Args& args, Timing& timing) {
    auto engine = std::make_unique<TPivotCube>();

    QElapsedTimer timer;
    timer.start();
    const std::unique_ptr<TPCInteractive> document = loadSourceCube(fileName, args, engine->CubeData());
    timing.load = elapsedMs(timer);

    timer.restart();
    if (document) {
        const TPCInteractiveView* view = chooseView(*document, fileName, args);
        try {
            restoreFormulas(*engine, document->FormulasXML);
            restoreView(*engine, view->XMLData);
        } catch (const Exception& e) {
            throw Failure{fileName, QStringLiteral("view '%1' cannot be restored").arg(view->Description.Nom), e.message()};
        }
        warnAboutStoredFormulas(*engine, view->Description.Nom, args);
    }
    {
        Progress progress(QStringLiteral("arranging the table"));
        applyLayoutOptions(*engine, args, document != nullptr);
    }
    timing.layout = elapsedMs(timer);
    return engine;
}

QString viewStateText(const TPivotCube& engine) {
    TXMLHierarchicalWriter root(QStringLiteral("ViewState"));
    engine.WriteViewState(&root);
    return root.ToText();
}

} // namespace dravo
