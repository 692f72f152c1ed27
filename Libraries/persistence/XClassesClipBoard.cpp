// Clipboard transfer of persistable objects through the clipboard interface.
#include "XClasses.h"

#include <QMutex>

namespace {
TMemoryClipBoard& memoryClipBoard() {
    static TMemoryClipBoard board;
    return board;
}
IClipBoard* gClipBoard = nullptr;
const QString kPrefix = QStringLiteral("CF_");
} // namespace

QStringList TMemoryClipBoard::Formats() const {
    QStringList names;
    for (const auto& f : FFormats) names << f.first;
    return names;
}

QByteArray TMemoryClipBoard::Data(const QString& format) const {
    for (const auto& f : FFormats)
        if (f.first == format) return f.second;
    return {};
}

void TMemoryClipBoard::SetContents(const QString& format, const QByteArray& data, const QString& text) {
    Clear();
    AddFormat(format, data);
    FText = text;
}

void TMemoryClipBoard::Clear() {
    FFormats.clear();
    FText.clear();
}

void TMemoryClipBoard::AddFormat(const QString& format, const QByteArray& data) { FFormats.append({format, data}); }

IClipBoard& ClipBoard() { return gClipBoard ? *gClipBoard : memoryClipBoard(); }

void SetClipBoard(IClipBoard* clipBoard) { gClipBoard = clipBoard; }

QString TClipBoardAble::GetClipBoardFormatName(TPersistentClass aClass) { return kPrefix + aClass->ClassName(); }

TPersistentClass TClipBoardAble::ClipBoardHeldClass(TPersistentClass own) {
    for (const QString& format : ClipBoard().Formats()) {
        if (!format.startsWith(kPrefix) || format.size() <= kPrefix.size()) continue;
        QString name = format.mid(kPrefix.size());
        if (name == own->ClassName()) return own;
        TPersistentClass found = FindPersistentClass(name, false);
        if (found && found->InheritsFrom(TClipBoardAble::StaticClass())) return found;
        return nullptr;
    }
    return nullptr;
}

bool TClipBoardAble::HeldByClipBoard() const {
    const QString own = ClassName();
    for (TPersistentClass c = ClipBoardHeldClass(); c; c = c->Parent)
        if (c->ClassName() == own) return true;
    return false;
}

std::unique_ptr<TClipBoardAble> TClipBoardAble::CreateFromClipBoard(TPersistentClass own) {
    TPersistentClass held = ClipBoardHeldClass(own);
    if (!held || !held->Construct) return nullptr;
    std::unique_ptr<TVirtualConstructedObject> object(held->Construct());
    auto* able = dynamic_cast<TClipBoardAble*>(object.get());
    if (!able) return nullptr;
    object.release();
    std::unique_ptr<TClipBoardAble> result(able);
    result->PasteFromClipBoard();
    return result;
}

void TClipBoardAble::CopyToClipBoard() const {
    const QString format = GetClipBoardFormatName();
    ClipBoard().SetContents(format, SaveToString(), format);
}

void TClipBoardAble::CutToClipBoard(std::unique_ptr<TClipBoardAble> object) {
    if (object) object->CopyToClipBoard();
}

bool TClipBoardAble::PasteFromClipBoard() {
    const QString format = GetClipBoardFormatName();
    if (!ClipBoard().Formats().contains(format)) return false;
    QByteArray bytes = ClipBoard().Data(format);
    TReadOnlyStream stream(bytes);
    TBinaryReader reader(stream);
    ReadFromFiler(reader);
    return true;
}
