#pragma once
// A realistic, deterministic synthetic cube: sales by region, town, product,
// month and channel. The same seed and item count give the same cube.

#include "UPivotCube.h"

#include <functional>

// onProgress(done, total) is called now and then while the items are made.
std::unique_ptr<TPivotCubeData> GenerateSampleCube(qint64 items, uint64_t seed,
                                                   const std::function<void(qint64, qint64)>& onProgress = {});
