#pragma once
// The persistence foundation: streams, the tagged binary filer, the persistable
// class hierarchy with its class registry, polymorphic object sequences, string
// lists, file/string/stream/clipboard forms and deep copy.
//
// Every stored object writes its fields in one fixed order through a
// TVirtualWriter and reads them back in the same order through a
// TVirtualReader. The binary encoding prefixes each value with one tag byte
// (TValueType) and never stores value names; numbers are little-endian.

#include "SysExceptions.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// ---------------------------------------------------------------------------
// Errors

LORVANE_DECLARE_EXCEPTION(EStreamError, Exception);
LORVANE_DECLARE_EXCEPTION(EFilerException, Exception);
LORVANE_DECLARE_EXCEPTION(EReadError, EFilerException);
LORVANE_DECLARE_EXCEPTION(EClassNotFound, EFilerException);

// ---------------------------------------------------------------------------
// Root of every object that can be held by an object list.

class TObject {
public:
    virtual ~TObject() = default;
};

// ---------------------------------------------------------------------------
// Streams

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
    // Reads up to count bytes, returns how many were read (0 at the end).
    virtual qint64 Read(void* buffer, qint64 count) = 0;
    // Writes count bytes, returns how many were written.
    virtual qint64 Write(const void* buffer, qint64 count) = 0;
    virtual qint64 Seek(qint64 offset, TSeekOrigin origin) = 0;
    virtual qint64 Size();
    virtual void SetSize(qint64 newSize) = 0;

    qint64 Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(qint64 pos) { Seek(pos, TSeekOrigin::soBeginning); }
    qint64 Remaining() { return Size() - Position(); }

    // Exactly count bytes or EStreamError "Stream read error" / "Stream write error".
    void ReadBuffer(void* buffer, qint64 count);
    void WriteBuffer(const void* buffer, qint64 count);
    void WriteBytes(const QByteArray& bytes) { WriteBuffer(bytes.constData(), bytes.size()); }
    // Copies count bytes from source's position; count 0 copies the whole source from its start.
    qint64 CopyFrom(TStream& source, qint64 count);
    // The bytes from the current position to the end.
    QByteArray ReadToEnd();
};

// A contiguous growable memory stream.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(const QByteArray& content) : FData(content) {}
    qint64 Read(void* buffer, qint64 count) override;
    qint64 Write(const void* buffer, qint64 count) override;
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    qint64 Size() override { return FData.size(); }
    void SetSize(qint64 newSize) override;
    const QByteArray& Data() const { return FData; }

private:
    QByteArray FData;
    qint64 FPosition = 0;
};

// Reads from a byte string (kept by implicit sharing) or from a caller's buffer.
class TReadOnlyStream : public TStream {
public:
    explicit TReadOnlyStream(const QByteArray& source, qint64 startIndex1 = 1);
    TReadOnlyStream(const void* buffer, qint64 length);
    qint64 Read(void* buffer, qint64 count) override;
    qint64 Write(const void*, qint64) override { return 0; }
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    qint64 Size() override { return FLength; }
    void SetSize(qint64) override;

private:
    QByteArray FKeep;
    const char* FData = nullptr;
    qint64 FLength = 0;
    qint64 FPosition = 0;
};

// Content kept in a list of equal blocks (16384 bytes or a larger given size);
// grows by whole blocks and never moves what is already written.
class TBlockBufferedStream : public TStream {
public:
    static constexpr qint64 DefaultBlockSize = 16384;
    explicit TBlockBufferedStream(qint64 blockSize = DefaultBlockSize);
    explicit TBlockBufferedStream(const QByteArray& content, qint64 blockSize = DefaultBlockSize);
    qint64 Read(void* buffer, qint64 count) override;
    qint64 Write(const void* buffer, qint64 count) override;
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    qint64 Size() override { return FSize; }
    void SetSize(qint64 newSize) override;
    QByteArray GetDataString() const;
    qint64 BlockSize() const { return FBlockSize; }

private:
    void ensureCapacity(qint64 bytes);
    qint64 FBlockSize;
    std::vector<std::unique_ptr<char[]>> FBlocks;
    qint64 FSize = 0;
    qint64 FPosition = 0;
};

// The block stream used as a string builder.
class TBlockStringStream : public TBlockBufferedStream {
public:
    using TBlockBufferedStream::TBlockBufferedStream;
    void AppendBytes(const QByteArray& bytes);
    void AppendText(const QString& text);   // as UTF-16LE code units
    QString DataText() const;               // the content read as UTF-16LE
};

// A file on disk. fmCreate creates or truncates; fmOpenRead reads (others may
// read and write it meanwhile); fmOpenReadWrite opens an existing file.
class TFileStream : public TStream {
public:
    enum TMode { fmCreate, fmOpenRead, fmOpenReadWrite };
    TFileStream(const QString& fileName, TMode mode);
    ~TFileStream() override;
    qint64 Read(void* buffer, qint64 count) override;
    qint64 Write(const void* buffer, qint64 count) override;
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    qint64 Size() override;
    void SetSize(qint64 newSize) override;
    // Flushes the written bytes to the disk (fsync).
    void Commit();
    void Close();
    const QString& FileName() const { return FFileName; }

private:
    QString FFileName;
    int FHandle = -1;
};

// ---------------------------------------------------------------------------
// Filer

struct TPersistentClassInfo;

enum TValueType : uint8_t {
    vaNull = 0, vaList, vaInt8, vaInt16, vaInt32, vaExtended, vaString, vaIdent, vaFalse, vaTrue,
    vaBinary, vaSet, vaLString, vaNil, vaCollection, vaSingle, vaCurrency, vaDate, vaWString,
    vaInt64, vaUTF8String, vaDouble
};
// "vaInt8" ...; tags above vaDouble have no name and give "unknown tag N".
QString ValueTypeName(int tag);

struct TGUID {
    uint32_t D1 = 0;
    uint16_t D2 = 0, D3 = 0;
    std::array<uint8_t, 8> D4{};
    bool operator==(const TGUID&) const = default;
};

struct TRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TRect&) const = default;
};

// 80-bit x87 extended-precision conversions (ten bytes, little-endian). Widening
// is exact; narrowing rounds to nearest even, overflows to infinity.
std::array<uint8_t, 10> DoubleToExtended(double value);
double ExtendedToDouble(const uint8_t bytes[10]);

class TVirtualFiler : public TObject {
public:
    // The stream is not owned; bufferSize is accepted and has no effect.
    explicit TVirtualFiler(TStream& stream, int bufferSize = 16384);
    TStream& Stream() const { return *FStream; }
    qint64 Position() const { return FStream->Position(); }
    void SetPosition(qint64 pos) { FStream->SetPosition(pos); }
    virtual QString ClassName() const = 0;

protected:
    TStream* FStream;
};

class TVirtualReader : public TVirtualFiler {
public:
    using TVirtualFiler::TVirtualFiler;
    virtual void Read(const char* bufferName, void* buf, qint64 count) = 0;
    void Read(void* buf, qint64 count) { Read("", buf, count); }
    virtual TValueType NextValue() = 0;
    virtual int32_t ReadVersion() { return ReadInteger("Version"); }
    virtual void ReadVersionEnd() {}
    virtual int32_t ReadInteger(const char* name = "") = 0;
    virtual int64_t ReadInt64(const char* name = "") = 0;
    virtual bool ReadBoolean(const char* name = "") = 0;
    virtual QChar ReadChar(const char* name = "") = 0;
    virtual QByteArray ReadDataString(const char* name = "") = 0;
    virtual QString ReadString(const char* name = "") = 0;
    virtual QString ReadWideString(const char* name = "") = 0;
    virtual int64_t ReadCurrency(const char* name = "") = 0;
    virtual float ReadSingle(const char* name = "") = 0;
    virtual double ReadFloat(const char* name = "") = 0;
    virtual double ReadDate(const char* name = "") = 0;
    virtual TGUID ReadGUID(const char* name = "") = 0;
    virtual void ReadListBegin(const char* listName = "") = 0;
    virtual void ReadListEnd() = 0;
    virtual bool EndOfList() = 0;
    virtual void ReadObjectBegin(const char* objectName = "") { (void)objectName; }
    virtual void ReadObjectEnd() {}

    // Any integer, float, single, date or 64-bit integer value as a double.
    double ReadNumeric(const char* name = "");
    TRect ReadRect(const char* rectName = "");
    // The next nb values as "tag: value" lines (position restored).
    QStringList DebugDump(int nb);
};

class TVirtualWriter : public TVirtualFiler {
public:
    using TVirtualFiler::TVirtualFiler;
    virtual void Write(const char* bufferName, const void* data, qint64 size) = 0;
    void Write(const void* data, qint64 size) { Write("", data, size); }
    virtual void WriteVersion(int32_t versionNumber) { WriteInteger("Version", versionNumber); }
    virtual void WriteVersionEnd() {}
    virtual void WriteInteger(const char* name, int32_t value) = 0;
    virtual void WriteInt64(const char* name, int64_t value) = 0;
    virtual void WriteBoolean(const char* name, bool value) = 0;
    virtual void WriteChar(const char* name, QChar value) { WriteString(name, QString(value)); }
    virtual void WriteDataString(const char* name, const QByteArray& bytes) = 0;
    // The bytes of the stream from its position to its end.
    virtual void WriteDataString(const char* name, TStream& stream) { WriteDataString(name, stream.ReadToEnd()); }
    virtual void WriteString(const char* name, const QString& value) = 0;
    virtual void WriteWideString(const char* name, const QString& value) { WriteString(name, value); }
    virtual void WriteCurrency(const char* name, int64_t value) = 0;
    virtual void WriteSingle(const char* name, float value) = 0;
    virtual void WriteFloat(const char* name, double value) = 0;
    virtual void WriteDate(const char* name, double value) = 0;
    virtual void WriteGUID(const char* name, const TGUID& value) = 0;
    virtual void WriteListBegin(const char* listName) = 0;
    void WriteListBegin() { WriteListBegin(""); }
    virtual void WriteListEnd() = 0;
    virtual void WriteObjectBegin(const char* objectName, const TPersistentClassInfo* objectClassHint) {
        (void)objectName; (void)objectClassHint;
    }
    void WriteObjectBegin(const char* objectName) { WriteObjectBegin(objectName, nullptr); }
    virtual void WriteObjectEnd() {}

    void WriteRect(const char* rectName, const TRect& rect);
};

class TBinaryReader : public TVirtualReader {
public:
    using TVirtualReader::TVirtualReader;
    QString ClassName() const override { return QStringLiteral("TBinaryReader"); }
    void Read(const char* bufferName, void* buf, qint64 count) override;
    using TVirtualReader::Read;
    TValueType NextValue() override;
    int32_t ReadInteger(const char* name = "") override;
    int64_t ReadInt64(const char* name = "") override;
    bool ReadBoolean(const char* name = "") override;
    QChar ReadChar(const char* name = "") override;
    QByteArray ReadDataString(const char* name = "") override;
    QString ReadString(const char* name = "") override;
    QString ReadWideString(const char* name = "") override;
    int64_t ReadCurrency(const char* name = "") override;
    float ReadSingle(const char* name = "") override;
    double ReadFloat(const char* name = "") override;
    double ReadDate(const char* name = "") override;
    TGUID ReadGUID(const char* name = "") override;
    void ReadListBegin(const char* listName = "") override;
    void ReadListEnd() override;
    bool EndOfList() override;

    [[noreturn]] void RaiseTypeError(int expected, int encountered) const;

private:
    friend class TVirtualReader;
    uint8_t readTag();
    void readRaw(void* buf, qint64 count);
    QByteArray readBytes(qint64 count);
    qint64 readLength32();
    QString readTextAfterTag(uint8_t tag);
};

class TBinaryWriter : public TVirtualWriter {
public:
    using TVirtualWriter::TVirtualWriter;
    QString ClassName() const override { return QStringLiteral("TBinaryWriter"); }
    void Write(const char* bufferName, const void* data, qint64 size) override;
    using TVirtualWriter::Write;
    void WriteInteger(const char* name, int32_t value) override;
    void WriteInt64(const char* name, int64_t value) override;
    void WriteBoolean(const char* name, bool value) override;
    void WriteDataString(const char* name, const QByteArray& bytes) override;
    using TVirtualWriter::WriteDataString;
    void WriteString(const char* name, const QString& value) override;
    void WriteCurrency(const char* name, int64_t value) override;
    void WriteSingle(const char* name, float value) override;
    void WriteFloat(const char* name, double value) override;
    void WriteDate(const char* name, double value) override;
    void WriteGUID(const char* name, const TGUID& value) override;
    void WriteListBegin(const char* listName) override;
    using TVirtualWriter::WriteListBegin;
    void WriteListEnd() override;

private:
    void put(const void* data, qint64 size) { FStream->WriteBuffer(data, size); }
};

// ---------------------------------------------------------------------------
// Class registry and persistable objects

class TVirtualConstructedObject;

// The description of a persistable class: its name, its parent class and its
// virtual constructor (none for abstract classes).
struct TPersistentClassInfo {
    const char* Name;
    const TPersistentClassInfo* Parent;
    TVirtualConstructedObject* (*Construct)();
    bool InheritsFrom(const TPersistentClassInfo* other) const;
    QString ClassName() const { return QString::fromLatin1(Name); }
};
using TPersistentClass = const TPersistentClassInfo*;

// Registers a class under its name (a second registration of a name is ignored).
void RegisterPersistentClass(TPersistentClass aClass);
// The registered class of that name; none, or EClassNotFound "Class %s not found" when mustExist.
TPersistentClass FindPersistentClass(const QString& name, bool mustExist);

// In a class body: the class description and the name-hiding repairs.
#define LORVANE_PERSISTENT_CLASS(Name, Parent)                                  \
public:                                                                         \
    static TPersistentClass StaticClass();                                      \
    TPersistentClass ClassType() const override { return Name::StaticClass(); } \
    using Parent::WriteToFiler;                                                 \
    using Parent::ReadFromFiler;                                                \
                                                                                \
private:

// In the class's .cpp file: the description with its virtual constructor, and
// the registration by name at start-up.
#define LORVANE_IMPLEMENT_CLASS(Name, Parent)                                                        \
    TPersistentClass Name::StaticClass() {                                                           \
        static const TPersistentClassInfo info{#Name, Parent::StaticClass(),                         \
                                               []() -> TVirtualConstructedObject* { return new Name; }}; \
        return &info;                                                                                \
    }
#define LORVANE_IMPLEMENT_ABSTRACT_CLASS(Name, Parent)                                   \
    TPersistentClass Name::StaticClass() {                                               \
        static const TPersistentClassInfo info{#Name, Parent::StaticClass(), nullptr};   \
        return &info;                                                                    \
    }
#define LORVANE_REGISTER_CLASS(Name)                                                   \
    namespace {                                                                        \
    const bool Name##Registered = (RegisterPersistentClass(Name::StaticClass()), true); \
    }

class TVirtualReader;
class TVirtualWriter;

class TVirtualConstructedObject : public TObject {
public:
    static TPersistentClass StaticClass();
    virtual TPersistentClass ClassType() const { return StaticClass(); }
    QString ClassName() const { return ClassType()->ClassName(); }
    QByteArray ClassNameUTF8() const { return QByteArray(ClassType()->Name); }

    // Deep copy by a write/read round trip (see the .cpp for the rules).
    virtual void Assign(const TVirtualConstructedObject* source);
    virtual void WriteToFiler(TVirtualWriter& writer) const { (void)writer; }
    virtual void ReadFromFiler(TVirtualReader& reader) { (void)reader; }
    // A new instance of the same class made with the virtual constructor.
    std::unique_ptr<TVirtualConstructedObject> NewInstance() const;
};

class TNonRefCountedObject : public TVirtualConstructedObject {
    LORVANE_PERSISTENT_CLASS(TNonRefCountedObject, TVirtualConstructedObject)
};

class IReadWriteAble {
public:
    virtual ~IReadWriteAble() = default;
    virtual void WriteToFiler(TVirtualWriter& writer) const = 0;
    virtual void ReadFromFiler(TVirtualReader& reader) = 0;
};

class TReadWriteAble : public TNonRefCountedObject, public IReadWriteAble {
    LORVANE_PERSISTENT_CLASS(TReadWriteAble, TNonRefCountedObject)
public:
    void WriteToFiler(TVirtualWriter& writer) const override { (void)writer; }
    void ReadFromFiler(TVirtualReader& reader) override { (void)reader; }
    void WriteToFiler(const char* objectName, TVirtualWriter& writer) const;
    virtual void ReadFromFiler(const char* objectName, TVirtualReader& reader);
    // EFilerException "%s.ReadFromFiler : unknown archive version %d".
    [[noreturn]] void RaiseFilerException(int archiveVersion) const;
    [[noreturn]] static void RaiseFilerException(TPersistentClass aClass, int archiveVersion);
    [[noreturn]] static void RaiseFilerException(const QString& className, int archiveVersion);
    void AssignIRWA(const IReadWriteAble& source);
};

// How a class's file form stores the object after its header. Persistence
// writes the filer form as it is; a class whose files are compressed names the
// codec, which lives with the compressors (they build on these streams).
class IFileContentCodec {
public:
    virtual ~IFileContentCodec() = default;
    virtual void WriteContent(const TReadWriteAble& object, TStream& dest) const = 0;
    virtual void ReadContent(TStream& source, TReadWriteAble& object) const = 0;
};

class ILoadSaveAble {
public:
    virtual ~ILoadSaveAble() = default;
    virtual QByteArray SaveToString() const = 0;
    virtual void LoadFromString(const QByteArray& source) = 0;
    virtual void SaveToStream(TStream& stream) const = 0;
    virtual void LoadFromStream(TStream& stream) = 0;
};

class TLoadSaveAble : public TReadWriteAble, public ILoadSaveAble {
    LORVANE_PERSISTENT_CLASS(TLoadSaveAble, TReadWriteAble)
public:
    // Class-level file settings: compression and an identification header.
    // None: the filer form as it is.
    virtual const IFileContentCodec* FileContentCodec() const { return nullptr; }
    bool UseCompressionForFiles() const { return FileContentCodec() != nullptr; }
    virtual QByteArray FileFormatIDHeader() const { return {}; }

    QByteArray SaveToString() const override;
    void LoadFromString(const QByteArray& source) override;   // empty: unchanged
    void SaveToStream(TStream& stream) const override;
    void LoadFromStream(TStream& stream) override;

    // Through "<fileName>.$n" and a ".bak" backup of the previous file.
    void SaveToFile(const QString& fileName) const;
    // The bytes of the file form (header, then the object, compressed when the
    // class says so) written at / read from the stream's position.
    void WriteFileContent(TStream& stream) const;
    void ReadFileContent(TStream& stream);
    // A missing file leaves the object as it is.
    void LoadFromFile(const QString& fileName);
    std::unique_ptr<TMemoryStream> SaveToNewMemoryStream() const;
    void LoadFromMemoryStreamStart(TStream& stream);
    std::unique_ptr<TLoadSaveAble> CreateClone() const;

    template <class T> static std::unique_ptr<T> CreateFromFiler(TVirtualReader& reader) {
        auto o = std::make_unique<T>(); o->ReadFromFiler(reader); return o;
    }
    template <class T> static std::unique_ptr<T> CreateFromFile(const QString& fileName) {
        auto o = std::make_unique<T>(); o->LoadFromFile(fileName); return o;
    }
    template <class T> static std::unique_ptr<T> CreateFromString(const QByteArray& source) {
        auto o = std::make_unique<T>(); o->LoadFromString(source); return o;
    }
    template <class T> static std::unique_ptr<T> CreateFromStream(TStream& stream) {
        auto o = std::make_unique<T>(); o->LoadFromStream(stream); return o;
    }
};

// The temporary name a save writes first: fileName + ".$n", the first n that names no file.
QString TemporarySaveName(const QString& fileName);
// cube.pvc -> cube.bak; names whose fourth character from the end is not "." get ".bak" appended.
QString BackupFileName(const QString& fileName);

// ---------------------------------------------------------------------------
// Clipboard: the core defines the interface, the viewer supplies the desktop
// one; an in-memory clipboard is in place until then.

class IClipBoard {
public:
    virtual ~IClipBoard() = default;
    // The named formats present, in the order they were put.
    virtual QStringList Formats() const = 0;
    virtual QByteArray Data(const QString& format) const = 0;
    virtual QString Text() const = 0;
    // Replaces the whole content with one named format and a plain text.
    virtual void SetContents(const QString& format, const QByteArray& data, const QString& text) = 0;
};

class TMemoryClipBoard : public IClipBoard {
public:
    QStringList Formats() const override;
    QByteArray Data(const QString& format) const override;
    QString Text() const override { return FText; }
    void SetContents(const QString& format, const QByteArray& data, const QString& text) override;
    void Clear();
    void AddFormat(const QString& format, const QByteArray& data);

private:
    QList<QPair<QString, QByteArray>> FFormats;
    QString FText;
};

IClipBoard& ClipBoard();
// Installs the process clipboard (none restores the in-memory one); not owned.
void SetClipBoard(IClipBoard* clipBoard);

class TClipBoardAble : public TLoadSaveAble {
    LORVANE_PERSISTENT_CLASS(TClipBoardAble, TLoadSaveAble)
public:
    static QString GetClipBoardFormatName(TPersistentClass aClass);
    QString GetClipBoardFormatName() const { return GetClipBoardFormatName(ClassType()); }
    QString GetClipBoardFormat() const { return GetClipBoardFormatName(); }
    // The class the clipboard holds: the first "CF_" format names it.
    static TPersistentClass ClipBoardHeldClass(TPersistentClass own);
    TPersistentClass ClipBoardHeldClass() const { return ClipBoardHeldClass(ClassType()); }
    bool HeldByClipBoard() const;
    static std::unique_ptr<TClipBoardAble> CreateFromClipBoard(TPersistentClass own);
    void CopyToClipBoard() const;
    // Copies, then frees the object.
    static void CutToClipBoard(std::unique_ptr<TClipBoardAble> object);
    // Reads the bytes of the class's format, when present; answers whether it was.
    bool PasteFromClipBoard();
};

// ---------------------------------------------------------------------------
// Polymorphic object sequences

class IReadOnlyObjectList {
public:
    virtual ~IReadOnlyObjectList() = default;
    virtual int Count() const = 0;
    virtual TObject* Item(int index) const = 0;
};

// A plain 32-bit entry of an object list (kept as a small object).
class TRawValue : public TObject {
public:
    explicit TRawValue(int32_t value) : Value(value) {}
    int32_t Value;
};

void WriteObjectList(TVirtualWriter& writer, const IReadOnlyObjectList& list);

// hook (may be empty) sees each new instance before it reads itself; add
// receives each instance, or a TRawValue for a plain entry.
using TObjectListHook = std::function<void(TVirtualConstructedObject*)>;
using TObjectListAdd = std::function<void(std::unique_ptr<TObject>)>;
void ReadObjectList(TVirtualReader& reader, const TObjectListHook& hook, const TObjectListAdd& add);

// Raises the broken-sequence error " ObjectList detected a broken item persistence.".
[[noreturn]] void RaiseBrokenObjectList();

// A view over an owning vector, for WriteObjectList.
template <class T>
class TVectorObjectListView : public IReadOnlyObjectList {
public:
    explicit TVectorObjectListView(const std::vector<std::unique_ptr<T>>& items) : FItems(items) {}
    int Count() const override { return int(FItems.size()); }
    TObject* Item(int index) const override { return FItems[size_t(index)].get(); }

private:
    const std::vector<std::unique_ptr<T>>& FItems;
};

// ---------------------------------------------------------------------------
// String lists with an associated 64-bit value per string

class TStringList {
public:
    int Count() const { return int(FStrings.size()); }
    const QString& Strings(int i) const { return FStrings[i]; }
    qint64 Objects(int i) const { return FObjects[i]; }
    void Add(const QString& s, qint64 object = 0) { FStrings.append(s); FObjects.append(object); }
    void Clear() { FStrings.clear(); FObjects.clear(); }
    const QStringList& StringList() const { return FStrings; }
    bool operator==(const TStringList&) const = default;

private:
    QStringList FStrings;
    QList<qint64> FObjects;
};

void WriteStringsToFiler(TVirtualWriter& writer, const char* listName, const TStringList& strings, bool storeObjects);
void ReadStringsFromFiler(TVirtualReader& reader, const char* listName, TStringList& strings);

// ---------------------------------------------------------------------------
// An object with its own lock, for the thread-safe lists of other modules.

class TLockableObject : public TObject {
public:
    void Lock() { FCriticalSection.lock(); }
    void Unlock() { FCriticalSection.unlock(); }

protected:
    std::recursive_mutex FCriticalSection;
};
