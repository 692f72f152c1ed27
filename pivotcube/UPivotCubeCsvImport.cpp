// CSV into a cube data set: the header and the plan of the columns, one pass
// over the records that fills the items with provisional member IDs (in the
// order the members are first met), then the members put in their axis's
// order and every ID renumbered to match.
#include "UPivotCubeCsvImport.h"

#include <QStringDecoder>
#include "UPivotCubeCsvCells.h"
#include "UPivotCubeCsvReader.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>
#include <sys/mman.h>

ECsvImportError::ECsvImportError(const QString& message, qint64 line, QString column)
    : Exception(message), Line(line), Column(std::move(column)) {}

TCsvColumnRole DefaultCsvRole(TCsvColumnKind kind) {
    return kind == TCsvColumnKind::Number ? TCsvColumnRole::Value : TCsvColumnRole::Axis;
}

namespace {

constexpr int kSampleLines = 1000;

// A cell's text inside a message, cut when long.
QString shown(const QString& text) {
    return text.size() > 40 ? text.left(40) + QStringLiteral("...") : text;
}

// Cells are told apart by their bytes: a field that starts with a byte-order
// mark (two files joined with cat) keeps it as a character, so that it stays
// a member of its own instead of merging with the field without it.
QString decode(const char* data, size_t size, TCsvEncoding encoding) {
    if (encoding == TCsvEncoding::Latin1) return QString::fromLatin1(data, qsizetype(size));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    return utf8.decode(QByteArrayView(data, qsizetype(size)));
}

[[noreturn]] void fail(qint64 line, const QString& column, const QString& what) {
    QString where = QStringLiteral("line %1").arg(line);
    if (!column.isNull()) where += QStringLiteral(", column '%1'").arg(column);
    throw ECsvImportError(where + QStringLiteral(": ") + what, line, column);
}

[[noreturn]] void failReader(const TCsvReader& reader, const QStringList& names) {
    const size_t field = reader.FaultField();
    const QString column = qsizetype(field) < names.size() ? names[qsizetype(field)] : QString();
    switch (reader.Fault()) {
    case TCsvReader::cfUnclosedQuote: fail(reader.RecordLine(), column, QStringLiteral("a quoted field is never closed"));
    case TCsvReader::cfTextAfterQuote:
        fail(reader.RecordLine(), column, QStringLiteral("text after the closing quote of a field (a quote inside a field is written twice)"));
    case TCsvReader::cfNulByte: fail(reader.RecordLine(), column, QStringLiteral("a NUL byte: this is not a text file"));
    case TCsvReader::cfTooManyFields:
        fail(reader.RecordLine(), QString(), QStringLiteral("more than %1 fields: this is not a table of data").arg(TCsvReader::MaxFields));
    case TCsvReader::cfFieldTooLong:
        fail(reader.RecordLine(), column, QStringLiteral("a field longer than %1 MiB: this is not a table of data").arg(TCsvReader::MaxFieldBytes >> 20));
    case TCsvReader::cfNone: break;
    }
    fail(reader.RecordLine(), column, QStringLiteral("unreadable"));
}

// The distinct texts of an axis column and their provisional IDs (1, 2, ...
// in the order met). The texts live in one arena; the table holds indexes.
class MemberDictionary {
public:
    // The provisional ID of the text; added tells whether it is new.
    int32_t FindOrAdd(const char* data, size_t size, bool& added) {
        if (FEntries.size() * 2 >= FSlots.size()) grow();
        const uint64_t h = hash(data, size);
        size_t slot = size_t(h) & (FSlots.size() - 1);
        for (;;) {
            const int32_t e = FSlots[slot];
            if (e < 0) break;
            const Entry& entry = FEntries[size_t(e)];
            if (entry.Hash == h && entry.Size == size && std::memcmp(FArena.data() + entry.Offset, data, size) == 0) {
                added = false;
                return e + 1;
            }
            slot = (slot + 1) & (FSlots.size() - 1);
        }
        if (FEntries.size() >= size_t(std::numeric_limits<int32_t>::max() - 1))
            throw ECsvImportError(QStringLiteral("more distinct texts in a column than an axis holds"));
        FSlots[slot] = int32_t(FEntries.size());
        FEntries.push_back({FArena.size(), size, h});
        FArena.append(data, size);
        added = true;
        return int32_t(FEntries.size());
    }
    int Count() const { return int(FEntries.size()); }
    const char* Data(int index) const { return FArena.data() + FEntries[size_t(index)].Offset; }
    size_t Size(int index) const { return FEntries[size_t(index)].Size; }

private:
    struct Entry {
        size_t Offset, Size;
        uint64_t Hash;
    };
    static uint64_t hash(const char* data, size_t size) {
        uint64_t h = 0x9E3779B97F4A7C15ull ^ size;
        size_t i = 0;
        for (; i + 8 <= size; i += 8) {
            uint64_t w;
            std::memcpy(&w, data + i, 8);
            h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
            h ^= h >> 29;
        }
        uint64_t tail = 0;
        std::memcpy(&tail, data + i, size - i);
        h = (h ^ tail) * 0x94D049BB133111EBull;
        return h ^ (h >> 32);
    }
    void grow() {
        const size_t size = FSlots.empty() ? 64 : FSlots.size() * 2;
        FSlots.assign(size, -1);
        for (size_t e = 0; e < FEntries.size(); ++e) {
            size_t slot = size_t(FEntries[e].Hash) & (size - 1);
            while (FSlots[slot] >= 0) slot = (slot + 1) & (size - 1);
            FSlots[slot] = int32_t(e);
        }
    }
    std::vector<int32_t> FSlots;
    std::vector<Entry> FEntries;
    std::string FArena;
};

// One column of the cube as it is being filled.
struct PlannedColumn {
    int Source = 0;   // its field in a record
    QString Name;
    TCsvColumnRole Role = TCsvColumnRole::Axis;
    bool Classified = false;   // the role came from the first lines: a value that meets a text becomes an axis
    QString Operator;
    QString ParentName;
    int Parent = -1;   // the planned column of the parent axis
    int Slot = 0;      // axis index or value index
    MemberDictionary Members;
    std::vector<int32_t> ParentOf;   // per provisional member: the parent's provisional ID
    std::vector<qint64> ParentLine;  // and the line where that was seen first
    TCsvKindTally Tally;
    qint64 EmptyCells = 0;
};

struct Header {
    QStringList Names;
    std::vector<TCsvKindTally> Sample;
    size_t SampleBytes = 0;
    int SampleLines = 0;
};

// The text of a file after its byte order mark, with its delimiter.
struct Text {
    const char* Begin;
    const char* End;
    char Delimiter;
};

Text textOf(QByteArrayView bytes, const TCsvFormat& format) {
    Text t{bytes.data(), bytes.data() + bytes.size(), format.Delimiter};
    SkipUtf8Bom(t.Begin, t.End);
    const char* p = t.Begin;
    while (p < t.End && (*p == '\r' || *p == '\n' || *p == ' ' || *p == '\t')) ++p;
    if (p == t.End) throw ECsvImportError(QStringLiteral("the file is empty: a CSV file starts with a line of column names"));
    if (t.Delimiter == 0) t.Delimiter = DetectCsvDelimiter(t.Begin, t.End);
    return t;
}

bool isBlankLine(const std::vector<TCsvField>& fields, int columns) {
    return columns > 1 && fields.size() == 1 && fields[0].Size == 0 && !fields[0].Quoted;
}

// The header's names and the kinds of the first lines' cells.
Header readHeader(const Text& text, const TCsvFormat& format, int sampleLines, std::vector<QStringList>* cells = nullptr) {
    Header h;
    TCsvReader reader(text.Begin, text.End, text.Delimiter);
    std::vector<TCsvField> fields;
    if (!reader.Next(fields)) failReader(reader, {});
    QHash<QString, qsizetype> seen;
    for (size_t i = 0; i < fields.size(); ++i) {
        const TCsvField& f = fields[i];
        if (format.Encoding == TCsvEncoding::Utf8 && !IsValidUtf8(f.Data, f.Size))
            fail(1, QString(), QStringLiteral("the name of column %1 is not UTF-8 text (a Latin-1 file is read with the latin1 encoding)").arg(i + 1));
        QString name = decode(f.Data, f.Size, format.Encoding);
        if (name.isEmpty()) name = QStringLiteral("Colonne %1").arg(i + 1);
        const auto earlier = seen.constFind(name);
        if (earlier != seen.constEnd())
            fail(1, name, QStringLiteral("the column name is given twice (columns %1 and %2)").arg(*earlier + 1).arg(i + 1));
        seen.insert(name, qsizetype(i));
        h.Names << name;
    }
    const int columns = int(h.Names.size());
    h.Sample.resize(size_t(columns));
    const size_t start = reader.Offset();
    while (h.SampleLines < sampleLines && reader.Next(fields)) {
        if (isBlankLine(fields, columns)) continue;
        // A ragged line is reported by the import; a preview shows what it can.
        const size_t n = std::min(fields.size(), size_t(columns));
        for (size_t i = 0; i < n; ++i) h.Sample[i].Add(fields[i].Data, fields[i].Size, format.Decimal);
        if (cells) {
            QStringList line;
            for (size_t i = 0; i < n; ++i) line << decode(fields[i].Data, fields[i].Size, format.Encoding);
            cells->push_back(line);
        }
        ++h.SampleLines;
    }
    if (reader.Fault() != TCsvReader::cfNone && !cells) failReader(reader, h.Names);
    h.SampleBytes = reader.Offset() - start;
    return h;
}

TCsvColumnKind kindOf(const TCsvKindTally& tally) { return TCsvColumnKind(tally.Kind()); }

// The columns to import, from the options and the first lines.
std::vector<PlannedColumn> planColumns(const Header& header, const TCsvImportOptions& options) {
    std::vector<PlannedColumn> plan;
    auto sourceOf = [&](const QString& name) {
        const qsizetype i = header.Names.indexOf(name);
        if (i < 0)
            throw ECsvImportError(QStringLiteral("there is no column named '%1' (the columns are: %2)")
                                      .arg(name, header.Names.join(QStringLiteral(", "))));
        return int(i);
    };
    auto plannedOf = [&](const QString& name) -> PlannedColumn* {
        for (PlannedColumn& c : plan)
            if (c.Name == name) return &c;
        return nullptr;
    };
    for (const TCsvColumnChoice& choice : options.Columns) {
        sourceOf(choice.Name);
        if (std::count_if(options.Columns.begin(), options.Columns.end(), [&](const TCsvColumnChoice& c) { return c.Name == choice.Name; }) > 1)
            throw ECsvImportError(QStringLiteral("the column '%1' is chosen twice").arg(choice.Name));
    }
    for (qsizetype i = 0; i < header.Names.size(); ++i) {
        PlannedColumn c;
        c.Source = int(i);
        c.Name = header.Names[i];
        c.Operator = QStringLiteral("Somme");
        const auto chosen = std::find_if(options.Columns.begin(), options.Columns.end(),
                                         [&](const TCsvColumnChoice& choice) { return choice.Name == c.Name; });
        if (chosen != options.Columns.end()) {
            c.Role = chosen->Role;
            if (!chosen->Operator.isEmpty()) c.Operator = chosen->Operator;
            c.ParentName = chosen->Parent;
        } else {
            c.Role = DefaultCsvRole(kindOf(header.Sample[size_t(i)]));
            c.Classified = c.Role == TCsvColumnRole::Value;
        }
        plan.push_back(std::move(c));
    }
    for (const QString& name : options.MonthColumns) {
        sourceOf(name);
        PlannedColumn* c = plannedOf(name);
        if (c->Role == TCsvColumnRole::Value || c->Role == TCsvColumnRole::Ignore)
            throw ECsvImportError(QStringLiteral("the column '%1' is chosen as a value or left out: it cannot be an axis of months").arg(name));
        c->Role = TCsvColumnRole::MonthAxis;
        c->Classified = false;
    }
    for (const auto& [child, parent] : options.Parents) {
        sourceOf(child);
        PlannedColumn* c = plannedOf(child);
        if (c->Role == TCsvColumnRole::Value || c->Role == TCsvColumnRole::Ignore)
            throw ECsvImportError(QStringLiteral("the column '%1' is not an axis: it cannot have a parent").arg(child));
        c->ParentName = parent;
    }
    // The "Ignore" choices are gone; cross-check roles, operators and parents.
    plan.erase(std::remove_if(plan.begin(), plan.end(), [](const PlannedColumn& c) { return c.Role == TCsvColumnRole::Ignore; }),
               plan.end());
    if (plan.empty()) throw ECsvImportError(QStringLiteral("no column is imported"));
    QStringList operators;
    for (const TRegisteredPCGroupOperator& r : RegisteredGroupOperators()) operators << r.Name;
    for (size_t i = 0; i < plan.size(); ++i) {
        PlannedColumn& c = plan[i];
        if (c.Role == TCsvColumnRole::Value && !GroupOperatorByName(c.Operator))
            throw ECsvImportError(QStringLiteral("unknown operator '%1' for the column '%2' (choose from %3)")
                                      .arg(c.Operator, c.Name, operators.join(QStringLiteral(", "))));
        if (c.ParentName.isEmpty()) continue;
        if (c.Role == TCsvColumnRole::Value)
            throw ECsvImportError(QStringLiteral("the column '%1' is not an axis: it cannot have a parent").arg(c.Name));
        sourceOf(c.ParentName);
        const PlannedColumn* parent = plannedOf(c.ParentName);
        if (!parent || parent->Role == TCsvColumnRole::Value)
            throw ECsvImportError(QStringLiteral("the parent '%1' of '%2' is not an axis").arg(c.ParentName, c.Name));
        if (parent == &c) throw ECsvImportError(QStringLiteral("the axis '%1' cannot be its own parent").arg(c.Name));
        c.Parent = int(parent - plan.data());
    }
    // A parent chain that comes back to where it started would never end.
    for (size_t i = 0; i < plan.size(); ++i) {
        int at = plan[i].Parent;
        for (size_t steps = 0; at >= 0; ++steps) {
            if (size_t(at) == i || steps > plan.size())
                throw ECsvImportError(QStringLiteral("the parent links of '%1' go round in a circle").arg(plan[i].Name));
            at = plan[size_t(at)].Parent;
        }
    }
    return plan;
}

// What one pass over the records gave; the classified value columns that met
// a text are named so that the pass can be run again with them as axes.
struct Pass {
    std::unique_ptr<TPivotCubeData> Cube;
    qint64 DataLines = 0;
    std::vector<size_t> Demoted;
};

// After a classified value column met a text: the rest of the records only
// looked at for the other classified value columns that will, so that a
// second pass is the last.
void findOtherDemotions(TCsvReader& reader, std::vector<TCsvField>& fields, const std::vector<PlannedColumn>& plan, int columns,
                        char decimal, std::vector<size_t>& demoted) {
    std::vector<size_t> watched;
    for (size_t k = 0; k < plan.size(); ++k)
        if (plan[k].Classified && std::find(demoted.begin(), demoted.end(), k) == demoted.end()) watched.push_back(k);
    while (!watched.empty() && reader.Next(fields)) {
        if (int(fields.size()) != columns) continue;   // reported by the next pass
        for (auto at = watched.begin(); at != watched.end();) {
            const TCsvField& f = fields[size_t(plan[*at].Source)];
            double x;
            if (ParseCsvNumber(f.Data, f.Size, decimal, x) || IsCsvBlank(f.Data, f.Size)) {
                ++at;
                continue;
            }
            demoted.push_back(*at);
            at = watched.erase(at);
        }
    }
}

Pass fillCube(const Text& text, const TCsvImportOptions& options, const Header& header, std::vector<PlannedColumn>& plan,
              const TCsvProgress& onProgress) {
    Pass pass;
    pass.Cube = std::make_unique<TPivotCubeData>();
    TPivotCubeData& cube = *pass.Cube;
    cube.Description().Nom = options.Title;
    int axisCount = 0, valueCount = 0;
    for (PlannedColumn& c : plan) {
        c.Members = MemberDictionary();
        c.ParentOf.clear();
        c.ParentLine.clear();
        c.Tally = TCsvKindTally();
        c.EmptyCells = 0;
        if (c.Role == TCsvColumnRole::Value) {
            auto value = std::make_unique<TPivotCubeValue>();
            value->Description.Nom = c.Name;
            value->SetGroupOperatorName(c.Operator);
            c.Slot = valueCount++;
            cube.Values().Add(std::move(value));
        } else {
            auto axis = std::make_unique<TPivotCubeAxis>();
            axis->Description.Nom = c.Name;
            c.Slot = axisCount++;
            cube.Axises().Add(std::move(axis));
        }
    }
    const char decimal = options.Format.Decimal;
    const bool utf8 = options.Format.Encoding == TCsvEncoding::Utf8;
    const int columns = int(header.Names.size());
    const size_t total = size_t(text.End - text.Begin);
    if (header.SampleLines > 0 && header.SampleBytes > 0) {
        const double estimate = double(total) / (double(header.SampleBytes) / header.SampleLines) * 1.05;
        // A guess: the list grows beyond it, and a wrong one costs no more than this.
        cube.DataItems().Reserve(int(std::min(estimate, double(1 << 24))));
    }

    std::vector<int32_t> ids(size_t(std::max(axisCount, 1)));
    std::vector<double> values(size_t(std::max(valueCount, 1)));
    std::vector<TCsvField> fields;
    fields.reserve(size_t(columns) + 1);
    TCsvReader reader(text.Begin, text.End, text.Delimiter);
    reader.Next(fields);   // the header, read before
    char month[7];
    qint64 lines = 0;
    while (reader.Next(fields)) {
        if (isBlankLine(fields, columns)) continue;
        const qint64 line = reader.RecordLine();
        if (int(fields.size()) != columns)
            fail(line, QString(), QStringLiteral("%1 field%2 where the header has %3").arg(fields.size()).arg(fields.size() == 1 ? QLatin1String("") : QLatin1String("s")).arg(columns));
        if (lines >= std::numeric_limits<int>::max() - 1)
            fail(line, QString(), QStringLiteral("more data lines than a cube holds (%1)").arg(std::numeric_limits<int>::max() - 1));
        for (size_t k = 0; k < plan.size(); ++k) {
            PlannedColumn& c = plan[k];
            const TCsvField& f = fields[size_t(c.Source)];
            if (c.Role == TCsvColumnRole::Value) {
                double& x = values[size_t(c.Slot)];
                if (ParseCsvNumber(f.Data, f.Size, decimal, x)) continue;
                if (IsCsvBlank(f.Data, f.Size)) {
                    x = 0;
                    ++c.EmptyCells;
                    continue;
                }
                if (c.Classified) {
                    pass.Demoted.push_back(k);
                    findOtherDemotions(reader, fields, plan, columns, decimal, pass.Demoted);
                    return pass;
                }
                fail(line, c.Name, QStringLiteral("'%1' is not a number%2")
                                       .arg(shown(decode(f.Data, f.Size, options.Format.Encoding)),
                                            decimal == '.' && std::memchr(f.Data, ',', f.Size) ? QStringLiteral(" (a decimal comma needs ',' as decimal separator)") : QString()));
            }
            const char* key = f.Data;
            size_t keySize = f.Size;
            if (c.Role == TCsvColumnRole::MonthAxis && !IsCsvBlank(f.Data, f.Size)) {
                TCsvDate date;
                if (!ParseCsvDate(f.Data, f.Size, date))
                    fail(line, c.Name, QStringLiteral("'%1' is not a date (yyyy-mm-dd or dd/mm/yyyy)").arg(shown(decode(f.Data, f.Size, options.Format.Encoding))));
                const int year = date.Year;
                month[0] = char('0' + year / 1000);
                month[1] = char('0' + year / 100 % 10);
                month[2] = char('0' + year / 10 % 10);
                month[3] = char('0' + year % 10);
                month[4] = '-';
                month[5] = char('0' + date.Month / 10);
                month[6] = char('0' + date.Month % 10);
                key = month;
                keySize = 7;
            } else if (c.Role == TCsvColumnRole::MonthAxis) {
                keySize = 0;
            }
            bool added = false;
            const int32_t id = c.Members.FindOrAdd(key, keySize, added);
            if (added) {
                if (utf8 && !IsValidUtf8(key, keySize))
                    fail(line, c.Name, QStringLiteral("not UTF-8 text (a Latin-1 file is read with the latin1 encoding)"));
                c.Tally.Add(key, keySize, decimal);
                if (c.Parent >= 0) {
                    c.ParentOf.push_back(0);
                    c.ParentLine.push_back(line);
                }
            }
            ids[size_t(c.Slot)] = id;
        }
        // Parent links: a member keeps the parent it was first seen with.
        for (PlannedColumn& c : plan) {
            if (c.Parent < 0) continue;
            const int32_t child = ids[size_t(c.Slot)];
            const int32_t parent = ids[size_t(plan[size_t(c.Parent)].Slot)];
            int32_t& known = c.ParentOf[size_t(child - 1)];
            if (known == 0) {
                known = parent;
            } else if (known != parent) {
                const MemberDictionary& pm = plan[size_t(c.Parent)].Members;
                fail(line, c.Name, QStringLiteral("'%1' is under '%2' here but under '%3' on line %4")
                                       .arg(shown(decode(c.Members.Data(child - 1), c.Members.Size(child - 1), options.Format.Encoding)),
                                            shown(decode(pm.Data(parent - 1), pm.Size(parent - 1), options.Format.Encoding)),
                                            shown(decode(pm.Data(known - 1), pm.Size(known - 1), options.Format.Encoding)))
                                       .arg(c.ParentLine[size_t(child - 1)]));
            }
        }
        cube.DataItems().Add(ids.data(), values.data());
        if ((++lines & 0x3FFF) == 0 && onProgress) onProgress(qint64(reader.Offset()), qint64(total));
    }
    if (reader.Fault() != TCsvReader::cfNone) failReader(reader, header.Names);
    pass.DataLines = lines;
    if (onProgress) onProgress(qint64(total), qint64(total));
    return pass;
}

// Puts an axis's members in their order and gives them the IDs 1..n in that
// order; returns the final ID of each provisional one.
std::vector<int32_t> settleMembers(PlannedColumn& c, TPivotCubeAxis& axis, TCsvEncoding encoding) {
    const int n = c.Members.Count();
    TCsvColumnKind kind = c.Role == TCsvColumnRole::MonthAxis ? TCsvColumnKind::Date : kindOf(c.Tally);
    axis.Members.resize(size_t(n));
    for (int i = 0; i < n; ++i) axis.Members[size_t(i)] = {i + 1, 0, decode(c.Members.Data(i), c.Members.Size(i), encoding)};
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    const auto byCaption = [&](int a, int b) { return axis.Members[size_t(a)].Caption < axis.Members[size_t(b)].Caption; };
    // Dates written year first are in order as texts; day first, they are
    // ordered by the day they name and keep their text.
    bool dayFirst = false;
    for (int i = 0; i < n && kind == TCsvColumnKind::Date; ++i)
        if (c.Members.Size(i) > 2 && c.Members.Data(i)[2] == '/') dayFirst = true;
    if (kind == TCsvColumnKind::Date && c.Role != TCsvColumnRole::MonthAxis && dayFirst) {
        std::vector<double> keys(size_t(n), -1);
        for (int i = 0; i < n; ++i) {
            TCsvDate d;
            if (ParseCsvDate(c.Members.Data(i), c.Members.Size(i), d)) keys[size_t(i)] = d.SortKey();
        }
        axis.SortStyle = pcsID;
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            return keys[size_t(a)] != keys[size_t(b)] ? keys[size_t(a)] < keys[size_t(b)] : byCaption(a, b);
        });
    } else {
        axis.SortStyle = kind == TCsvColumnKind::Number ? pcsNumber : pcsCaption;
        const auto compare = [&](int a, int b) {
            const int r = axis.CompareMembers(axis.Members[size_t(a)], axis.Members[size_t(b)]);
            return r != 0 ? r < 0 : byCaption(a, b);
        };
        std::sort(order.begin(), order.end(), compare);
        // Two captions that differ only by case must stay two findable members.
        if (axis.SortStyle == pcsCaption)
            for (int i = 1; i < n; ++i)
                if (axis.CompareMembers(axis.Members[size_t(order[size_t(i - 1)])], axis.Members[size_t(order[size_t(i)])]) == 0) {
                    axis.SortStyle = pcsCaptionCaseSensitive;
                    std::sort(order.begin(), order.end(), compare);
                    break;
                }
    }
    std::vector<int32_t> finalID(size_t(n) + 1, 0);
    TPivotCubeAxisDatas sorted(static_cast<size_t>(n));
    for (int at = 0; at < n; ++at) {
        const int i = order[size_t(at)];
        finalID[size_t(i) + 1] = at + 1;
        sorted[size_t(at)] = {at + 1, 0, std::move(axis.Members[size_t(i)].Caption)};
    }
    axis.Members = std::move(sorted);
    return finalID;
}

// Whether every text of an axis column is a number once ',' is the decimal separator.
bool allDecimalCommas(const PlannedColumn& c) {
    bool any = false;
    for (int i = 0; i < c.Members.Count(); ++i) {
        const char* data = c.Members.Data(i);
        const size_t size = c.Members.Size(i);
        if (IsCsvBlank(data, size)) continue;
        double x;
        if (!std::memchr(data, ',', size) || !ParseCsvNumber(data, size, ',', x)) {
            if (!ParseCsvNumber(data, size, '.', x)) return false;
            continue;
        }
        any = true;
    }
    return any;
}

TCsvColumnReport reportOf(const PlannedColumn& c, const TPivotCubeData& cube, char decimal) {
    TCsvColumnReport r;
    r.Name = c.Name;
    r.Role = c.Role;
    r.Kind = c.Role == TCsvColumnRole::MonthAxis ? TCsvColumnKind::Date : kindOf(c.Tally);
    if (c.Role == TCsvColumnRole::Value) {
        r.Kind = TCsvColumnKind::Number;
        r.Operator = c.Operator;
        r.EmptyCells = c.EmptyCells;
    } else {
        r.Parent = c.ParentName;
        r.Members = cube.Axises()[c.Slot]->MemberCount();
        r.DecimalCommas = decimal == '.' && r.Kind == TCsvColumnKind::Text && c.Role == TCsvColumnRole::Axis && allDecimalCommas(c);
    }
    return r;
}

} // namespace

TCsvImportResult ImportCsvBytes(QByteArrayView bytes, const TCsvImportOptions& options, const TCsvProgress& onProgress) {
    if (options.Format.Decimal != '.' && options.Format.Decimal != ',')
        throw ECsvImportError(QStringLiteral("the decimal separator is '.' or ','"));
    if (options.Format.Delimiter != 0 && options.Format.Delimiter == options.Format.Decimal)
        throw ECsvImportError(QStringLiteral("the delimiter and the decimal separator must differ"));
    if (options.Format.Delimiter == '"' || options.Format.Delimiter == '\r' || options.Format.Delimiter == '\n')
        throw ECsvImportError(QStringLiteral("a quote or a line break cannot be the delimiter"));
    const Text text = textOf(bytes, options.Format);
    const Header header = readHeader(text, options.Format, kSampleLines);
    std::vector<PlannedColumn> plan = planColumns(header, options);
    Pass pass;
    for (;;) {
        pass = fillCube(text, options, header, plan, onProgress);
        if (pass.Demoted.empty()) break;
        // A column of numbers in the first lines holds a text further on: it is an axis.
        for (const size_t k : pass.Demoted) {
            plan[k].Role = TCsvColumnRole::Axis;
            plan[k].Classified = false;
        }
    }

    TPivotCubeData& cube = *pass.Cube;
    std::vector<std::vector<int32_t>> finalIDs(plan.size());
    for (size_t k = 0; k < plan.size(); ++k)
        if (plan[k].Role != TCsvColumnRole::Value)
            finalIDs[k] = settleMembers(plan[k], *cube.Axises()[plan[k].Slot], options.Format.Encoding);
    for (size_t k = 0; k < plan.size(); ++k) {
        const PlannedColumn& c = plan[k];
        if (c.Parent < 0) continue;
        TPivotCubeAxis& axis = *cube.Axises()[c.Slot];
        axis.ParentAxis = cube.Axises()[plan[size_t(c.Parent)].Slot];
        axis.ParentLinked = true;
        for (int i = 0; i < c.Members.Count(); ++i)
            axis.Members[size_t(finalIDs[k][size_t(i) + 1] - 1)].ParentID = finalIDs[size_t(c.Parent)][size_t(c.ParentOf[size_t(i)])];
    }
    // The items take the final IDs.
    std::vector<std::pair<int, const int32_t*>> renumber;
    for (size_t k = 0; k < plan.size(); ++k)
        if (plan[k].Role != TCsvColumnRole::Value) renumber.emplace_back(plan[k].Slot, finalIDs[k].data());
    for (const TPCDataItem& item : cube.DataItems().List())
        for (const auto& [slot, table] : renumber) item.AxisIDs[slot] = table[item.AxisIDs[slot]];

    TCsvImportResult result;
    result.Delimiter = text.Delimiter;
    result.DataLines = pass.DataLines;
    for (const PlannedColumn& c : plan)
        if (c.Role != TCsvColumnRole::Value) result.Columns.push_back(reportOf(c, cube, options.Format.Decimal));
    for (const PlannedColumn& c : plan)
        if (c.Role == TCsvColumnRole::Value) {
            result.Columns.push_back(reportOf(c, cube, options.Format.Decimal));
            result.EmptyNumbers += c.EmptyCells;
        }
    for (qsizetype i = 0; i < header.Names.size(); ++i)
        if (std::none_of(plan.begin(), plan.end(), [&](const PlannedColumn& c) { return c.Source == int(i); })) {
            TCsvColumnReport r;
            r.Name = header.Names[i];
            r.Kind = kindOf(header.Sample[size_t(i)]);
            result.Columns.push_back(r);
        }
    result.Cube = std::move(pass.Cube);
    return result;
}

namespace {

// A read-only mapping of a whole file (an empty file maps to nothing).
class MappedFile {
public:
    explicit MappedFile(const QString& fileName) : FFile(fileName) {
        const QFileInfo info(fileName);
        if (!info.exists()) throw ECsvImportError(QStringLiteral("No such file"));
        if (info.isDir()) throw ECsvImportError(QStringLiteral("Is a folder, not a CSV file"));
        if (!FFile.open(QIODevice::ReadOnly)) throw ECsvImportError(QStringLiteral("cannot read: %1").arg(FFile.errorString()));
        if (FFile.size() == 0) return;
        FData = FFile.map(0, FFile.size());
        if (!FData) throw ECsvImportError(QStringLiteral("cannot read: %1").arg(FFile.errorString()));
        // One pass from start to end: read ahead, and let the pages go behind.
        ::madvise(FData, size_t(FFile.size()), MADV_SEQUENTIAL);
        ::madvise(FData, size_t(FFile.size()), MADV_WILLNEED);
    }
    QByteArrayView Bytes() const { return FData ? QByteArrayView(reinterpret_cast<const char*>(FData), FFile.size()) : QByteArrayView(); }

private:
    QFile FFile;
    uchar* FData = nullptr;
};

} // namespace

TCsvImportResult ImportCsvFile(const QString& fileName, const TCsvImportOptions& options, const TCsvProgress& onProgress) {
    MappedFile file(fileName);
    return ImportCsvBytes(file.Bytes(), options, onProgress);
}

TCsvPreview PreviewCsvBytes(QByteArrayView bytes, const TCsvFormat& format, int maxLines) {
    const Text text = textOf(bytes, format);
    TCsvPreview preview;
    preview.Delimiter = text.Delimiter;
    const Header header = readHeader(text, format, maxLines, &preview.Lines);
    preview.Names = header.Names;
    for (const TCsvKindTally& t : header.Sample) preview.Kinds.push_back(kindOf(t));
    return preview;
}

TCsvPreview PreviewCsvFile(const QString& fileName, const TCsvFormat& format, int maxLines) {
    MappedFile file(fileName);
    return PreviewCsvBytes(file.Bytes(), format, maxLines);
}
