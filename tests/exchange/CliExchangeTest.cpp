#include "ExchangeFixture.h"
#include "app/CliRunner.h"

namespace {

class CliExchangeTest : public ExchangeFixture
{
protected:
    void SetUp() override
    {
        ExchangeFixture::SetUp();
        const qint64 work = AddFullObject(*m_data, 3, u"Work"_s, 2);
        const qint64 disk = AddFullObject(*m_data, work, u"Disk 1"_s, 3, u"c, d"_s, u"A:\\"_s);
        AddFullFile(*m_data, disk, u"Readme.txt"_s, 100);
        ASSERT_TRUE(ExportObjects(*m_data, 3, FilePath(u"all.dvx"_s)));
        m_db = FilePath(u"cli-db"_s);
        ASSERT_EQ(Cli({u"create"_s}).exitCode, 0);
    }

    CliResult Cli(const QStringList &arguments) { return RunCliOn(m_db, arguments); }

    QString m_db;
};

} // namespace

TEST_F(CliExchangeTest, ImportAnswersDuplicatesFromItsFlagsAndExportSaysWhatItWrote)
{
    const QString all = FilePath(u"all.dvx"_s);
    EXPECT_EQ(OutputOf(Cli({u"import"_s, all})),
              u"Imported %1 (2 objects, 1 files added)\n"_s.arg(all));

    // Without a terminal a duplicate disk catalog is kept.
    CliResult result = Cli({u"import"_s, all});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(
        u"Duplicate Disk Catalog: \"Catalogs\\Work\\Disk 1\" is already in the catalog database"_s));
    EXPECT_TRUE(result.err.contains(u"no (not a terminal; --replace-all replaces)"_s));
    EXPECT_TRUE(result.out.contains(u"(0 objects, 0 files added)"_s));
    // Each row: the flags, the answer given.
    const std::pair<QStringList, QString> flags[] = {
        {{u"import"_s, all, u"--keep-all"_s}, u"no (--keep-all)"_s},
        {{u"--yes"_s, u"import"_s, all}, u"yes (--yes)"_s},
        {{u"import"_s, all, u"--replace-all"_s}, u"yes to all (--replace-all)"_s},
    };
    for (const auto &[arguments, answer] : flags) {
        result = Cli(arguments);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_TRUE(result.err.contains(answer)) << result.err.toStdString();
    }

    const QString again = FilePath(u"again.dvx"_s);
    EXPECT_EQ(OutputOf(Cli({u"export"_s, u"Catalogs\\Work\\Disk 1"_s, again})),
              u"Exported \"Catalogs\\Work\\Disk 1\" to %1\n"_s.arg(again));
    EXPECT_TRUE(ReadBytes(u"again.dvx"_s).startsWith("\"Catalogs\\Work\\Disk 1\",3,"));
}

TEST_F(CliExchangeTest, RefusesBadInputWithClearMessages)
{
    EXPECT_TRUE(FailedWith(Cli({u"export"_s, u"Catalogs\\Nope"_s, FilePath(u"x.dvx"_s)}),
                           u"there is no \"Catalogs\\Nope\""_s));
    EXPECT_TRUE(FailedWith(Cli({u"export"_s, u"Wastebasket"_s, FilePath(u"x.dvx"_s)}),
                           u"cannot be exported"_s));
    EXPECT_FALSE(QFile::exists(FilePath(u"x.dvx"_s)));
    EXPECT_EQ(Cli({u"import"_s, u"a"_s, u"--bogus"_s}).exitCode, 2);
    EXPECT_EQ(Cli({u"import-v1"_s, u"a"_s, u"--keep-all"_s, u"b"_s}).exitCode, 2);

    WriteBytes(u"nine.dvx"_s, "a,b,c,d,e,f,g,h,i\r\n");
    EXPECT_TRUE(FailedWith(Cli({u"import"_s, FilePath(u"nine.dvx"_s)}), u"Invalid Format"_s));
    EXPECT_TRUE(FailedWith(Cli({u"import"_s, FilePath(u"missing.dvx"_s)}),
                           u"missing.dvx\" could not be opened"_s));
    EXPECT_TRUE(
        FailedWith(Cli({u"import-v1"_s, FilePath(u"missing.cxp"_s), FilePath(u"nine.dvx"_s)}),
                   u"File Not Found"_s));
    EXPECT_TRUE(RunCli({u"--help"_s}).out.contains(u"import-v1 VOLUMES-FILE FILES-FILE"_s));
}

TEST_F(CliExchangeTest, ImportsVersionOneFiles)
{
    WriteBytes(u"V.CXP"_s, "5,OLD,100,40,01/02/95,10:00:00,A:,old disk\r\n");
    WriteBytes(u"F.CXP"_s, "A.TXT,5,0,10,01/02/95,10:00:00,\\SUB,A:,\r\n");
    const CliResult result =
        Cli({u"--json"_s, u"import-v1"_s, FilePath(u"V.CXP"_s), FilePath(u"F.CXP"_s)});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, u"{\"objects\":3,\"files\":1}\n"_s);
}
