// Group operator classes and their registry of French names.
#include "UPivotCube.h"

#include <QMutex>

LORVANE_IMPLEMENT_ABSTRACT_CLASS(TPCGroupOperator, TClipBoardAble)
LORVANE_IMPLEMENT_CLASS(TPCGONull, TPCGroupOperator)
LORVANE_IMPLEMENT_CLASS(TPCGOSum, TPCGroupOperator)
LORVANE_IMPLEMENT_CLASS(TPCGOAverage, TPCGroupOperator)
LORVANE_IMPLEMENT_CLASS(TPCGOCount, TPCGroupOperator)
LORVANE_IMPLEMENT_CLASS(TPCGOMax, TPCGroupOperator)
LORVANE_IMPLEMENT_CLASS(TPCGOMin, TPCGroupOperator)
LORVANE_IMPLEMENT_CLASS(TPCGORange, TPCGroupOperator)

namespace {
struct OperatorRegistry {
    QMutex lock;
    std::vector<TRegisteredPCGroupOperator> records;
    OperatorRegistry() {
        records = {
            {TPCGOSum::StaticClass(), QStringLiteral("Somme"), QStringLiteral("Somme des valeurs")},
            {TPCGOAverage::StaticClass(), QStringLiteral("Moyenne"), QStringLiteral("Moyenne des valeurs")},
            {TPCGOCount::StaticClass(), QStringLiteral("Nombre"), QStringLiteral("Nombre de valeurs")},
            {TPCGOMax::StaticClass(), QStringLiteral("Maximum"), QStringLiteral("Plus grande valeur")},
            {TPCGOMin::StaticClass(), QStringLiteral("Minimum"), QStringLiteral("Plus petite valeur")},
            {TPCGORange::StaticClass(), QStringLiteral("Etendue"), QStringLiteral("Ecart entre la plus grande et la plus petite valeur")},
        };
    }
};

OperatorRegistry& operators() {
    static OperatorRegistry r;
    return r;
}
} // namespace

void RegisterGroupOperator(TPCGroupOperatorClass operatorClass, const QString& name, const QString& description) {
    OperatorRegistry& r = operators();
    QMutexLocker guard(&r.lock);
    r.records.push_back({operatorClass, name, description});
}

const std::vector<TRegisteredPCGroupOperator>& RegisteredGroupOperators() { return operators().records; }

TPCGroupOperatorClass GroupOperatorByName(const QString& name) {
    for (const auto& record : RegisteredGroupOperators())
        if (record.Name == name) return record.OperatorClass;
    return nullptr;
}

QString NameOfGroupOperator(TPCGroupOperatorClass operatorClass) {
    if (!operatorClass) return {};
    for (const auto& record : RegisteredGroupOperators())
        if (record.OperatorClass == operatorClass) return record.Name;
    return {};
}

void ListGroupOperators(TStringList& strings) {
    const auto& records = RegisteredGroupOperators();
    for (size_t i = 0; i < records.size(); ++i) strings.Add(records[i].Name, qint64(i));
}

std::unique_ptr<TPCGroupOperator> CreateGroupOperator(TPCGroupOperatorClass operatorClass) {
    if (!operatorClass || !operatorClass->Construct || !operatorClass->InheritsFrom(TPCGroupOperator::StaticClass()))
        return std::make_unique<TPCGONull>();
    return std::unique_ptr<TPCGroupOperator>(static_cast<TPCGroupOperator*>(operatorClass->Construct()));
}
