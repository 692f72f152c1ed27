// The compressed file content: the filer form of an object kept in the stream
// form, read back as it is decompressed.
#include "UCompressor.h"

namespace {
class TCompressedFileContent : public IFileContentCodec {
public:
    void WriteContent(const TReadWriteAble& object, TStream& dest) const override {
        TBlockStringStream content;
        {
            TBinaryWriter writer(content, 65536);
            object.WriteToFiler(writer);
        }
        CompressStream(&content, &dest);
    }
    void ReadContent(TStream& source, TReadWriteAble& object) const override { ReadCompressedObject(source, object); }
};
} // namespace

const IFileContentCodec& CompressedFileContent() {
    static const TCompressedFileContent codec;
    return codec;
}

void ReadCompressedObject(TStream& stream, TReadWriteAble& object) {
    // Damaged compressed data is reported before anything the reading met, as
    // when the whole content is decompressed first; where the streamed reading
    // cannot give what the whole content would (a total that the chunks do not
    // match, a step back beyond the chunks kept), the content is decompressed
    // whole and read again.
    const qint64 start = stream.Position();
    bool again = false;
    {
        TDeCompressingStream content(stream);
        try {
            TBinaryReader reader(content, 65536);
            object.ReadFromFiler(reader);
        } catch (...) {
            content.Finish();
            if (content.Exact()) throw;
            again = true;
        }
        if (!again) {
            content.Finish();
            again = !content.Exact();
        }
    }
    if (!again) return;
    stream.SetPosition(start);
    TBlockStringStream content(TBlockBufferedStream::DefaultBlockSize * 4);
    DeCompressStream(&stream, &content);
    content.SetPosition(0);
    TBinaryReader reader(content, 65536);
    object.ReadFromFiler(reader);
}
