// View states and formula documents in XML.
#include "CPivotCubeViewState.h"

#include "UHierarchicalWriter.h"
#include "USettings.h"
#include "UXMLParser.h"

#include <cctype>

namespace {

const QString kValues = QStringLiteral("Values");

// The child elements of a node with a given name, in document order.
std::vector<const TXMLDOMNode*> childrenNamed(const TXMLDOMNode* node, const QString& name) {
    std::vector<const TXMLDOMNode*> out;
    for (const TXMLDOMNode* c = FirstChildElement(node); c; c = NextSiblingElement(c))
        if (c->NodeName() == name) out.push_back(c);
    return out;
}

// Attribute values are kept as stored: references are decoded here.
QString attr(const TXMLDOMNode* node, const QString& name) { return DecodeEntities(AttributeValue(node, name)); }

int integerOr(const QString& text, int fallback) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : fallback;
}

// A text with blanks at either end is written with xml:space="preserve": the
// reader trims element text otherwise. The ends are those of the text as it
// is written, without the control characters the writer leaves out, so that
// the state read back is written the same.
void keepBlanks(THierarchicalWriter* element, QString text) {
    text.removeIf([](QChar c) { return c < u' ' && c != u'\t' && c != u'\r' && c != u'\n'; });
    auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
    if (!text.isEmpty() && (blank(text.front()) || blank(text.back())))
        element->SetAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
}

void writeIDs(THierarchicalWriter* filter, const QString& name, const TIntegerList& ids, const TPivotCubeAxis& axis) {
    if (ids.Count() == 0) return;
    THierarchicalWriter* list = filter->AddChild(name);
    list->SetAttributeInteger(QStringLiteral("Count"), ids.Count());
    list->SetAttribute(QStringLiteral("Type"), kValues);
    list->SetAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
    for (int i = 0; i < ids.Count(); ++i) {
        if (axis.SortStyle == pcsID) {
            list->AddChild(QStringLiteral("Value"), QString::number(ids[i]));
            continue;
        }
        const QString caption = axis.CaptionOf(ids[i]);
        THierarchicalWriter* value = list->AddChild(QStringLiteral("Value"), caption);
        // A caption shared with another member would read back as that one:
        // the ID beside it names the member.
        if (axis.IndexOfID(ids[i]) >= 0 && axis.IDOfCaption(caption) != ids[i])
            value->SetAttributeInteger(QStringLiteral("ID"), ids[i]);
    }
}

// The member a Value element names by its ID attribute, -1 when it has none
// or the axis holds no such member.
int32_t memberOfIDAttribute(const TXMLDOMNode* value, const TPivotCubeAxis& axis) {
    bool ok = false;
    const int32_t id = attr(value, QStringLiteral("ID")).trimmed().toInt(&ok, 10);
    return ok && axis.IndexOfID(id) >= 0 ? id : -1;
}

void readIDs(const TXMLDOMNode* list, TIntegerList& ids, TPivotCubeAxis& axis) {
    if (!list) return;
    if (attr(list, QStringLiteral("Type")) == kValues) {
        for (const TXMLDOMNode* v : childrenNamed(list, QStringLiteral("Value"))) {
            const QString text = Text(v);
            int32_t id = memberOfIDAttribute(v, axis);
            if (id == -1) id = axis.IDOfCaption(text);
            if (id == -1) id = axis.FindOrAddMember(text);   // a filter on a member absent from the data survives
            ids.Add(id);
        }
    } else {
        for (const TXMLDOMNode* v : childrenNamed(list, QStringLiteral("ID"))) ids.Add(integerOr(Text(v), 0));
    }
}

void writeDimensions(THierarchicalWriter* writer, const QString& name, const TPCDimensionList& list,
                     const TPivotCubeData& cube) {
    THierarchicalWriter* filters = writer->AddChild(name);
    filters->SetAttributeInteger(QStringLiteral("Count"), qint64(list.size()));
    for (const auto& d : list) {
        const TPivotCubeAxis& axis = *cube.Axises()[d->Axis];
        THierarchicalWriter* f = filters->AddChild(QStringLiteral("Filter"));
        f->SetAttribute(QStringLiteral("Name"), axis.Nom());
        f->SetAttributeIfTrue(QStringLiteral("DescendingSort"), d->DescendingSort);
        writeIDs(f, QStringLiteral("IncludeIDs"), d->IncludeIDs, axis);
        writeIDs(f, QStringLiteral("ExcludeIDs"), d->ExcludeIDs, axis);
    }
}

void writeRegroups(THierarchicalWriter* writer, const QString& name, const TPivotCubeRegroups& regroups) {
    THierarchicalWriter* list = writer->AddChild(name);
    list->SetAttributeInteger(QStringLiteral("Count"), regroups.Count());
    for (int i = 0; i < regroups.Count(); ++i) {
        const TPivotCubeRegroup* r = regroups.Items(i);
        THierarchicalWriter* e = list->AddChild(QStringLiteral("Regroup"));
        e->SetAttribute(QStringLiteral("Caption"), r->Caption());
        e->SetAttribute(QStringLiteral("Operator"), r->Operator());
        e->SetAttribute(QStringLiteral("Value"), r->Value());
    }
}

void readRegroups(const TXMLDOMNode* list, TPivotCubeRegroups& regroups, const TPivotCubeValueColumns& columns) {
    for (const TXMLDOMNode* e : childrenNamed(list, QStringLiteral("Regroup"))) {
        TPivotCubeRegroup* r = regroups.Add();
        r->SetCaption(attr(e, QStringLiteral("Caption")));
        r->SetOperator(attr(e, QStringLiteral("Operator")));
        if (r->Operator().size() > 0 && r->Caption() == r->Operator()) r->SetCaption(QString());
        QString value = attr(e, QStringLiteral("Value"));
        if (value.isEmpty() && columns.Count() > 0) value = columns.Items(0)->Caption();
        r->SetValue(value);
    }
}

} // namespace

int32_t XMLTextToColor(const QString& text) {
    QString digits;
    for (const QChar c : text) {
        if (c == QLatin1Char('#') || c == QLatin1Char('$') || c == QLatin1Char('&') || c == QLatin1Char('X') ||
            c == QLatin1Char('x'))
            continue;
        if (!isxdigit(c.unicode() < 128 ? int(c.unicode()) : 0)) return -1;
        digits += c;
    }
    if (digits.isEmpty()) return 0;
    bool ok = false;
    const qulonglong value = digits.toULongLong(&ok, 16);
    return ok ? int32_t(uint32_t(value)) : -1;
}

// --- Formulas ----------------------------------------------------------------

void WriteXML(const TPivotCubeFormulas& formulas, THierarchicalWriter* writer) {
    THierarchicalWriter* list = writer->AddChild(QStringLiteral("PCFormulas"));
    list->SetAttributeInteger(QStringLiteral("Count"), formulas.Count());
    for (int i = 0; i < formulas.Count(); ++i) {
        const TPivotCubeFormula* f = formulas.Items(i);
        THierarchicalWriter* e = list->AddChild(QStringLiteral("PCFormula"), f->Formula());
        keepBlanks(e, f->Formula());
        e->SetAttribute(QStringLiteral("Name"), f->Caption());
        e->SetAttribute(QStringLiteral("Format"), f->Format());
        e->SetAttribute(QStringLiteral("Display"), f->FormulaDisplay());
    }
}

void ReadXML(TPivotCubeFormulas& formulas, const TXMLDOMNode* element) {
    CollectionUpdate update(formulas);
    formulas.Clear();
    for (const TXMLDOMNode* e : childrenNamed(element, QStringLiteral("PCFormula"))) {
        TPivotCubeFormula* f = formulas.Add();
        f->SetFormula(Text(e));
        f->SetCaption(attr(e, QStringLiteral("Name")));
        f->SetFormat(attr(e, QStringLiteral("Format")));
        f->SetFormulaDisplay(attr(e, QStringLiteral("Display")));
    }
    formulas.Changed();
}

QByteArray SaveToXMLText(const TPivotCubeFormulas& formulas) {
    if (formulas.Count() == 0) return {};
    TXMLHierarchicalWriter root(QStringLiteral("root"));
    WriteXML(formulas, &root);
    return root.ToDocument();
}

// --- Value columns -------------------------------------------------------------

void WriteXML(const TPivotCubeValueColumns& columns, THierarchicalWriter* writer) {
    THierarchicalWriter* list = writer->AddChild(QStringLiteral("Columns"));
    list->SetAttributeInteger(QStringLiteral("Count"), columns.Count());
    for (int i = 0; i < columns.Count(); ++i) {
        const TPivotCubeValueColumn* c = columns.Items(i);
        THierarchicalWriter* e = list->AddChild(QStringLiteral("Column"), c->Formula());
        keepBlanks(e, c->Formula());
        if (c->Caption() != c->Formula()) e->SetAttribute(QStringLiteral("Caption"), c->Caption());
        e->SetAttribute(QStringLiteral("Format"), c->Format());
        e->SetAttributeColor(QStringLiteral("BgColor"), c->BgColor());
    }
}

void ReadXML(TPivotCube& engine, const TXMLDOMNode* columnsElement) {
    TPivotCubeValueColumns& columns = engine.ValueColumns();
    CollectionUpdate update(columns);
    columns.Clear();
    for (const TXMLDOMNode* e : childrenNamed(columnsElement, QStringLiteral("Column"))) {
        TPivotCubeValueColumn* c = columns.Add();
        const QString formula = Text(e);
        c->SetFormula(formula);
        const QString caption = MarkupToText(AttributeValue(e, QStringLiteral("Caption")));
        c->SetCaption(caption.isEmpty() ? formula : caption);
        QString format = MarkupToText(AttributeValue(e, QStringLiteral("Format")));
        if (format == engine.ValueDefaultFormat()) format.clear();
        c->SetFormat(format);
        c->SetBgColor(XMLTextToColor(attr(e, QStringLiteral("BgColor"))));
        if (c->Caption() == c->Formula())
            if (const TPivotCubeFormula* f = engine.Formulas().FindByFormula(formula)) c->SetCaption(f->Caption());
    }
    columns.Changed();
}

// --- View state ----------------------------------------------------------------

void TPivotCube::WriteViewState(THierarchicalWriter* writer) const {
    const TPivotCubeValueColumns& columns = ValueColumns();
    THierarchicalWriter* value = writer->AddChild(QStringLiteral("Value"));
    if (columns.Count() > 0) value->SetAttribute(QStringLiteral("Name"), columns.Items(0)->Caption());
    WriteXML(columns, value);

    THierarchicalWriter* size = writer->AddChild(QStringLiteral("CellSize"));
    size->SetAttributeInteger(QStringLiteral("Width"), FColWidth);
    size->SetAttributeInteger(QStringLiteral("Height"), FRowHeight);

    THierarchicalWriter* options = writer->AddChild(QStringLiteral("Options"));
    options->SetAttributeBool(QStringLiteral("HideEmptyAxis"), (FOptions & pcoHideEmptyAxis) != 0);
    options->SetAttributeBool(QStringLiteral("ShowValueColumns"), (FOptions & pcoShowValueColumns) != 0);
    if (!FSortKey.isEmpty()) {
        THierarchicalWriter* sort = options->AddChild(QStringLiteral("Sort"), QString::fromLatin1(FSortKey.toHex().toUpper()));
        sort->SetAttributeBool(QStringLiteral("Descending"), FSortDirection == 2);
    }
    if (ValueDefaultFormat() != QLatin1String(DefaultValueFormat))
        options->AddChild(QStringLiteral("ValueDefaultFormat"), ValueDefaultFormat());

    writeDimensions(writer, QStringLiteral("ColFilters"), FColDimensions, *FCubeData);
    writeDimensions(writer, QStringLiteral("RowFilters"), FRowDimensions, *FCubeData);
    writeRegroups(writer, QStringLiteral("ColRegroups"), *FColRegroups);
    writeRegroups(writer, QStringLiteral("RowRegroups"), *FRowRegroups);
}

void TPivotCube::ReadViewState(const TXMLDOMNode* root) {
    FRowRoot.reset();
    FColRoot.reset();
    FRowDimensions.clear();
    FColDimensions.clear();
    FColRegroups->Clear();
    FRowRegroups->Clear();
    ValueColumns().Clear();

    // The default format first: the columns' formats are read against it.
    const QString defaultFormat = Text(ChildByPath(root, QStringLiteral("Options/ValueDefaultFormat")));
    SetValueDefaultFormat(defaultFormat);

    if (const TXMLDOMNode* value = ChildByPath(root, QStringLiteral("Value"))) {
        if (const TXMLDOMNode* columnsElement = ChildByPath(value, QStringLiteral("Columns"))) {
            ReadXML(*this, columnsElement);
        } else {
            // Older views: one column named by the Value element.
            const QString caption = MarkupToText(AttributeValue(value, QStringLiteral("Name")));
            TPivotCubeValueColumn* c = ValueColumns().Add();
            c->SetCaption(caption);
            const TPivotCubeFormula* f = Formulas().FindByCaption(caption);
            if (!f) f = Formulas().FindByFormula(caption);
            if (f) {
                c->SetCaption(f->Caption());
                c->SetFormula(f->Formula());
                c->SetFormat(f->Format());
            } else {
                c->SetFormula(caption);
                c->SetFormat(QString());
            }
        }
    }

    const TXMLDOMNode* cellSize = ChildByPath(root, QStringLiteral("CellSize"));
    SetColWidth(integerOr(attr(cellSize, QStringLiteral("Width")), 80));
    SetRowHeight(integerOr(attr(cellSize, QStringLiteral("Height")), 22));

    const TXMLDOMNode* options = ChildByPath(root, QStringLiteral("Options"));
    FOptions = 0;
    if (StrToBoolDef(attr(options, QStringLiteral("HideEmptyAxis")), false)) FOptions |= pcoHideEmptyAxis;
    if (StrToBoolDef(attr(options, QStringLiteral("ShowValueColumns")), ValueColumns().Count() > 1))
        FOptions |= pcoShowValueColumns;

    const TXMLDOMNode* sort = ChildByPath(root, QStringLiteral("Options/Sort"));
    QByteArray hex = Text(sort).trimmed().toLatin1();
    if (hex.size() % 2) hex.chop(1);   // an odd digit is dropped
    FSortKey = sort ? QByteArray::fromHex(hex) : QByteArray();
    FSortDirection = StrToBoolDef(attr(sort, QStringLiteral("Descending")), false) ? 2 : 1;
    {
        const int colon = FSortKey.indexOf(':');
        bool ok = false;
        const int column = (colon < 0 ? FSortKey : FSortKey.left(colon)).toInt(&ok);
        FSortColumn = ok ? column : -1;
    }
    FViewStateWarnings.clear();
    const QString sortWarning = DropUnusableSortKey();
    if (!sortWarning.isEmpty()) FViewStateWarnings << sortWarning;

    for (const auto& [name, list] : {std::pair{QStringLiteral("ColFilters"), &FColDimensions},
                                     std::pair{QStringLiteral("RowFilters"), &FRowDimensions}}) {
        for (const TXMLDOMNode* f : childrenNamed(ChildByPath(root, name), QStringLiteral("Filter"))) {
            const int axisIndex = FCubeData->Axises().IndexOfName(attr(f, QStringLiteral("Name")));
            if (axisIndex < 0) continue;   // an unknown axis is dropped
            TPivotCubeAxis& axis = *FCubeData->Axises()[axisIndex];
            auto d = std::make_unique<TPCAxisVisualFilter>(axisIndex);
            d->DescendingSort = StrToBoolDef(attr(f, QStringLiteral("DescendingSort")), false);
            readIDs(ChildByPath(f, QStringLiteral("IncludeIDs")), d->IncludeIDs, axis);
            readIDs(ChildByPath(f, QStringLiteral("ExcludeIDs")), d->ExcludeIDs, axis);
            list->push_back(std::move(d));
        }
    }
    readRegroups(ChildByPath(root, QStringLiteral("ColRegroups")), *FColRegroups, ValueColumns());
    readRegroups(ChildByPath(root, QStringLiteral("RowRegroups")), *FRowRegroups, ValueColumns());

    Rebuild();
    ApplySort();
    Repaint();
}
