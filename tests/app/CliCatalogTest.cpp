#include "CliRunner.h"
#include "support/FakeDriveSystem.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

class CliCatalogTest : public CliFixture
{
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        m_medium = m_folder.filePath(u"medium"_s);
        QDir().mkpath(m_medium + u"/Sub"_s);
        for (const char *name : {"A.TXT", "Sub/b.dat"}) {
            QFile file(m_medium + u'/' + QLatin1String(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("12345");
        }
        m_drives.Mount(m_medium, DriveKind::Fixed, u"DATA"_s);
        ASSERT_EQ(Run({u"create"_s}).exitCode, 0);
    }

    FakeDriveSystem m_drives;
    QString m_medium;
};

} // namespace

TEST_F(CliCatalogTest, CatalogsUnderAUniqueNameAndRefusesWhatTheDialogRefuses)
{
    CliResult result = Run({u"catalog"_s, m_medium});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(u"\"Catalogs\\New Disk Catalog\""_s));
    result = Run({u"catalog"_s, m_medium});
    EXPECT_TRUE(result.out.contains(u"\"Catalogs\\New Disk Catalog (2)\""_s));
    EXPECT_EQ(Names(u"Catalogs\\New Disk Catalog"_s), (QStringList{u"Sub"_s, u"A.TXT"_s}));

    const QString ram = m_folder.filePath(u"ram"_s);
    QDir().mkpath(ram);
    m_drives.Mount(ram, DriveKind::RamDisk);
    const std::pair<QStringList, QString> refused[] = {
        {{m_medium, u"--name"_s, u"new disk catalog"_s}, u"Duplicate Description"_s},
        {{m_medium, u"--name"_s, u"a.b"_s}, u"Invalid Character"_s},
        {{m_medium, u"--name"_s, u" "_s}, u"Catalog Description Required"_s},
        {{m_medium, u"--into"_s, u"Catalogs\\Nope"_s}, u"Catalogs\\Nope"_s},
        // A folder that is not there is a disk that is not in.
        {{m_medium + u"/nowhere"_s}, u"The Drive is not ready"_s},
        {{ram}, u"Unsupported Device"_s},
    };
    for (const auto &[arguments, reason] : refused)
        EXPECT_TRUE(FailedWith(Run(QStringList{u"catalog"_s} + arguments), reason))
            << reason.toStdString();
    EXPECT_EQ(Run({u"catalog"_s}).exitCode, 2);
    EXPECT_EQ(Run({u"info"_s, u"--no-zip"_s}).exitCode, 2);
    EXPECT_TRUE(Info().contains(u"\"objects\":9,"_s)) << "the refused runs left nothing";
}

TEST_F(CliCatalogTest, UpdateRebuildsAndRefusesWhatIsNoDiskCatalog)
{
    ASSERT_EQ(Run({u"catalog"_s, m_medium, u"--name"_s, u"Disk"_s}).exitCode, 0);
    QFile extra(m_medium + u"/new.txt"_s);
    ASSERT_TRUE(extra.open(QIODevice::WriteOnly));
    extra.write("1");
    extra.close();
    EXPECT_TRUE(Succeeded(Run({u"update"_s, u"Catalogs\\Disk"_s})));
    EXPECT_TRUE(Info().contains(u"\"files\":3,\"bytes\":11"_s));
    EXPECT_EQ(Run({u"update"_s, u"Catalogs"_s}).exitCode, 1);

    // The medium is gone: without a terminal the check gives up at once.
    m_drives.Eject(m_medium);
    EXPECT_EQ(Run({u"update"_s, u"Catalogs\\Disk"_s}).exitCode, 1);
    EXPECT_TRUE(Info().contains(u"\"files\":3,\"bytes\":11"_s));
}

TEST_F(CliCatalogTest, ExtractTakesAPackagedFolderWithItsSubtree)
{
    QProcess zip;
    zip.setWorkingDirectory(m_medium);
    zip.start(u"zip"_s, {u"-qr"_s, u"pack.zip"_s, u"Sub"_s});
    ASSERT_TRUE(zip.waitForFinished() && zip.exitCode() == 0);
    ASSERT_EQ(Run({u"catalog"_s, m_medium, u"--name"_s, u"Disk"_s}).exitCode, 0);
    const QString folder = u"Catalogs\\Disk\\pack.zip\\Sub"_s;
    const QString into = m_folder.filePath(u"out"_s);
    EXPECT_EQ(OutputOf(Run({u"extract"_s, folder, into})),
              u"Extracted \""_s + folder + u"\" into "_s + into + u'\n');
    QFile copy(into + u"/Sub/b.dat"_s);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), "12345");

    // The file is there now: --overwrite replaces it without asking.
    const CliResult result = Run({u"--json"_s, u"extract"_s, folder, into, u"--overwrite"_s});
    EXPECT_EQ(result.out, u"{\"destination\":\""_s + into +
                              u"\",\"items\":[\"Sub/*.*\"],\"package\":\""_s + m_medium +
                              u"/pack.zip\",\"result\":\"done\"}\n"_s);

    EXPECT_TRUE(FailedWith(Run({u"restore"_s, folder, into}), u"lies in no archive set"_s));
    EXPECT_EQ(Run({u"extract"_s, folder}).exitCode, 2);
}
