// dravo add-view: one more saved view in an existing document, shaped by the
// layout options, optionally made the document's default display.
#include "Layout.h"

#include "CPivotCube.h"
#include "CPivotCubeViewState.h"
#include "UPivotCubeInteractive.h"
#include "UXMLParser.h"

#include <QFile>
#include <QXmlStreamReader>

namespace {

QByteArray passwordOf(const dravo::Args& args) { return args.value(QStringLiteral("--password")).toUtf8(); }

// "NAME=FILE": a chart named NAME whose settings are the chart XML in FILE.
void addChart(TPCInteractiveView& view, const QString& argument) {
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    if (equals <= 0 || equals == argument.size() - 1)
        throw dravo::UsageError{QStringLiteral("--chart takes NAME=FILE, not '%1'").arg(argument)};
    const QString name = argument.left(equals), fileName = argument.mid(equals + 1);
    if (view.FindGraph(name)) throw dravo::UsageError{QStringLiteral("the view already has a chart named '%1'").arg(name)};
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) throw dravo::Failure(fileName, file.errorString());
    const QString text = QString::fromUtf8(file.readAll()).trimmed();
    // The document parser repairs a cut text; a strict reader judges it first.
    QXmlStreamReader reader(text);
    while (!reader.atEnd() && !reader.isStartElement()) reader.readNext();
    const QString root = reader.name().toString();
    while (!reader.atEnd()) reader.readNext();
    if (reader.hasError() || root != QLatin1String("CubeChart"))
        throw dravo::Failure(fileName, QStringLiteral("not a chart: a well-formed CubeChart element is expected"),
                             reader.errorString());
    TPCInteractiveViewGraph* graph = view.NewGraph();
    graph->Description.Nom = name;
    graph->XMLData = text;
}

int runAddView(const dravo::Args& args) {
    if (!args.has(QStringLiteral("--view"))) throw dravo::UsageError{QStringLiteral("--view NAME is required")};
    const QString fileName = args.positional.first();
    const QString name = args.value(QStringLiteral("--view"));
    if (name.trimmed().isEmpty()) throw dravo::UsageError{QStringLiteral("--view needs a name")};
    dravo::LoadedDocument loaded = dravo::loadDocument(fileName, passwordOf(args));
    if (loaded.document->FindView(name))
        throw dravo::UsageError{QStringLiteral("the document already has a view named '%1'").arg(name)};

    // The engine starts from the document's formulas, so that the view may
    // name them and the new ones join them.
    TPivotCube engine;
    engine.SetCubeData(*loaded.cube);
    if (!loaded.document->FormulasXML.isEmpty()) {
        TXMLDOMDocument xml;
        xml.LoadFromBytes(loaded.document->FormulasXML);
        ReadXML(engine.Formulas(),
                xml.DocumentElement() ? ChildByPath(xml.DocumentElement(), QStringLiteral("PCFormulas")) : nullptr);
    }
    dravo::applyLayoutOptions(engine, args, false);
    TPCInteractiveView* view = loaded.document->NewView();
    view->Description.Nom = name;
    view->XMLData = dravo::viewStateText(engine);
    for (const QString& chart : args.values(QStringLiteral("--chart"))) addChart(*view, chart);
    loaded.document->FormulasXML = SaveToXMLText(engine.Formulas());
    if (args.has(QStringLiteral("--default"))) loaded.document->DefaultDisplay = name;
    dravo::saveDocument(fileName, *loaded.document, *loaded.cube, passwordOf(args));
    return 0;
}

dravo::Subcommand makeAddView() {
    dravo::Subcommand c;
    c.name = QStringLiteral("add-view");
    c.summary = QStringLiteral("add a saved view to a document (.Dravo)");
    c.synopsis = QStringLiteral("add-view --view NAME [--default] [--chart NAME=FILE]... [--password P] [layout options] DOC.Dravo");
    c.description = QStringLiteral(
        "Appends a view named NAME to the document, its placement and formulas made by\n"
        "the layout options (those of 'dravo export'); formulas the options define join\n"
        "the document's. With --default the view is the one the viewer shows first.\n"
        "Each --chart adds a chart to the view, its settings read from FILE (chart XML,\n"
        "root CubeChart, as the viewer stores it).\n"
        "The document is replaced atomically.");
    c.options = {{QStringLiteral("--view"), QString(), QStringLiteral("NAME"), QStringLiteral("name of the new view")},
                 {QStringLiteral("--default"), QString(), QString(), QStringLiteral("make it the default display")},
                 {QStringLiteral("--chart"), QString(), QStringLiteral("NAME=FILE"),
                  QStringLiteral("add a chart with the settings in FILE (repeatable)")},
                 dravo::passwordOption()};
    for (dravo::Option& o : dravo::layoutOptions()) c.options.push_back(std::move(o));
    c.minPositional = c.maxPositional = 1;
    c.run = runAddView;
    return c;
}

} // namespace

DRAVO_SUBCOMMAND(makeAddView());
