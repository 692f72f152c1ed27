#pragma once
// The lines of the member filter popup: one checkable line per member of an
// axis, in member order, showing its caption. The check marks start from a
// dimension's include and exclude lists and are only read back as the
// checked and unchecked IDs; the lists themselves are left to the engine.

#include "UPivotCube.h"

#include <QAbstractListModel>

#include <vector>

class TPCMemberCheckModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TPCMemberCheckModel(QObject* parent = nullptr);

    // One line per member of axis; checked when the dimension passes it:
    // the include list is empty or holds the ID, and the exclude list does
    // not hold it.
    void Load(const TPCAxisFilter& dimension, const TPivotCubeAxis& axis);

    int Count() const { return int(FLines.size()); }
    int CheckedCount() const { return FCheckedCount; }
    bool IsChecked(int line) const { return FLines[size_t(line)].Checked; }
    int32_t IDOf(int line) const { return FLines[size_t(line)].ID; }
    const QString& CaptionOf(int line) const { return FLines[size_t(line)].Caption; }

    void Toggle(int line);
    // On the given lines only (the ones a search leaves visible).
    void SetChecked(const std::vector<int>& lines, bool checked);
    void Invert(const std::vector<int>& lines);

    // In line order.
    std::vector<int32_t> CheckedIDs() const;
    std::vector<int32_t> UncheckedIDs() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // After every change of a check mark.
    void CheckedCountChanged(int checked, int total);

private:
    struct Line {
        int32_t ID = 0;
        QString Caption;
        bool Checked = false;
    };
    void setLine(int line, bool checked);
    void changed(int first, int last);
    std::vector<int32_t> idsWhere(bool checked) const;

    std::vector<Line> FLines;
    int FCheckedCount = 0;
};
