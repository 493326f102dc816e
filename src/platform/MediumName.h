#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// File names on a medium are bytes; the catalog stores text. A name that is
// valid UTF-8 becomes that text. Every byte that is not part of a valid UTF-8
// sequence becomes one character of the private-use range U+EF80..U+EFFF (the
// byte 0xNN becomes U+EFNN), so that the name is stored losslessly and the
// bytes needed to open the file later can be had back. A name that really
// contains characters of that range has their bytes escaped the same way, so
// that the mapping stays reversible for every name.
QString MediumNameText(QByteArrayView bytes);

// The inverse of MediumNameText: the bytes of the name on the medium.
// MediumNameBytes(MediumNameText(b)) == b for every byte string b.
QByteArray MediumNameBytes(const QString &name);

// True when the bytes are themselves the UTF-8 of MediumNameText(bytes): valid
// UTF-8 without characters of the escape range. Such names can be stored as
// they are, without going through a QString.
bool MediumNameIsPlainText(QByteArrayView bytes);

// Whether a path on a medium names an existing file (not a folder), by the
// bytes of its name: names that are not UTF-8 are found too.
bool MediumFileExists(const QString &path);
