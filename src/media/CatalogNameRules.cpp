#include "media/CatalogNameRules.h"

#include "platform/UserInterface.h"

#include <QStringList>

bool HasRefusedNameCharacter(const QString &name)
{
    for (const QChar character : name) {
        if (IsRefusedNameCharacter(character))
            return true;
    }
    return false;
}

QString InvalidCharacterText()
{
    QStringList characters;
    for (const QChar character : kRefusedNameCharacters)
        characters.append(QString(character));
    return QStringLiteral("The Catalog Name cannot contain any of the following characters:") +
           kParagraphBreak + QStringLiteral("\t\t ") + characters.join(u' ');
}

QString UnsupportedDeviceText()
{
    return QStringLiteral("The device to be cataloged is not supported by this release") +
           kParagraphBreak + QStringLiteral("Please select another Catalog Source");
}
