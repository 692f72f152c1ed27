// dravo info: what a raw cube file holds.
#include "Dravo.h"

#include "UPivotCube.h"
#include "UPivotCubeInteractive.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString sortStyleName(int style) {
    switch (style) {
    case pcsCaption: return QStringLiteral("caption");
    case pcsCaptionCaseSensitive: return QStringLiteral("caption, case-sensitive");
    case pcsInteger: return QStringLiteral("integer");
    case pcsNumber: return QStringLiteral("number");
    case pcsID: return QStringLiteral("member ID");
    default: return QStringLiteral("unknown");
    }
}

QString table(const QList<QStringList>& rows) {
    QList<int> widths;
    for (const QStringList& row : rows)
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (widths.size() <= c) widths << 0;
            widths[c] = std::max(widths[c], int(row[c].size()));
        }
    QString text;
    for (const QStringList& row : rows) {
        QString line = QStringLiteral("  ");
        for (qsizetype c = 0; c < row.size(); ++c) line += row[c].leftJustified(c + 1 < row.size() ? widths[c] + 2 : 0);
        text += line.trimmed().isEmpty() ? QString() : QStringLiteral("  ") + line.trimmed() + QLatin1Char('\n');
    }
    return text;
}

// The view (and chart) shown first, as "view" or "view/chart"; empty without views.
QString shownFirst(const TPCInteractive& doc) {
    TPCInteractiveViewGraph* graph = nullptr;
    const TPCInteractiveView* shown = doc.DefaultView(&graph);
    if (!shown) return QString();
    return graph ? shown->Description.Nom + QLatin1Char('/') + graph->Description.Nom : shown->Description.Nom;
}

QString documentText(const TPCInteractive& doc) {
    QString text = QStringLiteral("Views:  %1\n").arg(doc.ViewCount());
    QList<QStringList> rows;
    for (int i = 0; i < doc.ViewCount(); ++i) {
        const TPCInteractiveView* v = doc.Views(i);
        QStringList charts;
        for (int g = 0; g < v->GraphCount(); ++g) charts << v->Graphs(g)->Description.Nom;
        rows << QStringList{v->Description.Nom,
                            charts.isEmpty() ? QStringLiteral("no chart")
                                             : QStringLiteral("charts: %1").arg(charts.join(QStringLiteral(", ")))};
    }
    text += table(rows);
    text += QStringLiteral("Shown first: %1\n").arg(doc.ViewCount() > 0 ? shownFirst(doc) : QStringLiteral("(no view)"));
    text += QStringLiteral("Formulas: %1\n")
                .arg(doc.FormulasXML.isEmpty() ? QStringLiteral("none")
                                               : QStringLiteral("%1 bytes of formula XML").arg(doc.FormulasXML.size()));
    return text;
}

QJsonObject documentJson(const TPCInteractive& doc, bool isProtected) {
    QJsonArray views;
    for (int i = 0; i < doc.ViewCount(); ++i) {
        const TPCInteractiveView* v = doc.Views(i);
        QJsonArray charts;
        for (int g = 0; g < v->GraphCount(); ++g) charts.append(v->Graphs(g)->Description.Nom);
        views.append(QJsonObject{{"name", v->Description.Nom}, {"charts", charts}});
    }
    return QJsonObject{{"views", views},
                       {"defaultDisplay", doc.ViewCount() > 0 ? QJsonValue(shownFirst(doc)) : QJsonValue()},
                       {"storedDefaultDisplay", doc.DefaultDisplay},
                       {"formulasXML", QString::fromUtf8(doc.FormulasXML)},
                       {"protected", isProtected}};
}

// --members AXIS: one line per member (ID, parent ID, caption), or a JSON array.
int printMembers(const TPivotCubeData& cube, const dravo::Args& args) {
    const QString name = args.value(QStringLiteral("--members"));
    const int index = cube.Axises().IndexOfName(name);
    if (index < 0) {
        QStringList names;
        for (int i = 0; i < cube.Axises().Count(); ++i) names << QStringLiteral("'%1'").arg(cube.Axises()[i]->Nom());
        throw dravo::UsageError{QStringLiteral("--members: unknown axis '%1' (choose from %2)").arg(name, names.join(QStringLiteral(", ")))};
    }
    const TPivotCubeAxis& axis = *cube.Axises()[index];
    if (args.has(QStringLiteral("--json"))) {
        QJsonArray members;
        for (const TPivotCubeAxisData& m : axis.Members)
            members.append(QJsonObject{{"id", m.ID}, {"parentId", m.ParentID}, {"caption", m.Caption}});
        const QJsonObject root{{"axis", axis.Nom()}, {"parent", axis.ParentAxis ? QJsonValue(axis.ParentAxis->Nom()) : QJsonValue()}, {"members", members}};
        dravo::out(QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
        return 0;
    }
    QList<QStringList> rows{{QStringLiteral("ID"), QStringLiteral("Parent ID"), QStringLiteral("Caption")}};
    for (const TPivotCubeAxisData& m : axis.Members) rows << QStringList{QString::number(m.ID), QString::number(m.ParentID), m.Caption};
    QString text = QStringLiteral("Members of %1: %2\n").arg(axis.Nom()).arg(axis.MemberCount());
    text += table(rows);
    dravo::out(text);
    return 0;
}

int runInfo(const dravo::Args& args) {
    const QString file = args.positional.first();
    std::unique_ptr<TPivotCubeData> cube;
    dravo::LoadedDocument loaded;
    if (dravo::isDocumentFile(file)) {
        loaded = dravo::loadDocument(file, args.value(QStringLiteral("--password")).toUtf8());
        cube = std::move(loaded.cube);
    } else {
        cube = dravo::loadCube(file);
    }
    const TPivotCubeAxises& axes = cube->Axises();
    const TPivotCubeValues& values = cube->Values();
    if (args.has(QStringLiteral("--members"))) return printMembers(*cube, args);
    if (args.has(QStringLiteral("--json"))) {
        QJsonArray axisArray, valueArray;
        for (int i = 0; i < axes.Count(); ++i) {
            const TPivotCubeAxis* a = axes[i];
            axisArray.append(QJsonObject{{"name", a->Nom()},
                                         {"members", a->MemberCount()},
                                         {"sortStyle", int(a->SortStyle)},
                                         {"parent", a->ParentAxis ? QJsonValue(a->ParentAxis->Nom()) : QJsonValue()},
                                         {"parentLinked", a->ParentLinked}});
        }
        for (int i = 0; i < values.Count(); ++i) {
            const TPivotCubeValue* v = values[i];
            valueArray.append(QJsonObject{{"name", v->Nom()},
                                          {"operator", v->GroupOperator ? QJsonValue(v->GroupOperatorName()) : QJsonValue()}});
        }
        QJsonObject root{{"title", cube->Description().Nom},
                         {"axes", axisArray},
                         {"values", valueArray},
                         {"items", cube->DataItems().Count()}};
        if (loaded.document) root.insert(QStringLiteral("document"), documentJson(*loaded.document, loaded.isProtected));
        dravo::out(QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
        return 0;
    }
    QString text = loaded.document ? documentText(*loaded.document) : QString();
    text += QStringLiteral("Title:  %1\n").arg(cube->Description().Nom);
    text += QStringLiteral("Items:  %1\n").arg(cube->DataItems().Count());
    text += QStringLiteral("Axes:   %1\n").arg(axes.Count());
    QList<QStringList> rows;
    for (int i = 0; i < axes.Count(); ++i) {
        const TPivotCubeAxis* a = axes[i];
        QString parent = a->ParentAxis ? QStringLiteral("parent %1%2").arg(a->ParentAxis->Nom(), a->ParentLinked ? QStringLiteral(", linked") : QString())
                                       : QString();
        rows << QStringList{a->Nom(), QStringLiteral("%1 members").arg(a->MemberCount()),
                            QStringLiteral("sort %1 (%2)").arg(a->SortStyle).arg(sortStyleName(a->SortStyle)), parent};
    }
    text += table(rows);
    text += QStringLiteral("Values: %1\n").arg(values.Count());
    rows.clear();
    for (int i = 0; i < values.Count(); ++i)
        rows << QStringList{values[i]->Nom(), values[i]->GroupOperator ? values[i]->GroupOperatorName() : QStringLiteral("(no operator)")};
    text += table(rows);
    dravo::out(text);
    return 0;
}

dravo::Subcommand makeInfo() {
    dravo::Subcommand c;
    c.name = QStringLiteral("info");
    c.summary = QStringLiteral("describe a raw cube file or a document: views, title, axes, values, item count");
    c.synopsis = QStringLiteral("info [--json] [--members AXIS] [--password P] FILE.pvc|DOC.Dravo");
    c.description = QStringLiteral(
        "Prints the cube's title, its axes (name, member count, sort style, parent axis,\n"
        "parent link), its values (name, group operator) and the number of data items.\n"
        "For a document, first its views with their charts, the view (or chart) shown\n"
        "first and its formulas; JSON output adds them under \"document\" (defaultDisplay\n"
        "is the view or view/chart shown first, as in the text form). --members AXIS\n"
        "lists the axis's members instead: ID, parent ID and caption.");
    c.options = {{QStringLiteral("--json"), QString(), QString(),
                  QStringLiteral("one JSON object: title, axes [{name, members, sortStyle, parent, parentLinked}], values [{name, operator}], items")},
                 {QStringLiteral("--members"), QString(), QStringLiteral("AXIS"), QStringLiteral("list the members of an axis: ID, parent ID, caption")},
                 dravo::passwordOption()};
    c.minPositional = c.maxPositional = 1;
    c.run = runInfo;
    return c;
}

} // namespace

DRAVO_SUBCOMMAND(makeInfo());
