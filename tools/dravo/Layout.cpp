// The layout options of the table commands and the engine they shape.
#include "Layout.h"

#include "CPivotCube.h"
#include "CPivotCubeViewState.h"
#include "UHierarchicalWriter.h"
#include "UPivotCubeInteractive.h"
#include "UXMLParser.h"

#include <cstdio>

namespace dravo {

namespace {

// Constants, not QString objects: the subcommands register their options
// while the program's static objects are still being made.
constexpr QLatin1StringView kRows("--rows"), kCols("--cols"), kValue("--value"), kFormula("--formula"),
    kFormulaFormat("--formula-format"), kInclude("--include"), kExclude("--exclude"), kHideEmpty("--hide-empty"),
    kExpandAll("--expand-all"), kRowRegroup("--row-regroup"), kColRegroup("--col-regroup"), kTranspose("--transpose"),
    kDefaultFormat("--default-format");

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

TPCGroupOperatorClass operatorNamed(const QString& option, const QString& name) {
    TPCGroupOperatorClass op = GroupOperatorByName(name);
    if (!op) throw UsageError{QStringLiteral("%1: unknown operator '%2' (choose from %3)").arg(option, name, choices(operatorNames()))};
    return op;
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
    for (const QString& text : args.values(kFormula)) {
        const auto [caption, expression] = keyAndRest(kFormula, text, QStringLiteral("CAPTION=EXPRESSION"));
        if (expression.trimmed().isEmpty()) throw UsageError{QStringLiteral("%1: the formula '%2' has no expression").arg(kFormula, caption)};
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
        formula->SetFormat(format);
    }
    const QString invalid = engine.Formulas().ValidateFormats();
    if (!invalid.isEmpty()) throw UsageError{QStringLiteral("a formula's format cannot format numbers: %1").arg(invalid.trimmed())};
}

void placeValueColumns(TPivotCube& engine, const Args& args) {
    TPivotCubeData& cube = engine.CubeData();
    TPivotCubeValueColumns& columns = engine.ValueColumns();
    CollectionUpdate update(columns);
    if (args.has(kValue)) {
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
        operatorNamed(kRowRegroup, op);
        if (cube.Values().IndexOfName(value) < 0)
            throw UsageError{QStringLiteral("%1: unknown value '%2' (choose from %3)").arg(kRowRegroup, value, choices(valueNames(cube)))};
        TPivotCubeRegroup* r = engine.RowRegroups().Add();
        r->SetOperator(op);
        r->SetValue(value);
    }
    for (const QString& op : args.values(kColRegroup)) {
        operatorNamed(kColRegroup, op);
        TPivotCubeRegroup* r = engine.ColRegroups().Add();
        r->SetOperator(op);
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
    for (const QString& warning : engine.ViewStateWarnings()) {
        const QByteArray line = QStringLiteral("dravo: warning: %1\n").arg(warning).toUtf8();
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    }
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
        if (args.has(kRows)) rows = axisList(cube, kRows, args.value(kRows), used);
        if (args.has(kCols)) cols = axisList(cube, kCols, args.value(kCols), used);
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
    placeValueColumns(engine, args);
    addRegroupments(engine, args);

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
            throw Failure{fileName, QStringLiteral("view '%1': %2").arg(view->Description.Nom, e.message())};
        }
    }
    applyLayoutOptions(*engine, args, document != nullptr);
    timing.layout = elapsedMs(timer);
    return engine;
}

QString viewStateText(const TPivotCube& engine) {
    TXMLHierarchicalWriter root(QStringLiteral("ViewState"));
    engine.WriteViewState(&root);
    return root.ToText();
}

} // namespace dravo
