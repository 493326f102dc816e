#pragma once

#include <QChar>
#include <QString>

// The characters a catalog name and a disk label cannot hold, in the order
// the "Invalid Character" box lists them.
inline const QString kRefusedNameCharacters = QStringLiteral("\\/:?\"<>|.");

inline bool IsRefusedNameCharacter(QChar character)
{
    return kRefusedNameCharacters.contains(character);
}

bool HasRefusedNameCharacter(const QString &name);

// The text of the "Invalid Character" box.
QString InvalidCharacterText();

// The text of the "Unsupported Device" box, shown for a source of class 0.
QString UnsupportedDeviceText();
