#pragma once
// Shared between the parts of the language service.
#include <QString>

namespace MultiLangInternal {
// The temporary folder in force (where copies of unwritable dictionaries go).
QString tempFolder();
}  // namespace MultiLangInternal
