#include "media/CatalogOptions.h"

#include "platform/SettingsStore.h"

namespace {
const QString kSection = QStringLiteral("Last Catalog");
}

CatalogOptions CatalogOptions::Load(const SettingsStore &settings)
{
    const CatalogOptions defaults;
    CatalogOptions options;
    options.source = settings.ReadText(kSection, QStringLiteral("Catalog Source"), defaults.source);
    options.useLabelForDescription = settings.ReadBool(kSection, QStringLiteral("User SerialID"),
                                                       defaults.useLabelForDescription);
    options.zipFiles = settings.ReadBool(kSection, QStringLiteral("ZIP Files"), defaults.zipFiles);
    options.exeFiles = settings.ReadBool(kSection, QStringLiteral("EXE Files"), defaults.exeFiles);
    options.archiveComments =
        settings.ReadBool(kSection, QStringLiteral("Archive Comments"), defaults.archiveComments);
    options.reuseComments =
        settings.ReadBool(kSection, QStringLiteral("Reuse Comments"), defaults.reuseComments);
    options.validateMedia =
        settings.ReadBool(kSection, QStringLiteral("Validate Media"), defaults.validateMedia);
    return options;
}

void CatalogOptions::Save(SettingsStore &settings) const
{
    settings.WriteText(kSection, QStringLiteral("Catalog Source"), source);
    settings.WriteBool(kSection, QStringLiteral("User SerialID"), useLabelForDescription);
    settings.WriteBool(kSection, QStringLiteral("ZIP Files"), zipFiles);
    settings.WriteBool(kSection, QStringLiteral("EXE Files"), exeFiles);
    settings.WriteBool(kSection, QStringLiteral("Archive Comments"), archiveComments);
    settings.WriteBool(kSection, QStringLiteral("Reuse Comments"), reuseComments);
    settings.WriteBool(kSection, QStringLiteral("Validate Media"), validateMedia);
}
