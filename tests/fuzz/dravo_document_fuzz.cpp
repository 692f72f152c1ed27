// The bytes of a ".Dravo" document file from anywhere: opening the container
// and loading the document and its cube must end in a clear error or a
// document, never in a crash or a runaway allocation.
#include "UPivotCubeInteractive.h"

#include <cstddef>
#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        auto container = TSFSObject::CreateForReadingString(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        for (const QByteArray& password : {QByteArray(), QByteArray("fuzz")}) {
            TPCInteractive document;
            TPivotCubeData cube;
            if (LoadDocumentFromContainer(*container, &document, &cube, password)) {
                TPCInteractiveViewGraph* graph = nullptr;
                document.DefaultView(&graph);
                document.SaveToString();
            }
        }
    } catch (const std::exception&) {
    }
    return 0;
}
