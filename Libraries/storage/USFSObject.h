#pragma once
// The SFS container: named entries packed into one file, string, stream or
// resource, with a directory tree, per-entry compression, optional per-entry
// encryption with a password, and the directory stored compressed at the end.
//
// Layout (little-endian): version tag "SFSv1.00" or "SFSv1.01" (8 bytes), the
// signed offset D of the trailer (4 bytes), the entries' stored bytes in the
// order they were written, then at D a 32-byte label and the root directory's
// filer bytes in the compressed stream form.
//
// A container is opened either for writing (new, sequential) or for reading
// (existing, random access), never both. Directories and entries belong to
// their parent directory, the root to the container; callers only ever hold
// non-owning pointers to them.

#include "XClasses.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

LORVANE_DECLARE_EXCEPTION(ESFSException, Exception);
LORVANE_DECLARE_EXCEPTION(ESFSInvalidFormat, ESFSException);
LORVANE_DECLARE_EXCEPTION(ESFSFileDoesNotExist, ESFSException);

class TSFSObject;
class TSFSDirectory;

// Compression style of an entry.
enum TSFSCompression : int {
    sfsStored = 0,     // the content unchanged
    sfsLZRW1 = 1,      // the compressed stream form
    sfsAuto = 2,       // 1 or 0, decided by a trial when the content is written
    sfsEncrypted = 3,  // the compressed stream form encrypted with RC5 (CBC) and the password
    sfsSignedUCL = 4,  // the signed string form, "UCL_High" style, no scrambling
};

// Options of a container opened for writing: bit 0 writes "SFSv1.00" with
// 8-bit names, clear writes "SFSv1.01".
inline constexpr int sfsoVersion100 = 1;

// Progress of one entry write: (entry name, total bytes, bytes written so far
// or the container size, source bytes consumed).
using TSFSProgress = std::function<void(const QString& name, qint64 total, qint64 written, qint64 consumed)>;

// Frees an entry or directory for its owner. Their destructors are private,
// so that nothing else can free them: entries and directories belong to their
// directory, the root to its container.
struct TSFSOwnerDelete {
    void operator()(TObject* object) const { delete object; }
};

// One entry of a container.
class TSFSFile : public TReadWriteAble {
    LORVANE_PERSISTENT_CLASS(TSFSFile, TReadWriteAble)
public:
    TSFSFile() = default;

    const QString& Name() const { return FName; }
    TSFSObject* Container() const { return FContainer; }
    TSFSDirectory* Directory() const { return FDirectory; }

    qint32 Offset = 0;     // start of the stored bytes in the container
    qint32 Size = 0;       // number of stored bytes
    qint32 ActualSize = 0; // number of bytes of the content
    qint32 Compression = sfsAuto;
    TSFSProgress OnProgress;

    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;

    // The content (container in reading mode).
    QByteArray GetData() const;
    // Reads an object from the content (container in reading mode), as
    // object.LoadFromString(GetData()) does; the compressed styles are read as
    // they are decompressed, without holding the whole content.
    void ReadObject(TLoadSaveAble& object) const;
    // Writes the content (container in writing mode); appends at the end of the container.
    void SetData(const QByteArray& data);
    void SetDataFromStream(TStream& source, const TSFSProgress& onProgress = {});

private:
    friend class TSFSDirectory;
    friend class TSFSObject;
    ~TSFSFile() override;
    // The stored bytes, after the checks of the entry's place and style; empty for an empty entry.
    QByteArray storedBytes(const char* operation) const;
    // The stored bytes of a compressed style as the compressed stream form.
    QByteArray streamForm(QByteArray stored) const;
    QString FName;
    TSFSObject* FContainer = nullptr;
    TSFSDirectory* FDirectory = nullptr;
};

// A directory of a container: subdirectories and entries, in the order added.
class TSFSDirectory : public TLoadSaveAble {
    LORVANE_PERSISTENT_CLASS(TSFSDirectory, TLoadSaveAble)
public:
    TSFSDirectory() = default;

    const QString& Name() const { return FName; }
    TSFSDirectory* Parent() const { return FParent; }
    TSFSObject* Container() const { return FContainer; }

    int SubdirectoryCount() const { return int(FSubdirectories.size()); }
    TSFSDirectory* Subdirectories(int index) const { return FSubdirectories[size_t(index)].get(); }
    int FileCount() const { return int(FFiles.size()); }
    TSFSFile* Files(int index) const { return FFiles[size_t(index)].get(); }

    // Case-insensitive lookups of a direct child; none when absent.
    TSFSDirectory* FindSubdirectory(const QString& name) const;
    TSFSFile* FindFileInDirectory(const QString& name) const;

    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;

private:
    friend class TSFSObject;
    ~TSFSDirectory() override;
    void attach(TSFSObject* container, TSFSDirectory* parent, int depth);
    QString FName;
    TSFSDirectory* FParent = nullptr;
    TSFSObject* FContainer = nullptr;
    int FDepth = 0;
    std::vector<std::unique_ptr<TSFSDirectory, TSFSOwnerDelete>> FSubdirectories;
    std::vector<std::unique_ptr<TSFSFile, TSFSOwnerDelete>> FFiles;
};

class TSFSObject {
public:
    // Reading: each reads the header, the label and the directory at once.
    // The container starts at position 0 of the stream.
    static std::unique_ptr<TSFSObject> CreateForReading(TStream& stream);
    // ESFSFileDoesNotExist (message: the file name) for a missing file.
    static std::unique_ptr<TSFSObject> CreateForReadingFile(const QString& fileName);
    static std::unique_ptr<TSFSObject> CreateForReadingString(const QByteArray& data);
    // From a resource compiled into the program (a Qt resource path such as
    // ":/SFS_ICONS"); ESFSFileDoesNotExist when there is none.
    static std::unique_ptr<TSFSObject> CreateForReadingResource(const QString& resourceName);

    // Writing: the version tag chosen by options bit 0, four zero bytes, an empty root "\".
    static std::unique_ptr<TSFSObject> CreateForWriting(TStream& stream, int options);
    static std::unique_ptr<TSFSObject> CreateForWritingFile(const QString& fileName, int options);

    // Finishes a container opened for writing (if Close was not called) and
    // releases an owned stream. Errors while finishing are swallowed here:
    // writers that must know call Close.
    ~TSFSObject();
    TSFSObject(const TSFSObject&) = delete;
    TSFSObject& operator=(const TSFSObject&) = delete;

    // Writing mode: writes the trailer offset, the label and the compressed
    // directory, then releases an owned stream. Reading mode: releases an owned
    // stream. Entries can no longer be read or written afterwards.
    void Close();

    bool IsWriting() const { return FWriting; }
    bool IsClosed() const { return FClosed; }
    int Options() const { return FOptions; }
    const QByteArray& VersionTag() const { return FVersionTag; }
    // Names are written as 8-bit text ("SFSv1.00") or with the filer's text forms.
    bool EightBitNames() const { return FVersionTag == "SFSv1.00"; }

    // Written as 32 bytes (padded with spaces, cut when longer); read with
    // trailing bytes below 33 stripped.
    const QByteArray& Label() const { return FLabel; }
    void SetLabel(const QByteArray& label) { FLabel = label; }

    // Keys the style-3 entries written or read from now on.
    const QByteArray& Password() const { return FPassword; }
    void SetPassword(const QByteArray& password) { FPassword = password; }

    TSFSDirectory* RootDirectory() const { return FRoot.get(); }
    TSFSDirectory* CurrentDirectory() const { return FCurrent; }
    void SetCurrentDirectory(TSFSDirectory* directory) { FCurrent = directory ? directory : FRoot.get(); }

    // A new entry of style 2 appended to directory's entries (names are not checked for duplicates).
    TSFSFile* AddFile(TSFSDirectory* directory, const QString& name);
    // A new subdirectory appended to directory's subdirectories.
    TSFSDirectory* AddDirectory(TSFSDirectory* directory, const QString& name);

    void SetData(TSFSFile* entry, const QByteArray& data) { entry->SetData(data); }
    void SetDataFromStream(TSFSFile* entry, TStream& source, const TSFSProgress& onProgress = {}) {
        entry->SetDataFromStream(source, onProgress);
    }
    QByteArray GetData(const TSFSFile* entry) const { return entry->GetData(); }

    // Paths use "\" as separator; a leading "\" starts at the root, anything
    // else at the current directory; "" and "." stay, ".." goes up. Names are
    // compared case-insensitively. None when a part is not found.
    TSFSDirectory* FindDirectory(const QString& path) const;
    TSFSFile* FindFile(const QString& path) const;
    bool FileExists(const QString& path) const { return FindFile(path) != nullptr; }

    // The stream the container reads or writes (none once closed).
    TStream* Stream() const { return FStream; }

private:
    friend class TSFSFile;
    TSFSObject() = default;
    void openForReading();
    void startWriting(int options);
    void finishWriting();
    TStream& stream(const char* operation, const TSFSFile* entry) const;

    TStream* FStream = nullptr;
    std::unique_ptr<TStream> FOwnedStream;
    int FOptions = 0;
    QByteArray FVersionTag;
    QByteArray FLabel;
    QByteArray FPassword;
    std::unique_ptr<TSFSDirectory, TSFSOwnerDelete> FRoot;
    TSFSDirectory* FCurrent = nullptr;
    bool FWriting = false;
    bool FClosed = false;
    qint64 FTrailer = 0; // D of a container opened for reading
};
