// packicons: packs the program's images into the container the viewer reads
// them from (run by the build). Each PNG becomes one entry named after the
// file without its extension, stored as a signed compressed string.
//   usage: packicons OUT IMAGE.png...
#include "USFSObject.h"
#include "SysExceptions.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: packicons OUT IMAGE.png...\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    try {
        TBlockBufferedStream stream;
        {
            auto container = TSFSObject::CreateForWriting(stream, sfsoVersion100);
            for (int i = 2; i < argc; ++i) {
                const QString path = QString::fromLocal8Bit(argv[i]);
                QFile image(path);
                if (!image.open(QIODevice::ReadOnly)) throw Exception(QStringLiteral("%1: cannot be read").arg(path));
                TSFSFile* entry = container->AddFile(container->RootDirectory(), QFileInfo(path).completeBaseName());
                entry->Compression = sfsSignedUCL;
                entry->SetData(image.readAll());
            }
            container->Close();
        }
        QSaveFile file(out);
        const QByteArray bytes = stream.GetDataString();
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            throw Exception(QStringLiteral("%1: cannot be written").arg(out));
    } catch (const Exception& e) {
        std::fprintf(stderr, "packicons: %s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
