#include "media/CatalogNameRules.h"

#include "media/MediaIdentification.h"
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

bool CatalogNamesAcceptable(const QString &description, const QString &typedLabel,
                            const QString &currentLabel)
{
    if (description.trimmed().isEmpty()) {
        UI().ShowError(QStringLiteral("Catalog Description Required"),
                       QStringLiteral("Please specify a valid Catalog Description before "
                                      "continuing"));
        return false;
    }
    const bool labelRefused =
        LabelChanged(typedLabel, currentLabel) && HasRefusedNameCharacter(typedLabel);
    if (HasRefusedNameCharacter(description) || labelRefused) {
        UI().ShowError(QStringLiteral("Invalid Character"), InvalidCharacterText());
        return false;
    }
    return true;
}
