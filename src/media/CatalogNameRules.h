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

// The names of a new disk catalog checked once more when Catalog is pressed:
// pasted, dropped or composed text never passes the key filter. A blank
// description is refused with "Catalog Description Required"; a refused
// character in the description, or in a label the user changed (the
// medium's own label may hold any character), with "Invalid Character".
// Shows the box and returns false when a name is refused.
bool CatalogNamesAcceptable(const QString &description, const QString &typedLabel,
                            const QString &currentLabel);
