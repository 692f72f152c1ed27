#pragma once
// The program's own version and the version numbers the version check reads.

#include <QString>

#include <array>
#include <optional>

// major, minor, release, build
using TVersionNumber = std::array<int, 4>;

// An optional leading "v", then numbers separated by "."; a part that is not
// an integer counts as -1, missing parts as 0 ("2.4.3.x" is 2.4.3.-1).
TVersionNumber ParseVersion(const QString& text);
// Negative, zero or positive as a is older than, equal to or newer than b.
int CompareVersions(const TVersionNumber& a, const TVersionNumber& b);

// The program's file version from the build (the project version), or
// nothing when the build gave none.
std::optional<TVersionNumber> AppFileVersion();
// "%d.%d.%d.%d" of the file version; without one, the program file's date
// and time as "yyyy.m.d.hhnn". Computed once.
QString GetAppVersionString();
