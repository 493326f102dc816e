#include "TestFiles.h"
#include "platform/Drives.h"
#include "support/QtPrinters.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

using namespace Qt::StringLiterals;

namespace {

// The stand-in for udisks2: one block device with a file system, which takes
// every label unless told to refuse and says whether it is read-only.
class FakeBlockDevice final : public QDBusVirtualObject
{
public:
    QStringList Labels()
    {
        const QMutexLocker lock(&m_mutex);
        return m_labels;
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.member() == u"SetLabel"_s) {
            const QMutexLocker lock(&m_mutex);
            m_labels.append(message.arguments().value(0).toString());
            return connection.send(
                refuse ? message.createErrorReply(u"org.freedesktop.UDisks2.Error.Failed"_s,
                                                  u"write-protected"_s)
                       : message.createReply());
        }
        if (message.member() == u"GetAll"_s)
            return connection.send(message.createReply(QVariantMap()));
        return message.member() == u"Get"_s &&
               connection.send(
                   message.createReply(QVariant::fromValue(QDBusVariant(bool(readOnly)))));
    }

    std::atomic<bool> refuse = false;
    std::atomic<bool> readOnly = false;

private:
    QMutex m_mutex;
    QStringList m_labels;
};

// A private message bus with a stand-in for udisks2 that owns one block
// device. The stand-in answers from a thread of its own, since the drive
// layer waits for its answers on the calling thread.
class LabelWriteTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString daemon = QStandardPaths::findExecutable(u"dbus-daemon"_s);
        if (daemon.isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed: no bus to stand udisks2 on";
        ASSERT_TRUE(m_folder.isValid());
        m_daemon.start(daemon, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s,
                                u"--address=unix:path="_s + m_folder.filePath(u"bus"_s)});
        if (!m_daemon.waitForReadyRead(10000))
            GTEST_SKIP() << "dbus-daemon did not start: "
                         << m_daemon.readAllStandardError().toStdString();
        m_address = QString::fromUtf8(m_daemon.readLine().trimmed());

        QDBusConnection service = QDBusConnection::connectToBus(m_address, kServiceConnection);
        ASSERT_TRUE(service.isConnected()) << service.lastError().message().toStdString();
        ASSERT_TRUE(service.registerService(u"org.freedesktop.UDisks2"_s));
        m_device = new FakeBlockDevice;
        m_device->moveToThread(&m_thread);
        m_thread.start();
        ASSERT_TRUE(service.registerVirtualObject(
            u"/org/freedesktop/UDisks2/block_devices/dirvanta_2dtest_2dsdx1"_s, m_device));

        // The disk mounts on a real folder so that it answers statvfs.
        m_mount = QFileInfo(m_folder.path()).canonicalFilePath() + u"/mnt"_s;
        QDir().mkpath(m_mount);
        WriteFile(m_folder.filePath(u"mountinfo"_s),
                  u"1 0 8:1 / / rw - ext4 /dev/dirvanta-test-sda1 rw\n"
                  "2 1 8:2 / M rw - vfat /dev/dirvanta-test-sdx1 rw\n"
                  "3 1 8:3 / M/other rw - vfat /dev/dirvanta-test-sdy1 rw\n"_s
                      .replace(u" M"_s, u' ' + m_mount)
                      .toUtf8());
    }

    void TearDown() override
    {
        if (m_device) {
            QDBusConnection(kServiceConnection)
                .unregisterObject(
                    u"/org/freedesktop/UDisks2/block_devices/dirvanta_2dtest_2dsdx1"_s);
            // Deleted in its own thread, at the latest as the thread ends.
            m_device->deleteLater();
        }
        m_thread.quit();
        m_thread.wait();
        QDBusConnection::disconnectFromBus(kServiceConnection);
        QDBusConnection::disconnectFromBus(u"dirvanta-drives "_s + m_address);
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    LinuxDriveSystem Machine() const
    {
        return LinuxDriveSystem({.mountInfoFile = m_folder.filePath(u"mountinfo"_s),
                                 .sysBlockFolder = m_folder.filePath(u"no-sys-block"_s),
                                 .byLabelFolder = m_folder.filePath(u"no-links"_s),
                                 .probeDevices = false,
                                 .systemBusAddress = m_address});
    }

    static inline const QString kServiceConnection = u"dirvanta-test-udisks"_s;
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
    QThread m_thread;
    FakeBlockDevice *m_device = nullptr;
    QString m_mount;
};

TEST_F(LabelWriteTest, AsksUdisksForTheLabelAndFailsOnARefusalOrAReadOnlyDevice)
{
    LinuxDriveSystem machine = Machine();
    EXPECT_TRUE(machine.CanWriteLabel(m_mount + u"/folder"_s));
    EXPECT_TRUE(machine.WriteLabel(m_mount + u"/folder"_s, u"Holiday 2020"_s));
    EXPECT_EQ(m_device->Labels(), QStringList{u"Holiday 2020"_s});

    EXPECT_FALSE(machine.CanWriteLabel(m_mount + u"/other"_s)) << "udisks2 has no such device";
    EXPECT_FALSE(machine.WriteLabel(m_mount + u"/other"_s, u"X"_s));
    EXPECT_EQ(m_device->Labels().size(), 1);

    m_device->refuse = true;
    EXPECT_TRUE(machine.CanWriteLabel(m_mount));
    EXPECT_FALSE(machine.WriteLabel(m_mount, u"Holiday"_s));
    EXPECT_EQ(m_device->Labels(), (QStringList{u"Holiday 2020"_s, u"Holiday"_s}))
        << "asked, and refused";
    m_device->readOnly = true;
    EXPECT_FALSE(machine.CanWriteLabel(m_mount));
    EXPECT_FALSE(machine.WriteLabel(m_mount, u"Holiday"_s));
    EXPECT_EQ(m_device->Labels().size(), 2) << "a read-only device is never asked to write";
}

} // namespace
