// The CSV record reader: one pass over the bytes, a table of the bytes that
// end an unquoted field.
#include "UPivotCubeCsvReader.h"

#include <cstring>
#include <vector>

TCsvReader::TCsvReader(const char* begin, const char* end, char delimiter)
    : FBegin(begin), FPos(begin), FEnd(end), FDelimiter(delimiter) {
    std::memset(FStopCR, 0, sizeof FStopCR);
    FStopCR[uint8_t(delimiter)] = true;
    FStopCR[uint8_t('\r')] = true;
    FStopCR[uint8_t('\n')] = true;
    FStopCR[0] = true;
}

bool TCsvReader::Next(std::vector<TCsvField>& fields) {
    fields.clear();
    FScratch.clear();
    FScratchFields.clear();
    if (FFault != cfNone || FPos >= FEnd) return false;
    FRecordLine = FLine;
    const char* p = FPos;
    const char* const end = FEnd;
    for (;;) {
        TCsvField field;
        if (p < end && *p == '"') {
            // A quoted field: up to the quote that is not doubled.
            field.Quoted = true;
            const char* start = ++p;
            bool undone = false;
            size_t scratchAt = 0;
            for (;;) {
                const void* found = std::memchr(p, '"', size_t(end - p));
                const char* q = found ? static_cast<const char*>(found) : end;
                for (const char* c = p; c < q; ++c) {
                    if (*c == '\n' || (*c == '\r' && (c + 1 >= q || c[1] != '\n'))) ++FLine;
                    else if (*c == 0) {
                        FFault = cfNulByte;
                        FFaultField = fields.size();
                        return false;
                    }
                }
                if (!found) {
                    FFault = cfUnclosedQuote;
                    FFaultField = fields.size();
                    FPos = end;
                    return false;
                }
                if (q + 1 < end && q[1] == '"') {
                    // A doubled quote: the field goes on in the buffer.
                    if (!undone) {
                        undone = true;
                        scratchAt = FScratch.size();
                        FScratch.append(start, size_t(q - start) + 1);
                    } else {
                        FScratch.append(p, size_t(q - p) + 1);
                    }
                    p = q + 2;
                    continue;
                }
                if (undone) {
                    FScratch.append(p, size_t(q - p));
                    FScratchFields.emplace_back(fields.size(), scratchAt);
                    field.Size = FScratch.size() - scratchAt;
                } else {
                    field.Data = start;
                    field.Size = size_t(q - start);
                }
                p = q + 1;
                break;
            }
            if (p < end && *p != FDelimiter && *p != '\r' && *p != '\n') {
                FFault = *p == 0 ? cfNulByte : cfTextAfterQuote;
                FFaultField = fields.size();
                return false;
            }
        } else {
            const char* start = p;
            while (p < end && !FStopCR[uint8_t(*p)]) ++p;
            if (p < end && *p == 0) {
                FFault = cfNulByte;
                FFaultField = fields.size();
                return false;
            }
            field.Data = start;
            field.Size = size_t(p - start);
        }
        if (field.Size > MaxFieldBytes || fields.size() >= MaxFields) {
            FFault = field.Size > MaxFieldBytes ? cfFieldTooLong : cfTooManyFields;
            FFaultField = fields.size();
            return false;
        }
        fields.push_back(field);
        if (p >= end) break;
        if (*p == FDelimiter) {
            ++p;
            continue;
        }
        // The end of the record: CR LF, LF or CR.
        if (*p == '\r' && p + 1 < end && p[1] == '\n') ++p;
        ++p;
        ++FLine;
        break;
    }
    FPos = p;
    // The buffer no longer grows: the views into it are final.
    for (const auto& [index, offset] : FScratchFields) fields[index].Data = FScratch.data() + offset;
    return true;
}

bool IsValidUtf8(const char* data, size_t size) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* end = p + size;
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra;
        uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra) return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        // Overlong forms, surrogates and code points beyond U+10FFFF.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

void SkipUtf8Bom(const char*& begin, const char* end) {
    if (end - begin >= 3 && std::memcmp(begin, "\xEF\xBB\xBF", 3) == 0) begin += 3;
}

namespace {

// How often each candidate delimiter stands outside quotes in one record.
struct DelimiterCounts {
    size_t commas = 0, semicolons = 0, tabs = 0;
    bool blank = true;
    size_t of(char c) const { return c == ',' ? commas : c == ';' ? semicolons : tabs; }
};

}  // namespace

char DetectCsvDelimiter(const char* begin, const char* end) {
    // The header and the first data records, read quote-aware (a quoted
    // field may hold line breaks); a bounded look keeps detection cheap.
    constexpr size_t kDataRecords = 10;
    constexpr ptrdiff_t kBytes = 64 * 1024;
    if (end - begin > kBytes) end = begin + kBytes;
    std::vector<DelimiterCounts> records(1);   // the header first
    bool quoted = false;
    for (const char* p = begin; p < end && records.size() <= kDataRecords + 1; ++p) {
        const char c = *p;
        DelimiterCounts& r = records.back();
        if (c == '"') {
            quoted = !quoted;
            r.blank = false;
        } else if (quoted) {
            continue;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && p + 1 < end && p[1] == '\n') ++p;
            // Blank lines between data records are skipped.
            if (records.size() == 1 || !r.blank) records.emplace_back();
        } else {
            r.blank = false;
            if (c == ',') ++r.commas;
            else if (c == ';') ++r.semicolons;
            else if (c == '\t') ++r.tabs;
        }
    }
    // Only records that ended with a line end count: the last one may be cut.
    const DelimiterCounts& header = records.front();
    const size_t complete = records.size() - 1;
    // The delimiter that splits the header and every data record read into
    // as many fields; of several, the one the header holds most.
    char best = 0;
    size_t bestCount = 0;
    for (const char candidate : {',', ';', '\t'}) {
        const size_t count = header.of(candidate);
        if (count == 0 || count <= bestCount || complete < 2) continue;
        bool steady = true;
        for (size_t i = 1; i < complete && steady; ++i) steady = records[i].of(candidate) == count;
        if (steady) {
            best = candidate;
            bestCount = count;
        }
    }
    if (best) return best;
    // Otherwise the header alone decides: the most frequent, ',' when none is.
    if (header.semicolons > header.commas && header.semicolons >= header.tabs) return ';';
    if (header.tabs > header.commas && header.tabs > header.semicolons) return '\t';
    return ',';
}
