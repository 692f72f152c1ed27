// Axes and their members: member order, member search and insertion, the stored form.
#include "UPivotCube.h"
#include "UPivotCubeOwnedLists.h"

#include "USysUtils.h"

#include <algorithm>
#include <limits>

LORVANE_IMPLEMENT_CLASS(TPivotCubeAxis, TClipBoardAble)
LORVANE_IMPLEMENT_CLASS(TPivotCubeAxises, TClipBoardAble)

namespace {

// Number value of a caption: optional sign, digits with '.' or ',' as the
// decimal separator, optional exponent; trailing blanks ignored; else 0.
double captionNumber(const QString& caption) {
    qsizetype end = caption.size();
    while (end > 0 && caption[end - 1] == QLatin1Char(' ')) --end;
    QByteArray text;
    text.reserve(end);
    qsizetype i = 0;
    auto digitsFrom = [&](qsizetype& k) {
        qsizetype start = k;
        while (k < end && caption[k] >= QLatin1Char('0') && caption[k] <= QLatin1Char('9')) text += char(caption[k++].unicode());
        return k - start;
    };
    if (i < end && (caption[i] == QLatin1Char('+') || caption[i] == QLatin1Char('-'))) text += char(caption[i++].unicode());
    qsizetype digits = digitsFrom(i);
    if (i < end && (caption[i] == QLatin1Char('.') || caption[i] == QLatin1Char(','))) {
        text += '.';
        ++i;
        digits += digitsFrom(i);
    }
    if (digits == 0) return 0;
    if (i < end && (caption[i] == QLatin1Char('e') || caption[i] == QLatin1Char('E'))) {
        text += 'e';
        ++i;
        if (i < end && (caption[i] == QLatin1Char('+') || caption[i] == QLatin1Char('-'))) text += char(caption[i++].unicode());
        if (digitsFrom(i) == 0) return 0;
    }
    if (i != end) return 0;
    bool ok = false;
    double value = text.toDouble(&ok);
    return ok ? value : 0;
}

[[noreturn]] void failNoComparator() {
    throw EAssertionFailed(QStringLiteral("Assertion failure (pivotcube\\UPivotCube, line 1398)"));
}

} // namespace

TPivotCubeAxis::TPivotCubeAxis() = default;

int TPivotCubeAxis::CompareMembers(const TPivotCubeAxisData& a, const TPivotCubeAxisData& b) const {
    switch (SortStyle) {
    case pcsCaption: return CompareTextAsciiCI(a.Caption, b.Caption);
    case pcsCaptionCaseSensitive: {
        int c = QString::compare(a.Caption, b.Caption, Qt::CaseSensitive);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    case pcsInteger: {
        // The difference is taken in 64 bits so that distant values keep their order.
        int64_t d = int64_t(StrToIntDef(a.Caption, 0)) - int64_t(StrToIntDef(b.Caption, 0));
        return d < 0 ? -1 : d > 0 ? 1 : 0;
    }
    case pcsNumber: {
        double d = captionNumber(a.Caption) - captionNumber(b.Caption);
        return d < 0 ? -1 : d > 0 ? 1 : 0;
    }
    case pcsID: return a.ID < b.ID ? -1 : a.ID > b.ID ? 1 : 0;
    default: failNoComparator();
    }
}

int TPivotCubeAxis::IndexOfID(int32_t id) const {
    for (size_t i = 0; i < Members.size(); ++i)
        if (Members[i].ID == id) return int(i);
    return -1;
}

QString TPivotCubeAxis::CaptionOf(int32_t id) const {
    int i = IndexOfID(id);
    return i >= 0 ? Members[size_t(i)].Caption : QString();
}

bool TPivotCubeAxis::FindMember(const QString& text, int& position) const {
    if (SortStyle > pcsID) failNoComparator();
    TPivotCubeAxisData probe;
    if (SortStyle == pcsID) {
        probe.ID = StrToIntDef(text, -1);
        if (probe.ID == -1 && !text.isEmpty()) {
            for (size_t i = 0; i < Members.size(); ++i)
                if (Members[i].Caption == text) {
                    position = int(i);
                    return true;
                }
            position = 0;
            return false;
        }
    } else {
        probe.Caption = text;
    }
    // Binary search for the leftmost member not below the probe.
    int lo = 0, hi = int(Members.size()) - 1;
    bool found = false;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = CompareMembers(Members[size_t(mid)], probe);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) found = true;
        }
    }
    position = lo;
    return found;
}

int32_t TPivotCubeAxis::IDOfCaption(const QString& text) const {
    int position = 0;
    return FindMember(text, position) ? Members[size_t(position)].ID : -1;
}

int32_t TPivotCubeAxis::FindOrAddMember(const QString& text) {
    int position = 0;
    if (FindMember(text, position)) return Members[size_t(position)].ID;
    // IDs may have gaps (members removed by the authoring side): the count
    // plus one could name an existing member, the largest ID plus one never does.
    int32_t largest = 0;
    for (const TPivotCubeAxisData& m : Members) largest = std::max(largest, m.ID);
    if (largest == std::numeric_limits<int32_t>::max())
        throw Exception(QStringLiteral("No member ID left in axis \"%1\"").arg(Description.Nom));
    const int32_t id = largest + 1;
    Members.insert(Members.begin() + position, TPivotCubeAxisData{id, -1, text});
    return id;
}

void TPivotCubeAxis::WriteToFiler(TVirtualWriter& writer) const {
    writer.WriteVersion(0);
    writer.WriteInteger("ParentAxis", ParentAxis ? ParentAxis->Index : -1);
    writer.WriteBoolean("ParentLinked", ParentLinked);
    writer.WriteString("Category", Category);
    Description.WriteToFiler(writer);
    writer.WriteInteger("SortStyle", SortStyle);
    writer.WriteInteger("Count", int32_t(Members.size()));
    for (const TPivotCubeAxisData& m : Members) {
        writer.WriteInteger("ID", m.ID);
        writer.WriteInteger("ParentID", m.ParentID);
        writer.WriteString("Caption", m.Caption);
    }
    writer.WriteVersionEnd();
}

void TPivotCubeAxis::ReadFromFiler(TVirtualReader& reader) {
    int32_t version = reader.ReadVersion();
    if (version != 0) RaiseFilerException(version);
    FParentAxisIndex = reader.ReadInteger("ParentAxis");
    ParentAxis = nullptr;
    ParentLinked = reader.ReadBoolean("ParentLinked");
    Category = reader.ReadString("Category");
    Description.ReadFromFiler(reader);
    SortStyle = uint8_t(reader.ReadInteger("SortStyle"));
    int32_t count = reader.ReadInteger("Count");
    // A member takes at least six bytes: the count is bounded by the input.
    if (count < 0 || count > reader.Stream().Remaining() / 6)
        throw EReadError(QStringLiteral("TPivotCubeAxis.ReadFromFiler : stored member count %1 exceeds the remaining data").arg(count));
    Members.clear();
    Members.resize(size_t(count));
    for (TPivotCubeAxisData& m : Members) {
        m.ID = reader.ReadInteger("ID");
        m.ParentID = reader.ReadInteger("ParentID");
        m.Caption = reader.ReadString("Caption");
    }
    reader.ReadVersionEnd();
}

// --- TPivotCubeAxises ------------------------------------------------------

int TPivotCubeAxises::IndexOfName(const QString& name) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->Nom() == name) return int(i);
    return -1;
}

TPivotCubeAxis* TPivotCubeAxises::FindByName(const QString& name) const {
    int i = IndexOfName(name);
    return i >= 0 ? FItems[size_t(i)].get() : nullptr;
}

TPivotCubeAxis* TPivotCubeAxises::Add(std::unique_ptr<TPivotCubeAxis> axis) {
    axis->Owner = this;
    axis->Index = Count();
    FItems.push_back(std::move(axis));
    return FItems.back().get();
}

void TPivotCubeAxises::WriteToFiler(TVirtualWriter& writer) const {
    writer.WriteVersion(0);
    WriteObjectList(writer, TVectorObjectListView<TPivotCubeAxis>(FItems));
    writer.WriteVersionEnd();
}

void TPivotCubeAxises::ReadFromFiler(TVirtualReader& reader) {
    int32_t version = reader.ReadVersion();
    if (version != 0) RaiseFilerException(version);
    ReadOwnedObjectList(reader, this, FItems, "TPivotCubeAxises");
    reader.ReadVersionEnd();
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        TPivotCubeAxis* axis = FItems[size_t(i)].get();
        axis->Index = i;
        const int32_t parent = axis->StoredParentAxisIndex();
        if (parent < -1 || parent >= count)
            throw EFilerException(QStringLiteral("TPivotCubeAxises.ReadFromFiler : axis \"%1\" names parent axis %2, but there are %3 axes")
                                      .arg(axis->Nom())
                                      .arg(parent)
                                      .arg(count));
        axis->ParentAxis = parent >= 0 ? FItems[size_t(parent)].get() : nullptr;
    }
}
