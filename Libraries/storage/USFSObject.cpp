#include "USFSObject.h"

#include "RC5.h"
#include "UCompressor.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <limits>
#include <string>

LORVANE_IMPLEMENT_CLASS(TSFSFile, TReadWriteAble)
LORVANE_REGISTER_CLASS(TSFSFile)
LORVANE_IMPLEMENT_CLASS(TSFSDirectory, TLoadSaveAble)
LORVANE_REGISTER_CLASS(TSFSDirectory)

namespace {

const QByteArray TagV100 = QByteArrayLiteral("SFSv1.00");
const QByteArray TagV101 = QByteArrayLiteral("SFSv1.01");
constexpr qint64 HeaderSize = 12;
constexpr qint64 LabelSize = 32;
// Deeper trees only come from damaged or hostile directories; reading them
// recursively would exhaust the stack.
constexpr int MaxDirectoryDepth = 256;
// Bytes of a stream form needed per 32768-byte chunk at best (length, flag,
// control word, 8 run items, checksum): a stored total above this ratio
// cannot be genuine.
constexpr qint64 MaxStreamFormExpansion = 1024;

// The 8-bit code page of "SFSv1.00" names (Windows-1252), the one the filer
// reads short strings with.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QByteArray toCodePage(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(char(u));
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i)
            if (kCp1252High[i] == u) mapped = char(0x80 + i);
        out.append(mapped);
    }
    return out;
}

qint32 readInt32(TStream& stream) {
    uint8_t b[4];
    stream.ReadBuffer(b, 4);
    return qint32(quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24);
}

void writeInt32(TStream& stream, qint32 value) {
    const quint32 v = quint32(value);
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    stream.WriteBuffer(b, 4);
}

std::string toStd(const QByteArray& bytes) { return std::string(bytes.constData(), size_t(bytes.size())); }
QByteArray fromStd(const std::string& bytes) { return QByteArray(bytes.data(), qsizetype(bytes.size())); }

[[noreturn]] void raiseTotalSizeTest() {
    throw Exception(QStringLiteral("DeCompressStream : data corrupt, failed total size test !"));
}

// The total a stream form held in memory states must be expected, and within
// what its bytes can hold.
void checkStoredTotal(const QByteArray& packed, qint64 expected) {
    if (packed.size() < 4) raiseTotalSizeTest();
    const auto* b = reinterpret_cast<const uint8_t*>(packed.constData());
    const qint32 total = qint32(quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24);
    if (total < 0 || total != expected || qint64(total) > qint64(packed.size()) * MaxStreamFormExpansion)
        raiseTotalSizeTest();
}

// Decompresses a whole stream form held in memory whose content must be
// expected bytes long; the stored total is checked before anything is
// allocated for it.
QByteArray inflateStreamForm(const QByteArray& packed, qint64 expected) {
    checkStoredTotal(packed, expected);
    TReadOnlyStream source(packed);
    TBlockBufferedStream dest;
    DeCompressStream(&source, &dest);
    if (dest.Size() != expected) raiseTotalSizeTest();
    return dest.GetDataString();
}

} // namespace

// ---------------------------------------------------------------------------
// TSFSFile

TSFSFile::~TSFSFile() = default;

void TSFSFile::WriteToFiler(TVirtualWriter& writer) const {
    writer.WriteVersion(0);
    if (FContainer && FContainer->EightBitNames())
        writer.WriteDataString("Name", toCodePage(FName));
    else
        writer.WriteString("Name", FName);
    writer.WriteInteger("Offset", Offset);
    writer.WriteInteger("Size", Size);
    writer.WriteInteger("ActualSize", ActualSize);
    writer.WriteInteger("Compression", Compression);
    writer.WriteVersionEnd();
}

void TSFSFile::ReadFromFiler(TVirtualReader& reader) {
    const int version = reader.ReadVersion();
    if (version != 0) RaiseFilerException(version);
    FName = reader.ReadString("Name");
    Offset = reader.ReadInteger("Offset");
    Size = reader.ReadInteger("Size");
    ActualSize = reader.ReadInteger("ActualSize");
    Compression = reader.ReadInteger("Compression");
    reader.ReadVersionEnd();
}

QByteArray TSFSFile::storedBytes(const char* operation) const {
    const QString where = ClassName() + QLatin1Char('.') + QLatin1String(operation);
    if (!FContainer) throw ESFSException(where + QStringLiteral(" : the entry has no container"));
    if (FContainer->FWriting) throw ESFSException(where + QStringLiteral(" : write only !"));
    TStream& stream = FContainer->stream(operation, this);
    if (Size <= 0) return {};
    if (Offset < HeaderSize || qint64(Offset) + Size > FContainer->FTrailer || ActualSize < 0)
        throw ESFSException(QStringLiteral("%1 : entry \"%2\" lies outside the container").arg(where, FName));
    if (Compression != sfsStored && Compression != sfsLZRW1 && Compression != sfsEncrypted &&
        Compression != sfsSignedUCL)
        throw ESFSException(QStringLiteral("%1 : unknown compression style").arg(where));

    stream.SetPosition(Offset);
    QByteArray stored(Size, Qt::Uninitialized);
    stream.ReadBuffer(stored.data(), Size);
    return stored;
}

QByteArray TSFSFile::streamForm(QByteArray stored) const {
    if (Compression != sfsEncrypted) return stored;
    // Decrypted in place: an entry can be as large as the document. Stored
    // bytes that are not whole blocks decrypt to nothing; the padding after
    // the stream form is ignored by the decompression.
    const QByteArray& key = FContainer->FPassword;
    const qsizetype whole = stored.size() % RC5BlockSize == 0 ? stored.size() : 0;
    if (whole == 0) stored.clear();
    RC5DecryptBuffer(stored.data(), size_t(whole), key.constData(), size_t(key.size()), rc5CBC);
    return stored;
}

void TSFSFile::ReadObject(TLoadSaveAble& object) const {
    if (Compression != sfsLZRW1 && Compression != sfsEncrypted) {
        object.LoadFromString(GetData());
        return;
    }
    QByteArray stored = storedBytes("GetData");
    if (stored.isEmpty()) return;
    const QByteArray packed = streamForm(std::move(stored));
    checkStoredTotal(packed, ActualSize);
    // An empty content leaves the object unchanged, as LoadFromString does.
    if (ActualSize == 0) return;
    TReadOnlyStream source(packed);
    ReadCompressedObject(source, object);
}

QByteArray TSFSFile::GetData() const {
    QByteArray stored = storedBytes("GetData");
    if (stored.isEmpty()) return {};
    QByteArray content;
    switch (Compression) {
    case sfsStored:
        content = stored;
        break;
    case sfsLZRW1:
    case sfsEncrypted:
        content = inflateStreamForm(streamForm(std::move(stored)), ActualSize);
        break;
    case sfsSignedUCL:
        content = DeCompressString(stored, 0);
        break;
    }
    if (content.size() != ActualSize)
        throw ESFSException(QStringLiteral("%1.GetData : entry \"%2\" holds %3 bytes instead of %4")
                                .arg(ClassName(), FName)
                                .arg(content.size())
                                .arg(ActualSize));
    return content;
}

void TSFSFile::SetData(const QByteArray& data) {
    TReadOnlyStream source(data);
    SetDataFromStream(source);
}

void TSFSFile::SetDataFromStream(TStream& source, const TSFSProgress& onProgress) {
    if (!FContainer || !FContainer->FWriting)
        throw ESFSException(ClassName() + QStringLiteral(".SetData : read only !"));
    TStream& out = FContainer->stream("SetData", this);
    if (Compression < sfsStored || Compression > sfsSignedUCL)
        throw ESFSException(QStringLiteral("%1.SetData : unknown compression style").arg(ClassName()));

    const qint64 start = out.Position();
    const qint64 total = source.Size();
    if (start > std::numeric_limits<qint32>::max() || total > std::numeric_limits<qint32>::max())
        throw ESFSException(QStringLiteral("%1.SetData : \"%2\" does not fit in a container (2 GB at most)")
                                .arg(ClassName(), FName));
    Offset = qint32(start);
    ActualSize = qint32(total);
    source.SetPosition(0);

    const TSFSProgress& progress = onProgress ? onProgress : OnProgress;
    if (progress) progress(FName, ActualSize, 0, 0);
    TCompressProgress chunkProgress;
    if (progress)
        chunkProgress = [&](TStream& dest, qint64 sourceSize, qint64 destSize, qint64 consumed) {
            (void)dest;
            progress(FName, sourceSize, destSize, consumed);
        };

    if (Compression == sfsAuto) {
        QByteArray head(qsizetype(std::min<qint64>(total, 16384)), Qt::Uninitialized);
        source.ReadBuffer(head.data(), head.size());
        TReadOnlyStream headStream(head);
        TBlockBufferedStream trial;
        CompressStream(&headStream, &trial);
        Compression = trial.Size() < head.size() ? sfsLZRW1 : sfsStored;
        source.SetPosition(0);
    }

    switch (Compression) {
    case sfsStored:
        if (total > 0) out.CopyFrom(source, total);
        break;
    case sfsLZRW1:
        CompressStream(&source, &out, chunkProgress);
        break;
    case sfsEncrypted: {
        TBlockBufferedStream packed;
        CompressStream(&source, &packed, chunkProgress);
        out.WriteBytes(fromStd(RC5EncryptString(toStd(packed.GetDataString()), toStd(FContainer->FPassword), rc5CBC)));
        break;
    }
    case sfsSignedUCL:
        out.WriteBytes(CompressString(source.ReadToEnd(), 0, scUCLHigh));
        break;
    }
    const qint64 written = out.Position() - start;
    if (start + written > std::numeric_limits<qint32>::max())
        throw ESFSException(QStringLiteral("%1.SetData : \"%2\" does not fit in a container (2 GB at most)")
                                .arg(ClassName(), FName));
    Size = qint32(written);
    if (progress) progress(FName, ActualSize, Size, ActualSize);
}

// ---------------------------------------------------------------------------
// TSFSDirectory

TSFSDirectory::~TSFSDirectory() = default;

void TSFSDirectory::attach(TSFSObject* container, TSFSDirectory* parent, int depth) {
    if (depth > MaxDirectoryDepth)
        throw ESFSInvalidFormat(QStringLiteral("Corrupt directory: more than %1 nested levels").arg(MaxDirectoryDepth));
    FContainer = container;
    FParent = parent;
    FDepth = depth;
}

TSFSDirectory* TSFSDirectory::FindSubdirectory(const QString& name) const {
    for (const auto& d : FSubdirectories)
        if (d->FName.compare(name, Qt::CaseInsensitive) == 0) return d.get();
    return nullptr;
}

TSFSFile* TSFSDirectory::FindFileInDirectory(const QString& name) const {
    for (const auto& f : FFiles)
        if (f->FName.compare(name, Qt::CaseInsensitive) == 0) return f.get();
    return nullptr;
}

namespace {

class DirectoryListView : public IReadOnlyObjectList {
public:
    template <class V>
    explicit DirectoryListView(const V& items) {
        for (const auto& p : items) FItems.push_back(p.get());
    }
    int Count() const override { return int(FItems.size()); }
    TObject* Item(int index) const override { return FItems[size_t(index)]; }

private:
    std::vector<TObject*> FItems;
};

} // namespace

void TSFSDirectory::WriteToFiler(TVirtualWriter& writer) const {
    writer.WriteVersion(0);
    if (FContainer && FContainer->EightBitNames())
        writer.WriteDataString("Name", toCodePage(FName));
    else
        writer.WriteString("Name", FName);
    WriteObjectList(writer, DirectoryListView(FSubdirectories));
    WriteObjectList(writer, DirectoryListView(FFiles));
    writer.WriteVersionEnd();
}

void TSFSDirectory::ReadFromFiler(TVirtualReader& reader) {
    const int version = reader.ReadVersion();
    if (version != 0) RaiseFilerException(version);
    FName = reader.ReadString("Name");
    FSubdirectories.clear();
    FFiles.clear();
    ReadObjectList(
        reader,
        [this](TVirtualConstructedObject* item) {
            auto* d = dynamic_cast<TSFSDirectory*>(item);
            if (!d) RaiseBrokenObjectList();
            d->attach(FContainer, this, FDepth + 1);
        },
        [this](std::unique_ptr<TObject> item) {
            if (!dynamic_cast<TSFSDirectory*>(item.get())) RaiseBrokenObjectList();
            FSubdirectories.emplace_back(static_cast<TSFSDirectory*>(item.release()));
        });
    ReadObjectList(
        reader,
        [this](TVirtualConstructedObject* item) {
            auto* f = dynamic_cast<TSFSFile*>(item);
            if (!f) RaiseBrokenObjectList();
            f->FContainer = FContainer;
            f->FDirectory = this;
        },
        [this](std::unique_ptr<TObject> item) {
            if (!dynamic_cast<TSFSFile*>(item.get())) RaiseBrokenObjectList();
            FFiles.emplace_back(static_cast<TSFSFile*>(item.release()));
        });
    reader.ReadVersionEnd();
}

// ---------------------------------------------------------------------------
// TSFSObject

std::unique_ptr<TSFSObject> TSFSObject::CreateForReading(TStream& stream) {
    std::unique_ptr<TSFSObject> c(new TSFSObject);
    c->FStream = &stream;
    c->openForReading();
    return c;
}

std::unique_ptr<TSFSObject> TSFSObject::CreateForReadingFile(const QString& fileName) {
    const QFileInfo info(fileName);
    if (!info.exists() || info.isDir()) throw ESFSFileDoesNotExist(fileName);
    std::unique_ptr<TSFSObject> c(new TSFSObject);
    c->FOwnedStream = std::make_unique<TFileStream>(fileName, TFileStream::fmOpenRead);
    c->FStream = c->FOwnedStream.get();
    c->openForReading();
    return c;
}

std::unique_ptr<TSFSObject> TSFSObject::CreateForReadingString(const QByteArray& data) {
    std::unique_ptr<TSFSObject> c(new TSFSObject);
    c->FOwnedStream = std::make_unique<TReadOnlyStream>(data);
    c->FStream = c->FOwnedStream.get();
    c->openForReading();
    return c;
}

std::unique_ptr<TSFSObject> TSFSObject::CreateForReadingResource(const QString& resourceName) {
    QFile resource(resourceName.startsWith(QLatin1Char(':')) ? resourceName : QStringLiteral(":/") + resourceName);
    if (!resource.open(QIODevice::ReadOnly)) throw ESFSFileDoesNotExist(resourceName);
    return CreateForReadingString(resource.readAll());
}

std::unique_ptr<TSFSObject> TSFSObject::CreateForWriting(TStream& stream, int options) {
    std::unique_ptr<TSFSObject> c(new TSFSObject);
    c->FStream = &stream;
    c->startWriting(options);
    return c;
}

std::unique_ptr<TSFSObject> TSFSObject::CreateForWritingFile(const QString& fileName, int options) {
    std::unique_ptr<TSFSObject> c(new TSFSObject);
    c->FOwnedStream = std::make_unique<TFileStream>(fileName, TFileStream::fmCreate);
    c->FStream = c->FOwnedStream.get();
    c->startWriting(options);
    return c;
}

TSFSObject::~TSFSObject() {
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; callers that must know call Close first.
    }
}

void TSFSObject::startWriting(int options) {
    FWriting = true;
    FOptions = options;
    FVersionTag = (options & sfsoVersion100) ? TagV100 : TagV101;
    FLabel.clear();
    FRoot.reset(new TSFSDirectory);
    FRoot->FName = QStringLiteral("\\");
    FRoot->attach(this, nullptr, 0);
    FCurrent = FRoot.get();
    FStream->SetPosition(0);
    FStream->WriteBytes(FVersionTag);
    writeInt32(*FStream, 0);
}

void TSFSObject::openForReading() {
    FWriting = false;
    TStream& s = *FStream;
    s.SetPosition(0);
    char tag[8];
    if (s.Read(tag, 8) != 8) throw ESFSInvalidFormat(QStringLiteral("Unsupported version"));
    FVersionTag = QByteArray(tag, 8);
    if (FVersionTag != TagV100 && FVersionTag != TagV101) throw ESFSInvalidFormat(QStringLiteral("Unsupported version"));
    FOptions = FVersionTag == TagV100 ? sfsoVersion100 : 0;

    const qint64 size = s.Size();
    if (size < HeaderSize + LabelSize + 4)
        throw ESFSInvalidFormat(QStringLiteral("Corrupt container: %1 bytes cannot hold a directory").arg(size));
    const qint32 d = readInt32(s);
    if (d < HeaderSize || qint64(d) > size - LabelSize - 4)
        throw ESFSInvalidFormat(
            QStringLiteral("Corrupt container: the directory offset %1 lies outside the file of %2 bytes").arg(d).arg(size));
    FTrailer = d;
    s.SetPosition(d);
    QByteArray label(LabelSize, Qt::Uninitialized);
    s.ReadBuffer(label.data(), LabelSize);
    while (!label.isEmpty() && uint8_t(label.back()) < 33) label.chop(1);
    FLabel = label;

    const qint64 directoryStart = s.Position();
    const qint32 total = readInt32(s);
    if (total < 0 || qint64(total) > (size - directoryStart) * MaxStreamFormExpansion) raiseTotalSizeTest();
    s.SetPosition(directoryStart);
    TBlockBufferedStream directory;
    DeCompressStream(&s, &directory);
    directory.SetPosition(0);

    FRoot.reset(new TSFSDirectory);
    FRoot->attach(this, nullptr, 0);
    FRoot->LoadFromStream(directory);
    FCurrent = FRoot.get();
}

void TSFSObject::finishWriting() {
    TStream& s = *FStream;
    const qint64 d = s.Position();
    if (d > std::numeric_limits<qint32>::max())
        throw ESFSException(QStringLiteral("TSFSObject.Close : the container exceeds 2 GB"));
    s.SetPosition(8);
    writeInt32(s, qint32(d));
    s.SetPosition(d);
    QByteArray label = FLabel.left(LabelSize);
    label.append(QByteArray(LabelSize - label.size(), ' '));
    s.WriteBytes(label);
    TBlockBufferedStream directory;
    FRoot->SaveToStream(directory);
    CompressStream(&directory, &s);
}

void TSFSObject::Close() {
    if (FClosed) return;
    FClosed = true;
    std::unique_ptr<TStream> owned = std::move(FOwnedStream);
    if (FWriting && FStream) finishWriting();
    FStream = nullptr;
    // owned is released here, after the directory has been written through it.
}

TStream& TSFSObject::stream(const char* operation, const TSFSFile* entry) const {
    if (!FStream)
        throw ESFSException(QStringLiteral("%1.%2 : the container is closed").arg(entry->ClassName(), QLatin1String(operation)));
    return *FStream;
}

TSFSFile* TSFSObject::AddFile(TSFSDirectory* directory, const QString& name) {
    if (!directory) directory = FCurrent;
    auto* f = new TSFSFile;
    directory->FFiles.emplace_back(f);
    f->FName = name;
    f->FContainer = this;
    f->FDirectory = directory;
    f->Compression = sfsAuto;
    return f;
}

TSFSDirectory* TSFSObject::AddDirectory(TSFSDirectory* directory, const QString& name) {
    if (!directory) directory = FCurrent;
    auto* d = new TSFSDirectory;
    directory->FSubdirectories.emplace_back(d);
    d->FName = name;
    d->attach(this, directory, directory->FDepth + 1);
    return d;
}

TSFSDirectory* TSFSObject::FindDirectory(const QString& path) const {
    if (path.isEmpty()) return FCurrent;
    TSFSDirectory* d = FCurrent;
    QStringView rest(path);
    if (path.startsWith(QLatin1Char('\\'))) {
        d = FRoot.get();
        rest = rest.mid(1);
    }
    for (QStringView part : rest.split(QLatin1Char('\\'))) {
        if (part.isEmpty() || part == u".") continue;
        d = part == u".." ? d->Parent() : d->FindSubdirectory(part.toString());
        if (!d) return nullptr;
    }
    return d;
}

TSFSFile* TSFSObject::FindFile(const QString& path) const {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('\\'));
    if (slash < 0) return FCurrent ? FCurrent->FindFileInDirectory(path) : nullptr;
    TSFSDirectory* d = FindDirectory(path.left(slash + 1));
    return d ? d->FindFileInDirectory(path.mid(slash + 1)) : nullptr;
}
