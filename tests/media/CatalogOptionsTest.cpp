#include "media/CatalogOptions.h"

#include "platform/SettingsStore.h"
#include "support/QtPrinters.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(CatalogOptionsTest, DefaultsThenRoundTripUnderLastCatalog)
{
    QTemporaryDir folder;
    SettingsStore settings(SettingsStore::IniFile{folder.filePath(u"s.ini"_s)});
    const CatalogOptions defaults = CatalogOptions::Load(settings);
    EXPECT_TRUE(defaults.zipFiles && defaults.exeFiles && defaults.archiveComments);
    EXPECT_FALSE(defaults.useLabelForDescription || defaults.reuseComments ||
                 defaults.validateMedia);

    CatalogOptions changed;
    changed.source = u"/media/usb stick"_s;
    changed.zipFiles = false;
    changed.validateMedia = true;
    changed.Save(settings);
    EXPECT_EQ(settings.ReadText(u"Last Catalog"_s, u"ZIP Files"_s), u"0"_s);
    const CatalogOptions loaded = CatalogOptions::Load(settings);
    EXPECT_EQ(loaded.source, changed.source);
    EXPECT_FALSE(loaded.zipFiles);
    EXPECT_TRUE(loaded.validateMedia);
    EXPECT_TRUE(loaded.exeFiles);
}
