#include "media/CatalogOptions.h"

#include "platform/SettingsStore.h"
#include "support/QtPrinters.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(CatalogOptionsTest, DefaultsThenRoundTripUnderLastCatalog)
{
    QTemporaryDir folder;
    SettingsStore settings(SettingsStore::IniFile{folder.filePath(QStringLiteral("s.ini"))});
    const CatalogOptions defaults = CatalogOptions::Load(settings);
    EXPECT_TRUE(defaults.zipFiles && defaults.exeFiles && defaults.archiveComments);
    EXPECT_FALSE(defaults.useLabelForDescription || defaults.reuseComments ||
                 defaults.validateMedia);

    CatalogOptions changed;
    changed.source = QStringLiteral("/media/usb stick");
    changed.zipFiles = false;
    changed.validateMedia = true;
    changed.Save(settings);
    EXPECT_EQ(settings.ReadText(QStringLiteral("Last Catalog"), QStringLiteral("ZIP Files")),
              QStringLiteral("0"));
    const CatalogOptions loaded = CatalogOptions::Load(settings);
    EXPECT_EQ(loaded.source, changed.source);
    EXPECT_FALSE(loaded.zipFiles);
    EXPECT_TRUE(loaded.validateMedia);
    EXPECT_TRUE(loaded.exeFiles);
}
