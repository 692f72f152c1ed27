// Reading a compressed cube file as it is decompressed gives, for intact and
// damaged files alike, what decompressing the whole content first and reading
// it then gives: the same cube or the same error message.
#include "UCompressor.h"
#include "UPivotCubeSample.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace {

// The outcome of reading a file: the cube read back as its stored form, or the error.
std::string outcome(const std::function<void(TPivotCubeData&, TStream&)>& read, const QByteArray& file) {
    TPivotCubeData cube;
    try {
        TReadOnlyStream stream(file);
        read(cube, stream);
    } catch (const std::exception& e) {
        return std::string("error: ") + e.what();
    }
    return "cube " + std::to_string(qHash(cube.SaveToString())) + " of " + std::to_string(cube.DataItems().Count()) + " items";
}

// The whole content decompressed, then read.
void readWhole(TPivotCubeData& cube, TStream& stream) {
    QByteArray header(TPivotCubeData::FileHeader().size(), Qt::Uninitialized);
    if (stream.Read(header.data(), header.size()) != header.size() || header != TPivotCubeData::FileHeader())
        throw Exception(QStringLiteral("Invalid File IDHeader"));
    TBlockStringStream content;
    DeCompressStream(&stream, &content);
    content.SetPosition(0);
    TBinaryReader reader(content);
    cube.ReadFromFiler(reader);
}

void readStreamed(TPivotCubeData& cube, TStream& stream) { cube.ReadFileContent(stream); }

struct Damaged {
    std::string name;
    QByteArray bytes;
};

QByteArray fileOf(const QByteArray& content) {
    TBlockStringStream source;
    source.WriteBytes(content);
    TMemoryStream file;
    file.WriteBytes(TPivotCubeData::FileHeader());
    CompressStream(&source, &file);
    return file.Data();
}

void setTotal(QByteArray& file, int32_t total) {
    const qsizetype at = TPivotCubeData::FileHeader().size();
    for (int i = 0; i < 4; ++i) file[at + i] = char(uint32_t(total) >> (8 * i));
}

TEST(CubeFileReading, StreamedReadingMatchesWholeReading) {
    auto cube = GenerateSampleCube(3000, 4);
    const QByteArray content = cube->SaveToString();
    ASSERT_GT(content.size(), 4 * LZRW1KH::ChunkSize);
    const QByteArray file = fileOf(content);
    const qsizetype first = TPivotCubeData::FileHeader().size() + 4;   // the first chunk's length
    std::vector<qsizetype> chunks;
    for (qsizetype at = first; at + 2 <= file.size();) {
        chunks.push_back(at);
        at += 2 + (uint8_t(file[at]) | (uint8_t(file[at + 1]) << 8)) + 4;
    }
    ASSERT_GE(chunks.size(), size_t(5));

    std::vector<Damaged> cases = {{"intact", file}};
    for (qsizetype n : {qsizetype(0), first - 2, first + 1, chunks[1], chunks[2] + 100, chunks.back() + 3, file.size() - 1})
        cases.push_back({"cut at " + std::to_string(n), file.left(n)});
    for (size_t c : {size_t(0), size_t(2), chunks.size() - 1}) {
        QByteArray data = file, sum = file, length = file;
        data[chunks[c] + 40] = char(data[chunks[c] + 40] ^ 0x21);
        const qsizetype next = c + 1 < chunks.size() ? chunks[c + 1] : file.size();
        sum[next - 2] = char(sum[next - 2] ^ 1);
        length[chunks[c]] = char(length[chunks[c]] + 3);
        cases.push_back({"data of chunk " + std::to_string(c), data});
        cases.push_back({"sum of chunk " + std::to_string(c), sum});
        cases.push_back({"length of chunk " + std::to_string(c), length});
    }
    const int32_t total = int32_t(content.size());
    for (int32_t t : {-1, 0, 1, total - 1, total - 7000, total - LZRW1KH::ChunkSize - 5, total + 1, total + 50000, INT32_MAX}) {
        QByteArray changed = file;
        setTotal(changed, t);
        cases.push_back({"total " + std::to_string(t), changed});
    }
    // The content damaged early and the compressed data damaged late: the
    // compressed data is reported.
    {
        QByteArray bad = content;
        bad[3] = char(0x7F);
        QByteArray both = fileOf(bad);
        both[both.size() - 1] = char(both[both.size() - 1] ^ 4);
        cases.push_back({"content and last sum", both});
        cases.push_back({"content only", fileOf(bad)});
        cases.push_back({"content cut short", fileOf(content.left(content.size() / 2))});
        cases.push_back({"content with trailing bytes", fileOf(content + QByteArray(70000, 'x'))});
    }

    // Random damage: a few bytes changed anywhere, or the file cut short.
    std::mt19937 rng(2024);
    for (int i = 0; i < 40; ++i) {
        QByteArray bytes = file;
        if (i % 4 == 3) {
            bytes.truncate(qsizetype(rng() % uint32_t(file.size())));
        } else {
            for (int k = 0; k <= i % 3; ++k) {
                const qsizetype at = first + qsizetype(rng() % uint32_t(file.size() - first));
                bytes[at] = char(rng());
            }
        }
        cases.push_back({"random damage " + std::to_string(i), bytes});
    }

    for (const Damaged& c : cases) {
        const std::string whole = outcome(readWhole, c.bytes);
        EXPECT_EQ(outcome(readStreamed, c.bytes), whole) << c.name;
        if (c.name == "intact") {
            EXPECT_EQ(whole.rfind("cube", 0), 0u) << whole;
        }
        if (c.name == "content and last sum") {
            EXPECT_NE(whole.find("CRC"), std::string::npos) << whole;
        }
    }
}

// A reader that steps back further than the chunks kept is served from the
// whole content instead.
class TRereadingCube : public TPivotCubeData {
public:
    int Reads = 0;
    void ReadFromFiler(TVirtualReader& reader) override {
        TPivotCubeData::ReadFromFiler(reader);
        ++Reads;
        if (Reads == 1) {
            reader.Stream().SetPosition(0);
            TPivotCubeData::ReadFromFiler(reader);
        }
    }
};

TEST(CubeFileReading, SteppingBackBeyondTheKeptChunks) {
    auto cube = GenerateSampleCube(3000, 9);
    TMemoryStream file;
    cube->WriteFileContent(file);
    TRereadingCube back;
    TReadOnlyStream stream(file.Data());
    back.ReadFileContent(stream);
    EXPECT_EQ(back.Reads, 2);
    EXPECT_EQ(back.SaveToString(), cube->SaveToString());
    EXPECT_EQ(stream.Position(), stream.Size());
}

// Items read from a file take their storage in runs of blocks; items added
// afterwards go on from there without overlapping them.
TEST(CubeFileReading, ItemsAddedAfterReadingKeepEveryItemIntact) {
    auto cube = GenerateSampleCube(20000, 3);
    TMemoryStream file;
    cube->WriteFileContent(file);
    TPivotCubeData loaded;
    TReadOnlyStream stream(file.Data());
    loaded.ReadFileContent(stream);
    ASSERT_EQ(loaded.DataItems().Count(), 20000);
    const qint64 afterReading = loaded.DataItems().MemoryUsed();
    EXPECT_GE(afterReading, qint64(20000) * (5 * 4 + 4 * 8));
    EXPECT_LE(afterReading, qint64(20000) * (5 * 4 + 4 * 8 + 16) + 2 * TPCDataItems::IDBlockEntries * 4 +
                                2 * TPCDataItems::ValueBlockEntries * 8);
    for (int i = 0; i < 30000; ++i) {
        const int32_t ids[5] = {1 + i % 13, 1 + i % 100, 1 + i % 50, 1 + i % 36, 1 + i % 4};
        const double values[4] = {i * 0.5, double(i % 7), i * 0.25, -double(i)};
        loaded.DataItems().Add(ids, values);
        cube->DataItems().Add(ids, values);
    }
    EXPECT_EQ(loaded.SaveToString(), cube->SaveToString());
    EXPECT_GT(loaded.DataItems().MemoryUsed(), afterReading);
}

} // namespace
