#pragma once
// Small helpers for byte-exact tests: hex text in, hex text out.
#include <QByteArray>
#include <QString>

inline QByteArray hexBytes(const char* spacedHex) { return QByteArray::fromHex(QByteArray(spacedHex).replace(' ', "")); }
inline std::string toHex(const QByteArray& bytes) { return bytes.toHex(' ').toStdString(); }
