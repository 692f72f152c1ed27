// Fuzz target: a CSV text made into a cube. The first byte picks the reading
// (delimiter, encoding, a month axis, a parent link); the rest is the file.
// Every input must import or fail with an ECsvImportError. An imported cube
// must hold items within its axes, members in their axis's order, and its raw
// data export, imported again with the same roles, must give the same cube.
#include "CPivotCubeDataExport.h"
#include "UPivotCubeCsvImport.h"

#include <cstdint>
#include <cstdlib>

namespace {

QByteArray filerBytes(const TPivotCubeData& cube) {
    TMemoryStream stream;
    {
        TBinaryWriter writer(stream, 4096);
        cube.WriteToFiler(writer);
    }
    return stream.Data();
}

void check(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t pick = data[0];
    const QByteArrayView csv(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    static const char delimiters[] = {0, ',', ';', '\t'};
    TCsvImportOptions options;
    options.Format.Delimiter = delimiters[pick & 3];
    options.Format.Encoding = pick & 4 ? TCsvEncoding::Latin1 : TCsvEncoding::Utf8;
    // A decimal comma reads some texts as numbers that the export writes otherwise: no round trip then.
    const bool decimalComma = (pick & 8) && options.Format.Delimiter != ',';
    if (decimalComma) options.Format.Decimal = ',';
    options.Title = QStringLiteral("T");
    if (pick & 0x30) {
        TCsvPreview preview;
        try {
            preview = PreviewCsvBytes(csv, options.Format, 1);
        } catch (const ECsvImportError&) {
            return 0;
        }
        if ((pick & 0x10) && !preview.Names.isEmpty()) options.MonthColumns = {preview.Names.first()};
        if ((pick & 0x20) && preview.Names.size() >= 2) options.Parents = {{preview.Names[1], preview.Names[0]}};
    }

    TCsvImportResult first;
    try {
        first = ImportCsvBytes(csv, options);
    } catch (const ECsvImportError&) {
        return 0;
    }
    const TPivotCubeData& cube = *first.Cube;
    cube.CheckDataItems();   // throws (and fails the run) for an ID outside its axis
    for (int a = 0; a < cube.Axises().Count(); ++a) {
        const TPivotCubeAxis& axis = *cube.Axises()[a];
        for (int m = 0; m < axis.MemberCount(); ++m) {
            check(axis.Members[size_t(m)].ID == m + 1);
            if (m > 0) check(axis.CompareMembers(axis.Members[size_t(m - 1)], axis.Members[size_t(m)]) <= 0);
            // An axis ordered by ID looks up an empty text as the ID -1.
            if (axis.SortStyle != pcsID || !axis.Members[size_t(m)].Caption.isEmpty())
                check(axis.IDOfCaption(axis.Members[size_t(m)].Caption) > 0);
        }
    }
    if (decimalComma) return 0;

    TCsvImportOptions again;
    again.Format.Delimiter = ',';   // the export's; a name may hold a ';'
    again.Title = options.Title;
    for (const TCsvColumnReport& c : first.Columns)
        again.Columns.push_back({c.Name, c.Role == TCsvColumnRole::MonthAxis ? TCsvColumnRole::Axis : c.Role, c.Operator, c.Parent});
    const TCsvImportResult second = ImportCsvBytes(ExportDataCSV(cube), again);
    check(filerBytes(*second.Cube) == filerBytes(cube));
    return 0;
}
