// The document file type registered with the desktop.
#include "UDesktopAssociation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

QByteArray MimePackageText() {
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-pivotcube\">\n"
        "    <comment>Veltrano Dravo Document</comment>\n"
        "    <glob pattern=\"*.Dravo\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n");
}

QByteArray DesktopEntryText(const QString& program, const QString& icon) {
    // The path is quoted as freedesktop desktop entries want it.
    QString quoted = program;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Lorvane\n"
                          "Comment=Veltrano Dravo Document\n"
                          "Exec=\"%1\" %f\n"
                          "Icon=%2\n"
                          "MimeType=application/x-pivotcube;\n"
                          "Categories=Office;Viewer;\n"
                          "Terminal=false\n")
        .arg(quoted, icon)
        .toUtf8();
}

namespace {

// Writes the file when its content differs; true when it was written.
bool writeWhenDifferent(const QString& path, const QByteArray& content) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content) return false;
    existing.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(content);
    return file.commit();
}

void refresh(const char* tool, const QString& folder) {
    const QString program = QStandardPaths::findExecutable(QString::fromLatin1(tool));
    if (!program.isEmpty()) QProcess::startDetached(program, {folder});
}

} // namespace

QString MimePackagePath(const QString& dataFolder) { return dataFolder + QStringLiteral("/mime/packages/lorvane-dravo.xml"); }
QString DesktopEntryPath(const QString& dataFolder) { return dataFolder + QStringLiteral("/applications/lorvane.desktop"); }

bool RegisterDesktopAssociation(const QString& dataFolder, const QString& program, bool refreshCaches) {
    if (dataFolder.isEmpty()) return false;
    const bool mime = writeWhenDifferent(MimePackagePath(dataFolder), MimePackageText());
    const bool entry = writeWhenDifferent(DesktopEntryPath(dataFolder), DesktopEntryText(program));
    if (!refreshCaches) return mime || entry;
    if (mime) refresh("update-mime-database", dataFolder + QStringLiteral("/mime"));
    if (entry) refresh("update-desktop-database", dataFolder + QStringLiteral("/applications"));
    return mime || entry;
}
