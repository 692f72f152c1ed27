// The raw data exports of the cube data set (HTML table and page, CSV).
#include "CPivotCubeDataExport.h"

#include "UHierarchicalWriter.h"
#include "UPivotCube.h"
#include "XClasses.h"

#include <QHash>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace {

// Member captions of one axis by ID, looked up once per axis instead of a
// linear member search per cell.
template <typename T, typename Make>
std::vector<QHash<int32_t, T>> captionTables(const TPivotCubeData& cube, Make make) {
    std::vector<QHash<int32_t, T>> tables(size_t(cube.Axises().Count()));
    for (int a = 0; a < cube.Axises().Count(); ++a) {
        const TPivotCubeAxis* axis = cube.Axises()[a];
        auto& table = tables[size_t(a)];
        table.reserve(axis->MemberCount());
        // The first member of a repeated ID wins, as in CaptionOf.
        for (const TPivotCubeAxisData& m : axis->Members)
            if (!table.contains(m.ID)) table.insert(m.ID, make(m.Caption));
    }
    return tables;
}

} // namespace

void WriteDataTable(const TPivotCubeData& cube, THierarchicalWriter& writer) {
    const TPivotCubeAxises& axes = cube.Axises();
    const TPivotCubeValues& values = cube.Values();
    const int axisCount = axes.Count(), valueCount = values.Count();

    THierarchicalWriter* table = writer.AddChild(QStringLiteral("table"));
    table->SetAttribute(QStringLiteral("class"), QStringLiteral("PivotCubeData"));
    THierarchicalWriter* group = table->AddChild(QStringLiteral("colgroup"));
    group->SetAttribute(QStringLiteral("class"), QStringLiteral("Axis"));
    group->SetAttributeInteger(QStringLiteral("span"), axisCount);
    group->SetAttribute(QStringLiteral("align"), QStringLiteral("left"));
    group = table->AddChild(QStringLiteral("colgroup"));
    group->SetAttribute(QStringLiteral("class"), QStringLiteral("Values"));
    group->SetAttributeInteger(QStringLiteral("span"), valueCount);
    group->SetAttribute(QStringLiteral("align"), QStringLiteral("right"));

    THierarchicalWriter* header = table->AddChild(QStringLiteral("tr"));
    for (int a = 0; a < axisCount; ++a) header->AddChild(QStringLiteral("th"), axes[a]->Nom());
    for (int v = 0; v < valueCount; ++v) header->AddChild(QStringLiteral("th"), values[v]->Nom());

    const auto captions = captionTables<QString>(cube, [](const QString& c) { return c; });
    const QString td = QStringLiteral("td"), tr = QStringLiteral("tr");
    for (const TPCDataItem& item : cube.DataItems().List()) {
        THierarchicalWriter* line = table->AddChild(tr);
        for (int a = 0; a < axisCount; ++a) line->AddChild(td, captions[size_t(a)].value(item.AxisIDs[a]));
        for (int v = 0; v < valueCount; ++v) line->AddChildFloat(td, item.Values[v]);
    }
}

QString DataHTMLTitle(const QString& title) {
    QString out;
    out.reserve(title.size());
    bool inText = false;   // the previous character belongs to a run of text
    for (QChar c : title) {
        if (c == QLatin1Char('\r')) {
            out += QLatin1String("<br>");
            inText = false;
        } else if (c == QLatin1Char('\n')) {
            if (inText) out += QLatin1String("<br>");
            inText = false;
        } else {
            if (c == QLatin1Char('<')) out += QLatin1String("&lt;");
            else if (c == QLatin1Char('>')) out += QLatin1String("&gt;");
            else out += c;
            inText = true;
        }
    }
    return out;
}

QByteArray DataHTMLPage(const TPivotCubeData& cube) {
    QString page = QStringLiteral(
        "<html>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html;charset=utf-8\"/>\r\n"
        "<head>\r\n");
    page += QStringLiteral("<title>") + DataHTMLTitle(cube.Description().Nom) + QStringLiteral("</title>\r\n");
    page += QStringLiteral(
        "<style type=\"text/css\"><!--\r\n"
        "table.PivotCubeData { font-size: smaller; font-family: Arial; border: solid; background: #E0E0E0; }\r\n"
        "table.PivotCubeData th { font-weight: bold; background: #F0F0F0; vertical-align: top; }\r\n"
        "table.PivotCubeData td { background: #FFFFFF; white-space: nowrap; }\r\n"
        "--></style>\r\n"
        "</head>\r\n");
    {
        TXMLHierarchicalWriter body(QStringLiteral("body"));
        WriteDataTable(cube, body);
        page += body.ToText(true);
    }
    page += QStringLiteral("</html>");
    return page.toUtf8();
}

void ExportDataHTML(const TPivotCubeData& cube, TStream& stream) { stream.WriteBytes(DataHTMLPage(cube)); }

void AppendCSVField(QByteArray& out, const QString& text) {
    bool quote = false, ascii = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == ',' || u == '"' || u == '\r' || u == '\n') quote = true;
        if (u >= 0x80) ascii = false;
    }
    if (!quote) {
        // Most fields are numbers: their bytes are their characters.
        if (ascii) {
            const qsizetype at = out.size();
            out.resize(at + text.size());
            char* p = out.data() + at;
            for (const QChar c : text) *p++ = char(c.unicode());
        } else {
            out += text.toUtf8();
        }
        return;
    }
    out += '"';
    for (const char c : text.toUtf8()) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

QByteArray CSVField(const QString& text) {
    QByteArray out;
    AppendCSVField(out, text);
    return out;
}

QByteArray ShortestNumberText(double value) {
    if (std::isnan(value)) return QByteArrayLiteral("nan");
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QByteArray(buffer, qsizetype(result.ptr - buffer));
}

QByteArray ExportDataCSV(const TPivotCubeData& cube) {
    const TPivotCubeAxises& axes = cube.Axises();
    const TPivotCubeValues& values = cube.Values();
    const int axisCount = axes.Count(), valueCount = values.Count();
    const int columns = axisCount + valueCount;
    QByteArray out;
    // After each field: a comma, or CR LF after the last one of the line.
    auto separate = [&](int column) {
        if (column + 1 < columns) out += ',';
        else out += "\r\n";
    };
    if (columns == 0) return out;

    // With one column, a field of nothing but blanks is quoted: alone on its
    // line it would read as a blank line, and a file of such lines as empty.
    const auto blankOnly = [](const auto& text) {
        return std::all_of(text.begin(), text.end(), [](auto c) { return c == ' ' || c == '\t'; });
    };
    static const QByteArray kNoCaption;
    const auto appendField = [&](const QByteArray& field) {
        if (columns == 1 && blankOnly(field)) out += '"' + field + '"';
        else out += field;
    };
    for (int a = 0; a < axisCount; ++a) {
        appendField(CSVField(axes[a]->Nom()));
        separate(a);
    }
    for (int v = 0; v < valueCount; ++v) {
        appendField(CSVField(values[v]->Nom()));
        separate(axisCount + v);
    }

    // A file that starts with a byte order mark has it taken away on reading:
    // a first name that starts with U+FEFF is quoted to keep it. Bare, it
    // holds no comma, quote or line break, so it ends at the first ',' or CR.
    if (out.startsWith("\xEF\xBB\xBF")) {
        const auto fieldEnd = std::find_if(out.cbegin(), out.cend(), [](char c) { return c == ',' || c == '\r'; });
        out.insert(fieldEnd - out.cbegin(), '"');
        out.prepend('"');
    }

    const auto captions = captionTables<QByteArray>(cube, [](const QString& c) { return CSVField(c); });
    const TPCDataItems& items = cube.DataItems();
    out.reserve(out.size() + qsizetype(items.Count()) * (columns * 10 + 2));
    char buffer[32];
    for (const TPCDataItem& item : items.List()) {
        for (int a = 0; a < axisCount; ++a) {
            auto found = captions[size_t(a)].constFind(item.AxisIDs[a]);
            appendField(found != captions[size_t(a)].constEnd() ? *found : kNoCaption);
            separate(a);
        }
        for (int v = 0; v < valueCount; ++v) {
            const double x = item.Values[v];
            if (std::isnan(x)) {
                out += "nan";
            } else {
                auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
                out.append(buffer, qsizetype(result.ptr - buffer));
            }
            separate(axisCount + v);
        }
    }
    return out;
}
