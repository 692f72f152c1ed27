#pragma once
// The records of a CSV text, field by field, straight from its bytes: an
// unquoted field is a view into the text, a quoted one too unless it holds a
// doubled quote, which is then undone in a buffer kept for the record. Nothing
// is allocated per field once the buffers have grown to the widest record.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TCsvField {
    const char* Data = nullptr;
    size_t Size = 0;
    bool Quoted = false;
};

class TCsvReader {
public:
    // A fault of the text itself; the reader's line tells where.
    enum TFault { cfNone, cfUnclosedQuote, cfTextAfterQuote, cfNulByte, cfTooManyFields, cfFieldTooLong };
    // Beyond these a text is not a table: the reader stops before it holds them.
    static constexpr size_t MaxFields = 16384;
    static constexpr size_t MaxFieldBytes = size_t(1) << 20;

    TCsvReader(const char* begin, const char* end, char delimiter);
    // The next record's fields (false at the end of the text). A blank line
    // is a record of one empty unquoted field.
    bool Next(std::vector<TCsvField>& fields);
    TFault Fault() const { return FFault; }
    // The line (1-based, line breaks inside quotes counted) where the last record starts.
    int64_t RecordLine() const { return FRecordLine; }
    // The field of the last record where the fault lies (0-based).
    size_t FaultField() const { return FFaultField; }
    // Bytes of the text consumed so far.
    size_t Offset() const { return size_t(FPos - FBegin); }

private:
    const char* FBegin;
    const char* FPos;
    const char* FEnd;
    char FDelimiter;
    int64_t FLine = 1;
    int64_t FRecordLine = 1;
    TFault FFault = cfNone;
    size_t FFaultField = 0;
    // Undone quoted fields of the current record, and where each one starts.
    std::string FScratch;
    std::vector<std::pair<size_t, size_t>> FScratchFields;   // (field index, offset in FScratch)
    bool FStopCR[256];   // the bytes that end an unquoted field
};

// Whether the bytes are valid UTF-8.
bool IsValidUtf8(const char* data, size_t size);

// The text after a UTF-8 byte order mark, if there is one.
void SkipUtf8Bom(const char*& begin, const char* end);
// The delimiter: of ',', ';' and tab, the one that splits the header line and
// the first data records into as many fields (the one the header holds most
// when several do); failing that, the one the header holds most outside
// quotes (',' when it holds none).
char DetectCsvDelimiter(const char* begin, const char* end);
