#include "ui/AboutBox.h"

#include "platform/UserInterface.h"

#include <QCoreApplication>

void ShowAboutBox()
{
    UI().ShowInformation(
        QStringLiteral("About Dirvanta 97"),
        QStringLiteral("Dirvanta 97, version %1").arg(QCoreApplication::applicationVersion()) +
            kParagraphBreak +
            QStringLiteral("Keeps catalogs of the contents of disks. Free "
                           "software under the MIT licence."));
}
