// Formulas and display formats checked before any cell is computed.
#include "Checks.h"

#include "UPivotCube.h"
#include "UPivotCubeFormula.h"
#include "USysUtils.h"

#include <QRegularExpression>
#include <QStringList>

namespace dravo {

namespace {

// The parser's message with the position it names, when it names one.
QString syntaxProblem(const QString& message) {
    static const QRegularExpression bare(QStringLiteral("^([0-9]+)$")), named(QStringLiteral("^(.*) \\(([0-9]+)\\)$")),
        at(QStringLiteral("^(.*) at ([0-9]+)$"));
    if (const auto m = bare.match(message); m.hasMatch())
        return QStringLiteral("it does not parse at position %1 (unexpected text)").arg(m.captured(1));
    if (const auto m = named.match(message); m.hasMatch())
        return QStringLiteral("it does not parse at position %1 ('%2' is not a known function, operator or name)")
            .arg(m.captured(2), m.captured(1));
    if (const auto m = at.match(message); m.hasMatch())
        return QStringLiteral("it does not parse at position %1 (%2)").arg(m.captured(2), m.captured(1));
    return QStringLiteral("it does not parse (%1)").arg(message);
}

struct UnknownValues {
    const TPivotCubeData* cube;
    QStringList names;
};

void collectUnknownValues(TFEExpression* node, void* data) {
    auto* found = static_cast<UnknownValues*>(data);
    auto* aggregate = dynamic_cast<TPCFuncGroupOperator*>(node);
    if (!aggregate || aggregate->ParamCount() != 1 || !aggregate->Param(0)->IsConstant()) return;
    const QString name = VarToStr(aggregate->Param(0)->Evaluate());
    if (found->cube->Values().IndexOfName(name) < 0 && !found->names.contains(name)) found->names << name;
}

QString valueList(const TPivotCubeData& cube) {
    QStringList names;
    for (int i = 0; i < cube.Values().Count(); ++i) names << QStringLiteral("'%1'").arg(cube.Values()[i]->Description.Nom);
    return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}

} // namespace

QString formulaProblem(const QString& expression, const TPivotCubeData& cube) {
    TPivotCubeFormulaInteractiveParser parser;
    std::unique_ptr<TFormulaExpr> root;
    try {
        root = parser.Parse(expression);
    } catch (const Exception& e) {
        return syntaxProblem(e.message());
    }
    UnknownValues unknown{&cube, {}};
    root->ForEach(collectUnknownValues, &unknown);
    if (unknown.names.isEmpty()) return QString();
    return QStringLiteral("the cube has no value '%1' (its values: %2)").arg(unknown.names.join(QStringLiteral("', '")), valueList(cube));
}

QString formatProblem(const QString& format, const TPivotCubeData& cube) {
    if (format.startsWith(QLatin1Char('='))) {
        const QString problem = formulaProblem(format.mid(1), cube);
        return problem.isEmpty() ? QString() : QStringLiteral("the display expression '%1': %2").arg(format, problem);
    }
    if (format.contains(QStringLiteral("%s")))
        return QStringLiteral("'%1' formats text, not numbers (a mask for numbers is such as %.2f)").arg(format);
    QString one, other;
    try {
        one = FormatFloat(format, 1.2);
        other = FormatFloat(format, 3.4);
    } catch (const Exception& e) {
        return QStringLiteral("'%1' cannot format numbers: %2").arg(format, e.message());
    }
    if (one == other) return QStringLiteral("'%1' does not show the number (a mask for numbers is such as %.2f)").arg(format);
    return QString();
}

} // namespace dravo
