// The pivot table as data: numbers per cell, percents of totals, JSON and tidy CSV.
#include "Tables.h"

#include "CPivotCube.h"
#include "CPivotCubeDataExport.h"
#include "USysUtils.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace dravo {

namespace {

const QString kCountCaption = QStringLiteral("\x01items");

QString percentText(double percent) {
    return std::isfinite(percent) ? FormatFloat(QStringLiteral("%.1f"), percent) + QLatin1Char('%') : QString();
}

QJsonValue number(double value, bool present) {
    return present && std::isfinite(value) ? QJsonValue(value) : QJsonValue();
}

} // namespace

NumberGrid buildNumberGrid(TPivotCube& engine, ShowAs show) {
    NumberGrid table;
    const int shown = engine.ValueColumnCount();
    TPivotCubeData& cube = engine.CubeData();
    // A hidden column counts each cell's items, so that an empty cell reads as none.
    const bool counting = cube.Values().Count() > 0;
    if (counting) {
        TPivotCubeValueColumn* count = engine.ValueColumns().Add();
        count->SetCaption(kCountCaption);
        count->SetFormula(QStringLiteral("Nombre(\"%1\")").arg(QString(cube.Values()[0]->Nom()).replace(QLatin1Char('"'), QStringLiteral("\"\""))));
    }
    TPivotGrid grid = BuildPivotGrid(engine);
    TPivotGridTotals totals;
    if (show != ShowAs::Value) totals = BuildPivotGridTotals(engine);
    if (counting) engine.ValueColumns().Delete(shown);
    const int all = shown + (counting ? 1 : 0);

    // Keep the shown columns; the count column says which cells have items.
    auto strip = [&](QStringList& cells, std::vector<double>& numbers, std::vector<bool>* present) {
        QStringList keptCells;
        std::vector<double> keptNumbers;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            const qsizetype k = i % all;
            if (k < shown) {
                keptCells << cells[i];
                keptNumbers.push_back(size_t(i) < numbers.size() ? numbers[size_t(i)] : 0.0);
                if (present) present->push_back(!counting || numbers[size_t(i - k + shown)] > 0);
            }
        }
        cells = keptCells;
        numbers = keptNumbers;
    };
    std::vector<QStringList> paths;
    for (size_t c = 0; c < grid.ColumnPaths.size(); ++c)
        if (int(c % size_t(all)) < shown) paths.push_back(grid.ColumnPaths[c]);
    grid.ColumnPaths = paths;
    for (TPivotGridLine& line : grid.Lines) {
        std::vector<bool> present;
        strip(line.Cells, line.Numbers, &present);
        table.hasItems.push_back(present);
    }
    for (TPivotGridLine& line : grid.ColumnRegroupLines) strip(line.Cells, line.Numbers, nullptr);

    if (show != ShowAs::Value) {
        for (size_t l = 0; l < grid.Lines.size(); ++l) {
            TPivotGridLine& line = grid.Lines[l];
            for (size_t i = 0; i < line.Numbers.size(); ++i) {
                const size_t k = i % size_t(shown), leaf = i / size_t(shown);
                double total = 0;
                switch (show) {
                case ShowAs::PercentOfTotal: total = totals.Grand[k]; break;
                case ShowAs::PercentOfRow: total = totals.Rows[l][k]; break;
                case ShowAs::PercentOfColumn: total = totals.Columns[leaf * size_t(all) + k]; break;
                case ShowAs::Value: break;
                }
                const double percent = total != 0 ? line.Numbers[i] * 100.0 / total : std::nan("");
                line.Numbers[i] = percent;
                line.Cells[qsizetype(i)] = percentText(percent);
            }
        }
    }
    table.grid = std::move(grid);
    return table;
}

QByteArray tableJson(const NumberGrid& table, const QStringList& colDimensionNames, ShowAs show) {
    const TPivotGrid& grid = table.grid;
    QStringList values;
    for (const QStringList& path : grid.ColumnPaths)
        if (!values.contains(path.last())) values << path.last();
    QJsonArray columns;
    for (const QStringList& path : grid.ColumnPaths)
        columns.append(QJsonObject{{"path", QJsonArray::fromStringList(path.mid(0, path.size() - 1))}, {"value", path.last()}});
    QJsonArray rows;
    QStringList path;
    for (size_t l = 0; l < grid.Lines.size(); ++l) {
        const TPivotGridLine& line = grid.Lines[l];
        path = path.mid(0, line.Level);
        if (!grid.RowDimensionNames.isEmpty()) path << line.Caption;
        QJsonArray cells, regroups;
        for (size_t i = 0; i < line.Numbers.size(); ++i) cells.append(number(line.Numbers[i], table.hasItems[l][i]));
        for (double r : line.RegroupNumbers) regroups.append(number(r, true));
        QJsonObject row{{"path", QJsonArray::fromStringList(path)}, {"level", line.Level}, {"cells", cells}};
        if (!grid.RowRegroupCaptions.isEmpty()) row.insert(QStringLiteral("regroups"), regroups);
        rows.append(row);
    }
    QJsonArray columnRegroups;
    for (const TPivotGridLine& line : grid.ColumnRegroupLines) {
        QJsonArray cells;
        for (double n : line.Numbers) cells.append(number(n, true));
        columnRegroups.append(QJsonObject{{"caption", line.Caption}, {"cells", cells}});
    }
    static const char* const shownAs[] = {"value", "percent of total", "percent of row", "percent of column"};
    const QJsonObject root{{"rowDimensions", QJsonArray::fromStringList(grid.RowDimensionNames)},
                           {"columnDimensions", QJsonArray::fromStringList(colDimensionNames)},
                           {"values", QJsonArray::fromStringList(values)},
                           {"columns", columns},
                           {"rows", rows},
                           {"rowRegroups", QJsonArray::fromStringList(grid.RowRegroupCaptions)},
                           {"columnRegroups", columnRegroups},
                           {"shownAs", shownAs[int(show)]}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray tableTidyCSV(const NumberGrid& table, const QStringList& colDimensionNames) {
    const TPivotGrid& grid = table.grid;
    QByteArray csv;
    auto record = [&](const QStringList& fields, const QByteArray& last) {
        for (const QString& f : fields) {
            AppendCSVField(csv, f);
            csv += ',';
        }
        csv += last + "\r\n";
    };
    QStringList header = grid.RowDimensionNames + colDimensionNames;
    header << QStringLiteral("value");
    record(header, "number");
    const qsizetype rowLevels = grid.RowDimensionNames.size(), colLevels = colDimensionNames.size();
    QStringList rowPath;
    for (size_t l = 0; l < grid.Lines.size(); ++l) {
        const TPivotGridLine& line = grid.Lines[l];
        rowPath = rowPath.mid(0, line.Level);
        if (rowLevels > 0) rowPath << line.Caption;
        for (size_t i = 0; i < line.Numbers.size(); ++i) {
            if (!table.hasItems[l][i] || !std::isfinite(line.Numbers[i])) continue;
            QStringList fields = rowPath;
            while (fields.size() < rowLevels) fields << QString();
            const QStringList& columnPath = grid.ColumnPaths[i];
            QStringList columns = columnPath.mid(0, columnPath.size() - 1);
            while (columns.size() < colLevels) columns << QString();
            fields += columns.mid(0, colLevels);
            fields << columnPath.last();
            record(fields, ShortestNumberText(line.Numbers[i]));
        }
    }
    return csv;
}

QByteArray replaceDataCells(const QByteArray& page, const TPivotGrid& grid, QChar decimalSeparator) {
    static const QByteArray open = "<td class=\"Data\">", close = "</td>";
    QStringList texts;
    for (const TPivotGridLine& line : grid.Lines) texts += line.Cells;
    QByteArray out;
    out.reserve(page.size());
    qsizetype from = 0, cell = 0;
    for (qsizetype at = page.indexOf(open); at >= 0; at = page.indexOf(open, from)) {
        const qsizetype end = page.indexOf(close, at + open.size());
        if (end < 0 || cell >= texts.size()) break;
        QString text = texts[cell++];
        if (decimalSeparator != QLatin1Char('.')) text.replace(QLatin1Char('.'), decimalSeparator);
        out += page.mid(from, at + open.size() - from) + text.toUtf8();
        from = end;
    }
    if (cell != texts.size()) throw Exception(QStringLiteral("the table's cells do not match its grid"));
    out += page.mid(from);
    return out;
}

} // namespace dravo
