// Compilation of value columns into value and display expressions, and the
// evaluation of one cell.
#include "CPivotCubeValueColumns.h"

namespace {

// Parses and optimizes a text; none when either step fails.
std::unique_ptr<TPivotCubeFormulaExpr> compileText(TPivotCubeFormulaInteractiveParser& parser, const QString& text) {
    try {
        std::unique_ptr<TFormulaExpr> root = parser.Parse(text);
        root->Optimize();
        auto* pivotRoot = dynamic_cast<TPivotCubeFormulaExpr*>(root.get());
        if (!pivotRoot) return nullptr;
        root.release();
        return std::unique_ptr<TPivotCubeFormulaExpr>(pivotRoot);
    } catch (const std::exception&) {
        return nullptr;
    }
}

} // namespace

PivotCubeCells::PivotCubeCells(TPivotCubeData* cube)
    : FCube(cube),
      FParser(std::make_unique<TPivotCubeFormulaInteractiveParser>()),
      FFormulas(std::make_unique<TPivotCubeFormulas>()),
      FValueColumns(std::make_unique<TPivotCubeValueColumns>()) {
    FFormulas->OnChange = [this] { ClearCaches(); };
    FValueColumns->OnChange = [this] { ClearCaches(); };
}

PivotCubeCells::~PivotCubeCells() {
    // The compiled trees refer to the parser: free them first.
    FValueColumns->OnChange = nullptr;
    FFormulas->OnChange = nullptr;
    FValueColumns.reset();
    FFormulas.reset();
    FParser.reset();
}

void PivotCubeCells::SetValueDefaultFormat(const QString& format) {
    const QString value = format.isEmpty() ? QString::fromLatin1(DefaultValueFormat) : format;
    if (value == FValueDefaultFormat) return;
    FValueDefaultFormat = value;
    Invalidate();
}

void PivotCubeCells::Compile(TPivotCubeValueColumn& column) {
    column.DiscardCompiled();
    QString format = column.Format();

    QString valueText;
    const TPivotCubeValue* value = FCube ? FCube->Values().FindByName(column.Formula()) : nullptr;
    if (value) {
        // An aggregate call of the value's operator on the value's name, the
        // name's double quotes doubled so that any name reads back as itself.
        // An unregistered operator leaves a parenthesised string, which gives 0.
        valueText = value->GroupOperatorName() + QStringLiteral("(\"") +
                    QString(column.Formula()).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QStringLiteral("\")");
    } else {
        valueText = column.Formula();
        if (format.isEmpty())
            if (const TPivotCubeFormula* f = FFormulas->FindByFormula(column.Formula())) format = f->Format();
    }
    if (format.isEmpty()) format = FValueDefaultFormat;

    column.FValueExpression = compileText(*FParser, valueText);
    if (!column.FValueExpression) {
        valueText = QStringLiteral("-1");
        column.FValueExpression = compileText(*FParser, valueText);
    }
    column.FValueText = valueText;

    QString displayText;
    if (format.startsWith(QLatin1Char('=')))
        displayText = format.mid(1);
    else
        displayText = QStringLiteral("FormatFloat('") + QString(format).replace(QLatin1Char('\''), QStringLiteral("''")) +
                      QStringLiteral("',Value)");
    column.FDisplayExpression = compileText(*FParser, displayText);
    if (!column.FDisplayExpression) {
        // The string constant SynErr.
        std::unique_ptr<TFormulaExpr> root = FParser->Parse(QString());
        root->SetOperand(std::make_unique<TFEImmediateString>(QStringLiteral("SynErr")));
        column.FDisplayExpression.reset(static_cast<TPivotCubeFormulaExpr*>(root.release()));
        displayText.clear();
    }
    column.FDisplayText = displayText;
}

void PivotCubeCells::CompileAll() {
    for (int i = 0; i < FValueColumns->Count(); ++i) Compile(*FValueColumns->Items(i));
}

void PivotCubeCells::SyncWithSources() {
    if (!FCube) return;
    FValueColumns->SyncWithSources(FCube->Values(), *FFormulas);
}

bool PivotCubeCells::IsFormulaColumn(const TPivotCubeValueColumn& column) const {
    return FCube && column.IsFormulaColumn(FCube->Values(), *FFormulas);
}

double PivotCubeCells::EvaluateCellValue(const TPCDataItemList& items, TPCAxisFilterSpan filters,
                                         TPivotCubeValueColumn& column) {
    if (!column.FValueExpression) Compile(column);
    FParser->SetContext(&items, filters, FCube ? &FCube->Values() : nullptr);
    const double x = column.FValueExpression->EvaluateNum();
    FParser->ClearContext();
    return x;
}

TPivotCubeCellValue PivotCubeCells::EvaluateCell(const TPCDataItemList& items, TPCAxisFilterSpan filters,
                                                 TPivotCubeValueColumn& column) {
    if (!column.FValueExpression) Compile(column);
    FParser->SetContext(&items, filters, FCube ? &FCube->Values() : nullptr);
    return evaluateInContext(column);
}

TPivotCubeCellValue PivotCubeCells::EvaluateCell(const TPCCellAggregates& cell, TPivotCubeValueColumn& column) {
    static const TPCDataItemList noItems;
    if (!column.FValueExpression) Compile(column);
    FParser->SetContext(&noItems, {}, FCube ? &FCube->Values() : nullptr);
    FParser->ContextCell = &cell;
    return evaluateInContext(column);
}

TPivotCubeCellValue PivotCubeCells::evaluateInContext(TPivotCubeValueColumn& column) {
    // The context stays set for the display expression, which may aggregate too.
    TPivotCubeCellValue cell;
    cell.Value = column.FValueExpression->EvaluateNum();
    column.FDisplayExpression->CurrentValue = cell.Value;
    cell.Text = column.FDisplayExpression->EvaluateString();
    FParser->ClearContext();
    return cell;
}

void PivotCubeCells::BeginLine(const TPCDataItemList& items) { FParser->BeginLine(items); }

void PivotCubeCells::EndLine() { FParser->EndLine(); }
