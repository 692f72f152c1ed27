// desktopfiles: writes the desktop entry and the MIME package that
// installation puts in the system's data folder, from the texts the viewer
// registers in a user's data folder, so that the two never drift apart.
//   usage: desktopfiles DESKTOP_ENTRY MIME_PACKAGE
// The installed entry starts "lorvane" from the PATH and shows the
// installed "lorvane" icon.
#include "UDesktopAssociation.h"

#include <QFile>

#include <cstdio>

namespace {

bool write(const char* path, const QByteArray& bytes) {
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "desktopfiles: %s: %s\n", path, file.errorString().toLocal8Bit().constData());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: desktopfiles DESKTOP_ENTRY MIME_PACKAGE\n", stderr);
        return 2;
    }
    return write(argv[1], DesktopEntryText(QStringLiteral("lorvane"), QStringLiteral("lorvane"))) && write(argv[2], MimePackageText()) ? 0 : 1;
}
