// Container bytes from anywhere: opening, walking the tree and reading every
// entry must end in a clear error or in data, never in a crash or a runaway
// allocation.
#include "USFSObject.h"

#include <cstddef>
#include <cstdint>
#include <exception>

namespace {

void readAll(TSFSObject& container, TSFSDirectory* directory) {
    for (int i = 0; i < directory->FileCount(); ++i) {
        try {
            container.GetData(directory->Files(i));
        } catch (const std::exception&) {
        }
    }
    for (int i = 0; i < directory->SubdirectoryCount(); ++i) readAll(container, directory->Subdirectories(i));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        auto container = TSFSObject::CreateForReadingString(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        container->SetPassword("fuzz");
        readAll(*container, container->RootDirectory());
        container->FindFile("\\a\\..\\b\\c");
    } catch (const std::exception&) {
    }
    return 0;
}
