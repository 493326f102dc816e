#include "exchange/VersionOne.h"

#include "ExchangeFixture.h"
#include "platform/ProgressOperations.h"

namespace {

const QByteArray kVolumes = "3,WORK,1000000,400000,01/02/95,10:00:00,A:,Work disk, with commas\r\n"
                            "12,[UNLABELLED],500,100,12/31/96,23:59:00,B:,\r\n";
const QByteArray kFiles = "README.TXT,3,0,100,01/02/95,10:00:00,,A:,root file\r\n"
                          "LETTER1.DOC,3,0,200,01/03/95,11:00:00,\\DOCS\\LETTERS,A:,\r\n"
                          "OTHER.TXT,12,0,5,01/03/95,11:00:00,\\DOCS\\LETTERS,B:,\r\n"
                          "ARCHIVE.ZIP,3,0,300,01/04/95,12:00:00,\\DOCS,A:,zip\r\n"
                          "INNER.TXT,3,0,10,01/04/95,12:00:00,\\DOCS\\ARCHIVE.ZIP,A:,\r\n"
                          "NOTES.TXT,12,0,50,12/31/96,23:00:00,\\DOCS,B:,note, with comma\r\n"
                          "BAD LINE\r\n"
                          "BAD.TXT,x,0,50,12/31/96,23:00:00,\\DOCS,B:,\r\n";

class VersionOneTest : public ExchangeFixture
{
protected:
    void SetUp() override
    {
        ExchangeFixture::SetUp();
        WriteBytes(u"VOLUMES.CXP"_s, kVolumes);
        WriteBytes(u"FILES.CXP"_s, kFiles);
    }

    // The dialog's checks and OK, then the conversion and the import in one
    // transaction. True when the import committed.
    bool ConvertAndImport(TDataShare &data, bool *converted = nullptr)
    {
        QString volumes = FilePath(u"VOLUMES.CXP"_s);
        QString files = FilePath(u"FILES.CXP"_s);
        V1TempFiles temps;
        EXPECT_EQ(CheckV1Files(volumes, files, temps), V1Check::Ok);
        return data.RunInTransaction([&] {
            const bool done = ConvertAndImportV1(data, temps);
            if (converted)
                *converted = done;
        });
    }

    QString OwnerPath(TDataShare &data, const char *fileName)
    {
        return data.Catalogs.PathByID(
            QueryNumber(data,
                        u"SELECT ID FROM Files WHERE Name = '%1'"_s.arg(QLatin1String(fileName))),
            false);
    }
};

} // namespace

TEST(QuoteV1LineTest, QuotesFieldsAndKeepsLaterCommas)
{
    struct Case
    {
        QString line;
        int fields;
        QString quoted;
    };
    const Case cases[] = {
        {u"1,LBL,100,50,01/02/95,10:00,A:,my, comment"_s, 8,
         u"\"1\",\"LBL\",\"100\",\"50\",\"01/02/95\",\"10:00\",\"A:\",\"my, comment\""_s},
        {u"a,b,"_s, 3, u"\"a\",\"b\",\"\""_s},
        {u"a,b"_s, 3, u"\"a\",\"b\""_s},
        {u"x"_s, 2, u"\"x\""_s},
        {u"a,b,c"_s, 2, u"\"a\",\"b,c\""_s},
    };
    for (const Case &c : cases)
        EXPECT_EQ(QuoteV1Line(c.line, c.fields), c.quoted) << c.line.toStdString();
}

TEST_F(VersionOneTest, OldDisksBecomeDiskCatalogsBelowTheVersionOneFolder)
{
    ASSERT_TRUE(ConvertAndImport(*m_data));
    const QStringList dump = Dump(*m_data);
    const auto has = [&](const QString &start) {
        return std::any_of(dump.begin(), dump.end(),
                           [&](const QString &line) { return line.startsWith(start); });
    };
    const QString base = u"Catalogs\\Dirvanta Version 1"_s;
    EXPECT_TRUE(has(u"O|"_s + base + u"|2|||0|0|"_s));
    // Volume 3: size used = total - free, label kept, comment with its commas.
    const double created = ToDayCount(QDateTime(QDate(1995, 1, 2), QTime(10, 0)));
    EXPECT_TRUE(has(
        u"O|%1\\00000003|4|A:\\|WORK|600000|1000000|%2|%2|Work disk, with commas|"_s.arg(base).arg(
            qRound64(created * 86400))));
    // Volume 12: "[UNLABELLED]" leaves the label empty.
    EXPECT_TRUE(has(u"O|%1\\00000012|4|B:\\||400|500|"_s.arg(base)));
    EXPECT_TRUE(has(u"O|%1\\00000003\\DOCS|7|"_s.arg(base)));
    EXPECT_TRUE(has(u"O|%1\\00000003\\DOCS\\LETTERS|7|"_s.arg(base)));
    EXPECT_TRUE(has(u"O|%1\\00000003\\DOCS\\ARCHIVE.ZIP|22|A:\\||300|0|"_s.arg(base)));
    EXPECT_TRUE(has(u"F|%1\\00000003|README.TXT|32|100|0|"_s.arg(base)));
    EXPECT_TRUE(has(u"F|%1\\00000003\\DOCS\\ARCHIVE.ZIP|INNER.TXT|32|10|1|"_s.arg(base)));
    EXPECT_EQ(OwnerPath(*m_data, "LETTER1.DOC"), base + u"\\00000003\\DOCS\\LETTERS"_s);
    // The same folder on the next disk gets folder objects of its own.
    EXPECT_EQ(OwnerPath(*m_data, "OTHER.TXT"), base + u"\\00000012\\DOCS\\LETTERS"_s);
    EXPECT_EQ(OwnerPath(*m_data, "NOTES.TXT"), base + u"\\00000012\\DOCS"_s);
    EXPECT_TRUE(dump.filter(u"note, with comma"_s).size() == 1);
    // Bad "Files" lines are dropped without a word.
    EXPECT_TRUE(dump.filter(u"BAD"_s).isEmpty());
    EXPECT_EQ(dump.size(), 1 + 2 + 5 + 5);
    EXPECT_EQ(m_ui.ProgressOperations(),
              (std::vector<int>{ProgressOperation::ConvertFiles, ProgressOperation::ImportData}));

    // A second conversion reuses the folder and asks about each old disk.
    m_ui.QueueDuplicateCatalogAnswer(DuplicateCatalogAnswer::YesToAll);
    ASSERT_TRUE(ConvertAndImport(*m_data));
    EXPECT_EQ(m_ui.TakeDuplicateCatalogQuestions(), QStringList{base + u"\\00000003"_s});
    EXPECT_EQ(Dump(*m_data).size(), dump.size());
}

TEST_F(VersionOneTest, BadVolumeLineStopsTheConversionAfterReadingAllLines)
{
    WriteBytes(u"VOLUMES.CXP"_s, kVolumes + "7,LBL,lots,1,01/02/95,10:00:00,A:,\r\n"
                                            "8,LBL,1,none,01/02/95,10:00:00,A:,\r\n");
    bool converted = true;
    ASSERT_TRUE(ConvertAndImport(*m_data, &converted));
    EXPECT_FALSE(converted);
    const std::vector<RecordedMessage> boxes = m_ui.TakeMessages();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, u"Invalid File Format"_s);
    EXPECT_EQ(boxes[0].text,
              u"There was an error reading the \"Volumes\" File.\n\nThe file may be damaged or of "
              "an incorrect file format. The Import has been terminated"_s);
    EXPECT_TRUE(Dump(*m_data).isEmpty());
}

TEST_F(VersionOneTest, DialogChecksRefuseWrongFilesThenSlashDatesFollowTheSeparator)
{
    QString volumes = u"  "_s + FilePath(u"NOPE.CXP"_s) + u" "_s;
    QString files = FilePath(u"FILES.CXP"_s);
    V1TempFiles temps;
    EXPECT_EQ(CheckV1Files(volumes, files, temps), V1Check::VolumesFile);
    EXPECT_EQ(volumes, FilePath(u"NOPE.CXP"_s));
    RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"File Not Found"_s);
    EXPECT_EQ(box.text, u"The File specified is invalid, or could not be found\n\nPlease "
                        "respecify before continuing."_s);

    volumes = FilePath(u"VOLUMES.CXP"_s);
    files = FilePath(u"NOPE.CXP"_s);
    EXPECT_EQ(CheckV1Files(volumes, files, temps), V1Check::FilesFile);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"File Not Found"_s);

    // Seven fields where eight belong; the files file given as volumes.
    WriteBytes(u"SHORT.CXP"_s, "3,WORK,1000000,400000,01/02/95,10:00:00,A:\r\n");
    volumes = FilePath(u"SHORT.CXP"_s);
    files = FilePath(u"FILES.CXP"_s);
    EXPECT_EQ(CheckV1Files(volumes, files, temps), V1Check::VolumesFile);
    box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"Invalid File"_s);
    EXPECT_EQ(box.text, u"The File specified is not a valid Dirvanta Version 1 \"Volumes\" "
                        "File.\n\nPlease respecify before continuing."_s);
    volumes = FilePath(u"VOLUMES.CXP"_s);
    files = FilePath(u"SHORT.CXP"_s);
    EXPECT_EQ(CheckV1Files(volumes, files, temps), V1Check::FilesFile);
    EXPECT_TRUE(m_ui.TakeSingleMessage().text.contains(u"\"Files\""_s));

    // Once both are right, slash dates follow the current separator.
    SetDisplayLocale(QLocale(u"de_DE"_s));
    files = FilePath(u"FILES.CXP"_s);
    ASSERT_EQ(CheckV1Files(volumes, files, temps), V1Check::Ok);
    QString exportFile;
    EXPECT_TRUE(ConvertV1Files(temps.volumes, temps.files, exportFile));
    const QString kept = temps.volumes;
    temps.Remove();
    EXPECT_FALSE(QFile::exists(kept));
    QFile file(exportFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    file.remove();
    EXPECT_TRUE(text.contains(u"\"01.02.95 10:00:00\""_s)) << text.toStdString();
    EXPECT_FALSE(text.contains(u"01/02/95"_s));
}
