// The simple formula text and its decomposition.
#include "CPCSimpleFormula.h"

const QStringList& SimpleFormulaOperators() {
    static const QStringList items = {QStringLiteral("x"), QStringLiteral("-"), QStringLiteral("+"), QStringLiteral("/")};
    return items;
}

namespace {

QString aggregateText(const TPivotCubeValue& value) {
    return value.GroupOperatorName() + QStringLiteral("('") + value.Nom() + QStringLiteral("')");
}

// The value a side of the text designates, -1 when it names none.
int sideValue(const QString& part, const TPivotCubeValues& values) {
    const qsizetype open = part.indexOf(QStringLiteral("('"), 0, Qt::CaseInsensitive);
    if (open < 0) return -1;
    const qsizetype start = open + 2;
    const qsizetype close = part.indexOf(QStringLiteral("')"), start, Qt::CaseInsensitive);
    if (close < 0) return -1;
    const int index = values.IndexOfName(part.mid(start, close - start));
    if (index < 0) return -1;
    const QString operatorName = part.left(part.indexOf(QLatin1Char('(')));
    return operatorName == values[index]->GroupOperatorName() ? index : 0;
}

} // namespace

QString SimpleFormulaText(const TPivotCubeValue* left, int operatorIndex, const TPivotCubeValue* right) {
    const QStringList& items = SimpleFormulaOperators();
    if (!left || !right || operatorIndex < 0 || operatorIndex >= items.size()) return {};
    const QString op = operatorIndex == 0 ? QStringLiteral("*") : items[operatorIndex];
    return aggregateText(*left) + op + aggregateText(*right);
}

TSimpleFormulaChoice DecomposeSimpleFormula(const QString& text, const TPivotCubeValues& values) {
    // p counts characters: the operator is the one after the first ")".
    const qsizetype p = text.indexOf(QLatin1Char(')')) + 1;
    const int found = int(SimpleFormulaOperators().indexOf(text.mid(p, 1)));
    TSimpleFormulaChoice choice;
    choice.LeftValue = sideValue(text.left(p), values);
    choice.RightValue = sideValue(text.mid(p + 1), values);
    choice.OperatorIndex = found >= 0 ? found : 0;
    choice.Found = choice.LeftValue >= 0 && choice.RightValue >= 0;
    if (!choice.Found) choice = {};
    return choice;
}
