#pragma once

#include <QString>

class SettingsStore;

// The choices of the last cataloguing, kept for the next one under "Last Catalog".
struct CatalogOptions
{
    // Where removable media appear on this system; the first thing offered.
    QString source = QStringLiteral("/media");
    bool useLabelForDescription = false; // "User SerialID"
    bool zipFiles = true;
    bool exeFiles = true;
    bool archiveComments = true;
    bool reuseComments = false;
    bool validateMedia = false;

    static CatalogOptions Load(const SettingsStore &settings);
    void Save(SettingsStore &settings) const;
};
