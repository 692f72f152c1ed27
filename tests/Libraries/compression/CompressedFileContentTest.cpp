// Files whose content is the compressed stream form of the filer form.
#include "TestBytes.h"
#include "UCompressor.h"
#include "XClasses.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class TCompressedTestFile : public TLoadSaveAble {
    LORVANE_PERSISTENT_CLASS(TCompressedTestFile, TLoadSaveAble)
public:
    int32_t Number = 0;
    QString Text;
    void WriteToFiler(TVirtualWriter& w) const override {
        w.WriteInteger("Number", Number);
        w.WriteString("Text", Text);
    }
    void ReadFromFiler(TVirtualReader& r) override {
        Number = r.ReadInteger("Number");
        Text = r.ReadString("Text");
    }
    const IFileContentCodec* FileContentCodec() const override { return &CompressedFileContent(); }
    QByteArray FileFormatIDHeader() const override { return QByteArrayLiteral("HDR-1"); }
};

} // namespace

LORVANE_IMPLEMENT_CLASS(TCompressedTestFile, TLoadSaveAble)

namespace {

QByteArray contents(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
}

TEST(CompressedFileContent, HeaderThenStreamFormAndBack) {
    QTemporaryDir dir;
    TCompressedTestFile object;
    object.Number = 1;
    object.Text = QStringLiteral("ab");
    object.SaveToFile(dir.filePath("t.dat"));
    // header, total 6, one chunk of 7 copied bytes, byte sum 0xCE
    EXPECT_EQ(toHex(contents(dir.filePath("t.dat"))),
              toHex(QByteArray("HDR-1") + hexBytes("06 00 00 00 07 00 80 02 01 06 02 61 62 ce 00 00 00")));
    TCompressedTestFile back;
    back.LoadFromFile(dir.filePath("t.dat"));
    EXPECT_EQ(back.Text, QStringLiteral("ab"));
    EXPECT_TRUE(back.UseCompressionForFiles());
}

TEST(CompressedFileContent, DamagedChunkIsReported) {
    QTemporaryDir dir;
    QFile f(dir.filePath("crc.dat"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("HDR-1") + hexBytes("06 00 00 00 07 00 80 02 01 06 02 61 62 cf 00 00 00"));
    f.close();
    TCompressedTestFile object;
    try {
        object.LoadFromFile(dir.filePath("crc.dat"));
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "DeCompressStream : data corrupt, failed CRC test !");
    }
}

} // namespace
