#include "media/DeviceCheck.h"

#include "media/MediaIdentification.h"
#include "store/CatalogSchema.h"
#include "support/FakeDriveSystem.h"
#include "support/QtPrinters.h"
#include "support/ScriptedUserInterface.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kWrongDisk =
    u"The Disk in the drive, is not the expected disk or the disks Label has been changed."_s;
const QString kNotReady = u"The Drive is not ready. Please insert the indicated disk."_s;
const QString kArchiveMessage =
    u"Please insert the indicated Archive Volume in the Drive specified"_s;

// A removable drive whose mount point is a real folder with a source folder
// on it, as a mounted stick has.
class DeviceCheckTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_mount = m_folder.filePath(u"STICK"_s);
        m_source = m_mount + u"/Photos"_s;
        QDir().mkpath(m_source);
        m_drives.Mount(m_mount, DriveKind::Removable, u"Holiday"_s);
    }

    FakeDriveSystem::Drive &Stick() { return m_drives.At(m_mount); }

    QTemporaryDir m_folder;
    QString m_mount;
    QString m_source;
    FakeDriveSystem m_drives;
    ScriptedUserInterface m_ui;
};

TEST_F(DeviceCheckTest, TheRightDiskPassesWithoutAWindow)
{
    // Each row: label (on the disk), required, demand.
    const std::tuple<QString, QString, bool> rows[] = {
        {u"Holiday"_s, u"HOLIDAY"_s, true}, // letter case ignored
        {u"Holiday"_s, u"holiday"_s, true},
        {QString(), QString(), true},      // an unlabelled disk for an unlabelled catalog
        {u"Other"_s, u"HOLIDAY"_s, false}, // any disk will do
        {QString(), u"HOLIDAY"_s, false},
    };
    for (const auto &[label, required, demand] : rows) {
        Stick().label = label;
        QString found;
        EXPECT_TRUE(DeviceReady(u"Photos"_s, m_source, required, false, demand, &found))
            << label.toStdString() << " for " << required.toStdString();
        EXPECT_EQ(found, m_source);
    }
    EXPECT_TRUE(m_ui.TakeDeviceChecks().empty());
    EXPECT_EQ(m_ui.BeepCount(), 0);
}

// OK without a change asks again: for an empty drive, then for a wrong disk.
TEST_F(DeviceCheckTest, AnEmptyDriveOrAWrongDiskIsShownUntilTheRightOneIsIn)
{
    Stick().ready = false;
    m_ui.QueueDeviceCheck(true);
    m_ui.QueueDeviceCheck(true, [&] { m_drives.Insert(m_mount, u"Other"_s); });
    m_ui.QueueDeviceCheck(true);
    m_ui.QueueDeviceCheck(true, [&] { m_drives.Insert(m_mount, u"holiday"_s); });

    EXPECT_TRUE(DeviceReady(u"Photos 2020"_s, m_source, u"HOLIDAY"_s, false, true));
    const std::vector<DeviceCheckView> views = m_ui.TakeDeviceChecks();
    ASSERT_EQ(views.size(), 4u);
    const DeviceCheckView &view = views[2];
    EXPECT_EQ((QStringList{view.caption, view.heading, view.message, view.currentDiskCaption,
                           view.currentLabel, view.currentDrive, view.requiredDrive,
                           view.requiredLabel, view.nameCaption, view.name}),
              (QStringList{u"Insert Disk -- "_s + m_source, u"Insert Cataloged Disk in Drive."_s,
                           kWrongDisk, u"Current Disk in Drive:"_s, u"OTHER"_s, m_mount, m_source,
                           u"HOLIDAY"_s, u"Catalog Name:"_s, u"Photos 2020"_s}));
    EXPECT_TRUE(view.currentLabelShown);
    EXPECT_EQ(view.driveClass, CatalogSchema::kRemovableDiskClass);
    EXPECT_EQ(m_ui.BeepCount(), 4) << "one beep per showing";
}

TEST_F(DeviceCheckTest, ShowsWhatIsWrongInEachCase)
{
    const QString missing = m_mount + u"/Music"_s;
    // Each row: name, prepare, source, required, archive, demand, message, currentCaption,
    // labelShown, currentLabel, requiredLabel.
    const std::tuple<const char *, std::function<void(FakeDriveSystem::Drive &)>, QString, QString,
                     bool, bool, QString, QString, bool, QString, QString>
        rows[] = {
            {"unlabelled disk in the drive", [](auto &d) { d.label.clear(); }, m_source,
             u"HOLIDAY"_s, false, true, kWrongDisk, u"Current Disk in Drive:"_s, true,
             u"<Unlabelled>"_s, u"HOLIDAY"_s},
            {"labelled disk for an unlabelled catalog", [](auto &) {}, m_source, QString(), false,
             true, kWrongDisk, u"Current Disk in Drive:"_s, true, u"HOLIDAY"_s, u"<Unlabelled>"_s},
            {"empty drive", [](auto &d) { d.ready = false; }, m_source, u"HOLIDAY"_s, false, true,
             kNotReady, u"Drive Not Ready:"_s, false, QString(), u"HOLIDAY"_s},
            {"empty drive, any disk", [](auto &d) { d.ready = false; }, m_source, u"HOLIDAY"_s,
             false, false, kNotReady, u"Drive Not Ready:"_s, false, QString(), QString()},
            {"source folder missing", [](auto &) {}, missing, u"HOLIDAY"_s, false, true, kNotReady,
             u"Drive Not Ready:"_s, false, QString(), u"HOLIDAY"_s},
            {"archive volume, wrong disk", [](auto &) {}, m_source, u"DVARC0001"_s, true, true,
             kArchiveMessage, u"Current Disk in Drive:"_s, true, u"HOLIDAY"_s, u"DVARC0001"_s},
            {"archive volume, empty drive", [](auto &d) { d.ready = false; }, m_source,
             u"DVARC0001"_s, true, true, kArchiveMessage, u"Drive Not Ready:"_s, false, QString(),
             u"DVARC0001"_s},
        };
    for (const auto &[name, prepare, source, required, archive, demand, message, currentCaption,
                      labelShown, currentLabel, requiredLabel] : rows) {
        SCOPED_TRACE(name);
        m_drives.Insert(m_mount, u"Holiday"_s);
        prepare(Stick());
        m_ui.QueueDeviceCheck(false);
        EXPECT_FALSE(DeviceReady(u"Name"_s, source, required, archive, demand))
            << "cancel gives up";
        const std::vector<DeviceCheckView> views = m_ui.TakeDeviceChecks();
        ASSERT_EQ(views.size(), 1u);
        const DeviceCheckView &view = views[0];
        EXPECT_EQ(
            std::tuple(view.message, view.currentDiskCaption, view.currentLabelShown,
                       view.currentLabel, view.requiredLabel, view.requiredDrive),
            std::tuple(message, currentCaption, labelShown, currentLabel, requiredLabel, source));
        EXPECT_EQ(view.heading, archive ? u"Insert Archive Volume in Drive"_s
                                        : u"Insert Cataloged Disk in Drive."_s);
        EXPECT_EQ(view.nameCaption, archive ? u"Archive Name"_s : u"Catalog Name:"_s);
    }
}

TEST_F(DeviceCheckTest, TheStoredUnlabelledTextAsksForADiskWithoutLabelAndForeignSourcesNever)
{
    Stick().label.clear();
    EXPECT_TRUE(DeviceReadyForLabel(u"Photos"_s, u"<Unlabelled>"_s, m_source, false));
    EXPECT_TRUE(m_ui.TakeDeviceChecks().empty());
    // A source stored by another system is never ready.
    m_ui.QueueDeviceCheck(false);
    EXPECT_FALSE(DeviceReadyForLabel(u"Old floppy"_s, u"DISK1"_s, u"A:\\"_s, false));
    const std::vector<DeviceCheckView> views = m_ui.TakeDeviceChecks();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(std::tuple(views[0].caption, views[0].message, views[0].driveClass),
              std::tuple(u"Insert Disk -- A:\\"_s, kNotReady, int(DriveClass::NotSupported)));
}

TEST_F(DeviceCheckTest, ADiskMountedElsewhereIsFoundByItsLabel)
{
    // The stick came back under another mount point; the old one is gone.
    const QString moved = m_folder.filePath(u"HOLIDAY_"_s);
    QDir().mkpath(moved + u"/Photos"_s);
    m_drives.Unmount(m_mount);
    QDir(m_mount).removeRecursively();
    m_drives.Mount(moved, DriveKind::Removable, u"Holiday"_s);
    const QString stored = m_folder.filePath(u"Holiday/Photos"_s);

    QString found;
    EXPECT_TRUE(DeviceReadyForLabel(u"Photos"_s, u"HOLIDAY"_s, stored, false, &found));
    EXPECT_EQ(found, moved + u"/Photos"_s);
    EXPECT_TRUE(m_ui.TakeDeviceChecks().empty());

    // A caller that cannot work from another place is asked for the disk.
    m_ui.QueueDeviceCheck(false);
    EXPECT_FALSE(DeviceReadyForLabel(u"Photos"_s, u"HOLIDAY"_s, stored, false));
    EXPECT_EQ(m_ui.TakeDeviceChecks().size(), 1u);

    // An empty label is on every unlabelled disk and finds nothing.
    m_drives.At(moved).label.clear();
    m_ui.QueueDeviceCheck(false);
    EXPECT_FALSE(DeviceReadyForLabel(u"Photos"_s, u"<Unlabelled>"_s, stored, false, &found));
    EXPECT_EQ(m_ui.TakeDeviceChecks().size(), 1u);
}

} // namespace
