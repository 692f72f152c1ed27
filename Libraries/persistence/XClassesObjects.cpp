// Persistable objects: the class registry, deep copy, string and stream forms,
// polymorphic object sequences and string lists.
#include "XClasses.h"

#include <QHash>
#include <QMutex>

// --- Class registry --------------------------------------------------------

namespace {
struct ClassRegistry {
    QMutex lock;
    QHash<QString, TPersistentClass> byName;
};

ClassRegistry& registry() {
    static ClassRegistry r;
    return r;
}
} // namespace

bool TPersistentClassInfo::InheritsFrom(const TPersistentClassInfo* other) const {
    for (const TPersistentClassInfo* c = this; c; c = c->Parent)
        if (c == other) return true;
    return false;
}

void RegisterPersistentClass(TPersistentClass aClass) {
    ClassRegistry& r = registry();
    QMutexLocker guard(&r.lock);
    QString name = aClass->ClassName();
    if (!r.byName.contains(name)) r.byName.insert(name, aClass);
}

TPersistentClass FindPersistentClass(const QString& name, bool mustExist) {
    ClassRegistry& r = registry();
    TPersistentClass found = nullptr;
    {
        QMutexLocker guard(&r.lock);
        found = r.byName.value(name, nullptr);
    }
    if (!found && mustExist) throw EClassNotFound(QStringLiteral("Class %1 not found").arg(name));
    return found;
}

// --- TVirtualConstructedObject ---------------------------------------------

TPersistentClass TVirtualConstructedObject::StaticClass() {
    static const TPersistentClassInfo info{"TVirtualConstructedObject", nullptr,
                                           []() -> TVirtualConstructedObject* { return new TVirtualConstructedObject; }};
    return &info;
}

LORVANE_IMPLEMENT_ABSTRACT_CLASS(TNonRefCountedObject, TVirtualConstructedObject)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TReadWriteAble, TNonRefCountedObject)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TLoadSaveAble, TReadWriteAble)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TClipBoardAble, TLoadSaveAble)

std::unique_ptr<TVirtualConstructedObject> TVirtualConstructedObject::NewInstance() const {
    TPersistentClass c = ClassType();
    if (!c->Construct) throw EFilerException(QStringLiteral("%1 has no virtual constructor").arg(c->ClassName()));
    return std::unique_ptr<TVirtualConstructedObject>(c->Construct());
}

void TVirtualConstructedObject::Assign(const TVirtualConstructedObject* source) {
    if (!source) throw EConvertError(QStringLiteral("%1.Assign: got a nil!").arg(ClassName()));
    if (source == this) return;
    if (source->ClassType() != ClassType())
        throw EConvertError(QStringLiteral("%1.Assign: got wrong class type : %2!").arg(ClassName(), source->ClassName()));
    TBlockStringStream stream;
    {
        TBinaryWriter writer(stream);
        source->WriteToFiler(writer);
    }
    stream.SetPosition(0);
    TBinaryReader reader(stream);
    ReadFromFiler(reader);
}

// --- TReadWriteAble --------------------------------------------------------

void TReadWriteAble::WriteToFiler(const char* objectName, TVirtualWriter& writer) const {
    writer.WriteObjectBegin(objectName, ClassType());
    WriteToFiler(writer);
    writer.WriteObjectEnd();
}

void TReadWriteAble::ReadFromFiler(const char* objectName, TVirtualReader& reader) {
    reader.ReadObjectBegin(objectName);
    ReadFromFiler(reader);
    reader.ReadObjectEnd();
}

void TReadWriteAble::RaiseFilerException(const QString& className, int archiveVersion) {
    throw EFilerException(QStringLiteral("%1.ReadFromFiler : unknown archive version %2").arg(className).arg(archiveVersion));
}

void TReadWriteAble::RaiseFilerException(TPersistentClass aClass, int archiveVersion) {
    RaiseFilerException(aClass->ClassName(), archiveVersion);
}

void TReadWriteAble::RaiseFilerException(int archiveVersion) const { RaiseFilerException(ClassType(), archiveVersion); }

void TReadWriteAble::AssignIRWA(const IReadWriteAble& source) {
    if (&source == static_cast<const IReadWriteAble*>(this)) return;
    TBlockStringStream stream;
    {
        TBinaryWriter writer(stream);
        source.WriteToFiler(writer);
    }
    stream.SetPosition(0);
    TBinaryReader reader(stream);
    ReadFromFiler(reader);
}

// --- TLoadSaveAble: strings and streams ------------------------------------

QByteArray TLoadSaveAble::SaveToString() const {
    TBlockStringStream stream;
    {
        TBinaryWriter writer(stream);
        WriteToFiler(writer);
    }
    return stream.GetDataString();
}

void TLoadSaveAble::LoadFromString(const QByteArray& source) {
    if (source.isEmpty()) return;
    TReadOnlyStream stream(source);
    TBinaryReader reader(stream);
    ReadFromFiler(reader);
}

void TLoadSaveAble::SaveToStream(TStream& stream) const {
    TBinaryWriter writer(stream, 65536);
    WriteToFiler(writer);
}

void TLoadSaveAble::LoadFromStream(TStream& stream) {
    TBinaryReader reader(stream, 65536);
    ReadFromFiler(reader);
}

std::unique_ptr<TMemoryStream> TLoadSaveAble::SaveToNewMemoryStream() const {
    auto stream = std::make_unique<TMemoryStream>();
    SaveToStream(*stream);
    return stream;
}

void TLoadSaveAble::LoadFromMemoryStreamStart(TStream& stream) {
    stream.SetPosition(0);
    LoadFromStream(stream);
}

std::unique_ptr<TLoadSaveAble> TLoadSaveAble::CreateClone() const {
    std::unique_ptr<TVirtualConstructedObject> copy = NewInstance();
    auto* target = dynamic_cast<TLoadSaveAble*>(copy.get());
    if (!target) throw EConvertError(QStringLiteral("%1.CreateClone: the virtual constructor made another class").arg(ClassName()));
    target->Assign(this);
    copy.release();
    return std::unique_ptr<TLoadSaveAble>(target);
}

// --- Polymorphic object sequences ------------------------------------------

void RaiseBrokenObjectList() { throw Exception(QStringLiteral(" ObjectList detected a broken item persistence.")); }

void WriteObjectList(TVirtualWriter& writer, const IReadOnlyObjectList& list) {
    writer.WriteVersion(0);
    writer.WriteListBegin("Items");
    std::vector<TPersistentClass> classes;
    for (int i = 0, n = list.Count(); i < n; ++i) {
        TObject* item = list.Item(i);
        auto* object = dynamic_cast<TVirtualConstructedObject*>(item);
        if (!object) {
            auto* raw = dynamic_cast<TRawValue*>(item);
            writer.WriteBoolean("IsObject", false);
            writer.WriteInteger("RawValue", raw ? raw->Value : 0);
            continue;
        }
        TPersistentClass c = object->ClassType();
        auto found = std::find(classes.begin(), classes.end(), c);
        if (found == classes.end()) {
            classes.push_back(c);
            writer.WriteString("ClassName", c->ClassName());
        } else {
            writer.WriteInteger("ClassID", int32_t(found - classes.begin()));
        }
        writer.WriteObjectBegin("Item", c);
        object->WriteToFiler(writer);
        writer.WriteObjectEnd();
    }
    writer.WriteListEnd();
    writer.WriteVersionEnd();
}

namespace {
// Items may hold lists of their own; hostile input must not nest them without bound.
thread_local int gObjectListDepth = 0;
constexpr int kMaxObjectListDepth = 1000;   // far above any real tree; owners may set tighter limits
struct DepthGuard {
    DepthGuard() {
        if (++gObjectListDepth > kMaxObjectListDepth) {
            --gObjectListDepth;
            throw EReadError(QStringLiteral("ObjectList.ReadFromFiler : lists nested deeper than %1 levels").arg(kMaxObjectListDepth));
        }
    }
    ~DepthGuard() { --gObjectListDepth; }
};
} // namespace

void ReadObjectList(TVirtualReader& reader, const TObjectListHook& hook, const TObjectListAdd& add) {
    DepthGuard depth;
    int32_t version = reader.ReadVersion();
    if (version != 0) TReadWriteAble::RaiseFilerException(QStringLiteral("ObjectList"), version);
    reader.ReadListBegin();
    std::vector<TPersistentClass> classes;
    while (!reader.EndOfList()) {
        TValueType tag = reader.NextValue();
        TPersistentClass c = nullptr;
        switch (tag) {
        case vaInt8: case vaInt16: case vaInt32: {
            int32_t id = reader.ReadInteger("ClassID");
            if (id < 0 || size_t(id) >= classes.size()) RaiseBrokenObjectList();
            c = classes[size_t(id)];
            break;
        }
        case vaString: case vaLString: case vaUTF8String:
            c = FindPersistentClass(reader.ReadString("ClassName"), true);
            classes.push_back(c);
            break;
        case vaFalse: case vaTrue: {
            reader.ReadBoolean("IsObject");
            add(std::make_unique<TRawValue>(reader.ReadInteger("RawValue")));
            continue;
        }
        default: RaiseBrokenObjectList();
        }
        if (!c->Construct) RaiseBrokenObjectList();
        std::unique_ptr<TVirtualConstructedObject> instance(c->Construct());
        if (hook) hook(instance.get());
        reader.ReadObjectBegin("Item");
        instance->ReadFromFiler(reader);
        reader.ReadObjectEnd();
        add(std::move(instance));
    }
    reader.ReadListEnd();
    reader.ReadVersionEnd();
}

// --- String lists ----------------------------------------------------------

void WriteStringsToFiler(TVirtualWriter& writer, const char* listName, const TStringList& strings, bool storeObjects) {
    writer.WriteListBegin(listName);
    for (int i = 0; i < strings.Count(); ++i) {
        writer.WriteString("String", strings.Strings(i));
        if (storeObjects && strings.Objects(i) != 0) writer.WriteInt64("Object", strings.Objects(i));
    }
    writer.WriteListEnd();
}

void ReadStringsFromFiler(TVirtualReader& reader, const char* listName, TStringList& strings) {
    strings.Clear();
    if (reader.NextValue() == vaList) {
        reader.ReadListBegin(listName);
        for (;;) {
            TValueType tag = reader.NextValue();
            if (tag != vaString && tag != vaLString && tag != vaWString && tag != vaUTF8String) break;
            QString s = reader.ReadString("String");
            qint64 object = 0;
            TValueType next = reader.NextValue();
            if (next == vaInt8 || next == vaInt16 || next == vaInt32 || next == vaInt64) object = reader.ReadInt64("Object");
            strings.Add(s, object);
        }
        reader.ReadListEnd();
        return;
    }
    bool storeObjects = reader.ReadBoolean("StoreObjects");
    int32_t count = reader.ReadInteger("Count");
    // Each string takes at least two bytes: the count is bounded by the input.
    if (count < 0 || count > reader.Stream().Remaining() / 2)
        throw EReadError(QStringLiteral("%1, read error: stored count %2 exceeds the remaining data").arg(reader.ClassName()).arg(count));
    for (int32_t i = 0; i < count; ++i) {
        QString s = reader.ReadString("String");
        qint64 object = storeObjects ? reader.ReadInteger("Object") : 0;
        strings.Add(s, object);
    }
}
