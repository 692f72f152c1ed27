// Fuzz target: the bytes of a raw cube file (.pvc). Every input must load or
// fail with an Exception; a loaded cube must write itself back and reload.
#include "UPivotCube.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TReadOnlyStream stream(data, qint64(size));
    TPivotCubeData cube;
    try {
        cube.ReadFileContent(stream);
    } catch (const Exception&) {
        return 0;
    }
    TMemoryStream again;
    cube.WriteFileContent(again);
    again.SetPosition(0);
    TPivotCubeData back;
    back.ReadFileContent(again);   // what was written must read back
    if (back.SaveToString() != cube.SaveToString()) std::abort();
    return 0;
}
