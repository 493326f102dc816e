#include "ExchangeFixture.h"
#include "platform/ProgressOperations.h"

namespace {

class ExportImportTest : public ExchangeFixture
{
protected:
    // Catalogs\Work\Disk 1 with a folder and files, and Catalogs\CD beside it.
    void BuildSmallTree()
    {
        m_work = AddFullObject(*m_data, 3, u"Work"_s, 2);
        m_disk = AddFullObject(*m_data, m_work, u"Disk 1"_s, 3, u"a, b"_s, u"A:\\"_s, u"lbl"_s, 300,
                               1440000);
        const qint64 sub = AddFullObject(*m_data, m_disk, u"Sub"_s, 7);
        AddFullFile(*m_data, m_disk, u"Readme.txt"_s, 100);
        AddFullFile(*m_data, sub, u"My File.doc"_s, 200, u"say \"hi\""_s, false, 33);
        AddFullFile(*m_data, AddFullObject(*m_data, 3, u"CD"_s, 5), u"Setup.exe"_s, 7);
    }

    bool Export(qint64 id, const QString &name = u"out.dvx"_s)
    {
        return ExportObjects(*m_data, id, FilePath(name));
    }

    // A disk catalog whose files fill many import batches of kBatch rows:
    // sizes in no order, some equal, some blank dates.
    static constexpr std::size_t kBatch = 7;
    void BuildManyFiles(TDataShare &data, const QString &name, int files)
    {
        const qint64 disk = AddFullObject(data, 3, name, 4);
        const qint64 folders[] = {disk, AddFullObject(data, disk, u"Sub"_s, 7),
                                  AddFullObject(data, disk, u"Other"_s, 7)};
        for (int i = 0; i < files; ++i) {
            const qint64 file =
                AddFullFile(data, folders[i * 3 / files], u"File %1.txt"_s.arg(i), (i * 37) % 11,
                            i % 5 == 0 ? u"note, %1"_s.arg(i) : QString(), i % 2 == 0, 32,
                            44000.0 + (i % 4) * 0.25);
            if (i % 6 == 0)
                data.CatalogDatabase.ExecuteScript(
                    u"UPDATE Files SET Created = NULL WHERE Key = %1"_s.arg(file));
        }
    }

    // The import as ImportFile runs it, with batches of kBatch rows.
    bool ImportInSmallBatches(TDataShare &data, const QString &name)
    {
        return data.RunInTransaction([&] {
            TDvxImport import(data);
            import.SetFileRowBatch(kBatch);
            import.ImportDVX(FilePath(name));
        });
    }

    // The number a query of the import target gives.
    qint64 Count(const QString &sql) { return QueryNumber(*m_target, sql); }

    qint64 m_work = 0;
    qint64 m_disk = 0;
};

} // namespace

TEST_F(ExportImportTest, ExportWritesObjectsThenTheirFilesDepthFirst)
{
    BuildSmallTree();
    ASSERT_TRUE(Export(m_work));
    EXPECT_EQ(
        QString::fromUtf8(ReadBytes(u"out.dvx"_s)),
        u"Catalogs\\Work,2,-1,,,0,0,\"3/15/2023 12:00:00 PM\",\"3/16/2023 6:00:00 AM\",\r\n"
        "\"Catalogs\\Work\\Disk 1\",3,-1,A:\\,LBL,300,1440000,\"3/15/2023 12:00:00 PM\","
        "\"3/16/2023 6:00:00 AM\",\"a, b\"\r\n"
        "Readme.txt,-1,32,False,,100,0,\"6/18/2020 6:00:00 PM\",\"6/19/2020 12:00:00 PM\",\r\n"
        "\"Catalogs\\Work\\Disk 1\\Sub\",7,-1,,,0,0,\"3/15/2023 12:00:00 PM\","
        "\"3/16/2023 6:00:00 AM\",\r\n"
        "\"My File.doc\",-1,33,False,,200,0,\"6/18/2020 6:00:00 PM\",\"6/19/2020 12:00:00 PM\","
        "\"say \"\"hi\"\"\"\r\n"_s);
    EXPECT_EQ(m_ui.ProgressOperations(), std::vector<int>{ProgressOperation::ExportData});
    EXPECT_EQ(m_ui.ProgressMaximum(), 3);
    EXPECT_EQ(m_ui.ProgressPosition(), 3);
    EXPECT_FALSE(m_ui.ProgressWindowOpen());
}

TEST_F(ExportImportTest, RoundTripKeepsTreeRowsAndFields)
{
    // Every object class a scan makes, texts that need quoting, non-ASCII
    // names, a line break in a comment, blank dates and packaged files.
    const qint64 folder =
        AddFullObject(*m_data, 3, u"Ärger & Co"_s, 2, u"multi\r\nline, \"quoted\""_s);
    const qint64 floppy = AddFullObject(*m_data, folder, u"Disk, one"_s, 3, u" lead"_s, u"A:\\"_s,
                                        u"FLOPPY"_s, 1000, 1457664, 36000.0, 36000.999988);
    const qint64 hard =
        AddFullObject(*m_data, 3, u"Hard Disk"_s, 4, QString(), u"/mnt/data"_s, u"DATA"_s, 5, 0);
    // Records longer than any line buffer, with more records after them.
    const qint64 deep = AddFullObject(*m_data, hard, QString(3000, u'd'), 7, QString(3000, u'"'),
                                      u"/mnt/"_s + QString(5000, u's'));
    AddFullFile(*m_data, deep, QString(2000, u'f'), 1, QString(5000, u'c'));
    const qint64 cd = AddFullObject(*m_data, 3, u"日本語 CD"_s, 5, u"tab\there"_s, u"/media/cd"_s);
    const qint64 sub = AddFullObject(*m_data, hard, u"Docs"_s, 7, u"c"_s, u"/mnt/data"_s);
    const qint64 package = AddFullObject(*m_data, sub, u"Archive.zip"_s, 22, u"zip comment"_s,
                                         u"/mnt/data"_s, QString(), 999);
    const qint64 inner = AddFullObject(*m_data, package, u"inner dir"_s, 24);
    // A folder name from a medium may hold the path delimiter.
    const qint64 odd = AddFullObject(*m_data, sub, u"back\\slash"_s, 7);
    AddFullFile(*m_data, odd, u"In.txt"_s, 1);
    AddFullFile(*m_data, floppy, u"Autoexec.bat"_s, 10, u"x,y"_s, false, 39);
    AddFullFile(*m_data, sub, u"Ünïcødé name.txt"_s, 20, u"two\nlines"_s);
    AddFullFile(*m_data, package, u"Member.txt"_s, 30, QString(), true);
    AddFullFile(*m_data, inner, u"Deep \"quoted\".txt"_s, 40, u"\"\""_s, true);
    AddFullFile(*m_data, cd, u"Setup.exe"_s, 4'000'000'000LL, QString(), false, 1, 1.0, 0.0);
    m_data->CatalogDatabase.ExecuteScript(
        u"UPDATE Catalogs SET Created = NULL WHERE ID = %1"_s.arg(cd));

    ASSERT_TRUE(Export(3));
    ASSERT_TRUE(Import(*m_target, u"out.dvx"_s));
    EXPECT_EQ(Dump(*m_target), Dump(*m_data));
    EXPECT_EQ(m_ui.ProgressOperations().back(), ProgressOperation::ImportData);
    EXPECT_FALSE(m_ui.ProgressWindowOpen());
}

TEST_F(ExportImportTest, ImportingAgainAsksPerDiskCatalogAndAbortRollsBackTheWholeImport)
{
    BuildSmallTree();
    ASSERT_TRUE(Export(3));
    ASSERT_TRUE(Import(*m_target, u"out.dvx"_s));
    const QStringList first = Dump(*m_target);

    // Yes replaces Disk 1 with everything in it; No keeps the CD as it was.
    m_ui.QueueDuplicateCatalogAnswer(DuplicateCatalogAnswer::Yes);
    m_ui.QueueDuplicateCatalogAnswer(DuplicateCatalogAnswer::No);
    ASSERT_TRUE(Import(*m_target, u"out.dvx"_s));
    EXPECT_EQ(m_ui.TakeDuplicateCatalogQuestions(),
              (QStringList{u"Catalogs\\Work\\Disk 1"_s, u"Catalogs\\CD"_s}));
    EXPECT_EQ(m_ui.BeepCount(), 2);
    EXPECT_EQ(Dump(*m_target), first);
    EXPECT_EQ(NameIndexDisagreement(m_target->CatalogDatabase), QString());

    // Yes to all lasts for one import only: a later one asks again.
    m_ui.QueueDuplicateCatalogAnswer(DuplicateCatalogAnswer::YesToAll);
    ASSERT_TRUE(Import(*m_target, u"out.dvx"_s));
    EXPECT_EQ(m_ui.TakeDuplicateCatalogQuestions().size(), 1);
    m_ui.QueueDuplicateCatalogAnswer(DuplicateCatalogAnswer::Yes);
    m_ui.QueueDuplicateCatalogAnswer(DuplicateCatalogAnswer::Abort);
    EXPECT_FALSE(Import(*m_target, u"out.dvx"_s));
    EXPECT_EQ(m_ui.TakeDuplicateCatalogQuestions().size(), 2);
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"Import Cancelled"_s);
    EXPECT_EQ(box.text, u"The Import request was cancelled by the User."_s);
    EXPECT_EQ(Dump(*m_target), first);
    EXPECT_FALSE(m_ui.ProgressWindowOpen());
}

TEST_F(ExportImportTest, MissingParentIsASequenceErrorNamingTheRecord)
{
    BuildSmallTree();
    ASSERT_TRUE(Export(m_disk));
    const qint64 rowsBefore = Count(u"SELECT COUNT(*) FROM Catalogs"_s);
    EXPECT_FALSE(Import(*m_target, u"out.dvx"_s));
    const std::vector<RecordedMessage> boxes = m_ui.TakeMessages();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, u"Import Error!"_s);
    EXPECT_EQ(boxes[0].text,
              u"Import failed due to a record sequence error in the Import File\n\nThe Import "
              "File contains a reference to a catalog (Record #1),\n before its parent catalog "
              "was referenced"_s);
    EXPECT_EQ(boxes[1].caption, u"Import Cancelled"_s);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Catalogs"_s), rowsBefore);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Files"_s), 0);

    // With its parent folder there, the same file imports.
    AddFullObject(*m_target, 3, u"WORK"_s, 2);
    EXPECT_TRUE(Import(*m_target, u"out.dvx"_s));
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Files"_s), 2);
}

TEST_F(ExportImportTest, TheFirstLineMustHoldTenFieldsAndFilesMayComeFirst)
{
    WriteBytes(u"nine.dvx"_s, "Catalogs\\X,2,-1,,,0,0,1/1/2000,1/1/2000\r\n");
    EXPECT_TRUE(m_target->RunInTransaction(
        [&] { EXPECT_FALSE(ImportFile(*m_target, FilePath(u"nine.dvx"_s))); }));
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"Invalid Format"_s);
    EXPECT_EQ(box.text, u"The file specified is not a valid Dirvanta Export File.\n\nPlease "
                        "specify a valid file, before continuing."_s);
    EXPECT_TRUE(m_ui.ProgressOperations().empty());
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Catalogs"_s), 5);

    WriteBytes(u"empty.dvx"_s, QByteArray());
    EXPECT_TRUE(Import(*m_target, u"empty.dvx"_s));
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Invalid Format"_s);

    // Files before any object go to the database object; a last record
    // without a line end still counts.
    WriteBytes(u"files.dvx"_s, "Loose.txt,-1,32,False,,5,0,1/2/2003,1/2/2003,\r\n"
                               "Other.txt,-1,1,true,,6,0,\"2003-01-02 10:00:00\",1/2/2003,c");
    ASSERT_TRUE(Import(*m_target, u"files.dvx"_s));
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Files WHERE ID = 1"_s), 2);
    EXPECT_EQ(Count(u"SELECT Packaged FROM Files WHERE Name = 'Other.txt'"_s), 1);
}

TEST_F(ExportImportTest, MalformedRecordsAreSkippedOrReportedInDebugMode)
{
    const QByteArray file = "Catalogs\\A,3,-1,,,0,0,1/2/2003,1/2/2003,\r\n"
                            "One.txt,-1,32,False,,5,0,1/2/2003,1/2/2003,\r\n"
                            "Catalogs\\B,3,-1,,,0,0,13/45/2003,1/2/2003,\r\n"
                            "Lost.txt,-1,32,False,,5,0,1/2/2003,1/2/2003,\r\n"
                            "Catalogs\\B\\Sub,7,-1,,,0,0,1/2/2003,1/2/2003,\r\n"
                            "Catalogs\\C,4,-1,,,0,0,1/2/2003,1/2/2003,\r\n"
                            "Two.txt,-1,32,False,,5,0,1/2/2003,1/2/2003,\r\n";
    WriteBytes(u"bad.dvx"_s, file);
    // Quietly: B and whatever follows it up to the next disk catalog are passed over.
    ASSERT_TRUE(Import(*m_target, u"bad.dvx"_s));
    EXPECT_EQ(Dump(*m_target).size(), 4);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Catalogs WHERE Name IN ('B', 'Sub')"_s), 0);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Files"_s), 2);

    SettingsStore program(SettingsStore::kProgramKey);
    program.WriteText(u"Debug Mode"_s, u"On"_s, u"1"_s);
    program.Flush();
    auto fresh = OpenDatabase(u"fresh"_s);
    EXPECT_FALSE(Import(*fresh, u"bad.dvx"_s));
    program.WriteText(u"Debug Mode"_s, u"On"_s, u"0"_s);
    program.Flush();
    const std::vector<RecordedMessage> boxes = m_ui.TakeMessages();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, u"Import Error!"_s);
    EXPECT_EQ(boxes[0].text, u"Import failed due to a format error in the Import File\n\n"
                             "File:\tbad.dvx\nRecord:\t3\nField:\t8"_s);
    EXPECT_EQ(QueryNumber(*fresh, u"SELECT COUNT(*) FROM Catalogs"_s), 5);
}

TEST_F(ExportImportTest, ImportInManyBatchesKeepsEveryRowAndTheFileOrder)
{
    BuildManyFiles(*m_data, u"Big"_s, int(kBatch) * 9 + 3);
    ASSERT_TRUE(Export(3));
    ASSERT_TRUE(ImportInSmallBatches(*m_target, u"out.dvx"_s));
    EXPECT_EQ(Dump(*m_target), Dump(*m_data));
    EXPECT_EQ(NameIndexDisagreement(m_target->CatalogDatabase), QString());
    // The rows of each batch go in by size, their keys in file order: the
    // export of the copy is the export of the original, but for the first
    // record, the Catalogs folder each database made for itself.
    ASSERT_TRUE(ExportObjects(*m_target, 3, FilePath(u"again.dvx"_s)));
    const auto withoutFirstRecord = [](const QByteArray &bytes) {
        return bytes.mid(bytes.indexOf("\r\n"));
    };
    EXPECT_EQ(withoutFirstRecord(ReadBytes(u"again.dvx"_s)),
              withoutFirstRecord(ReadBytes(u"out.dvx"_s)));
}

TEST_F(ExportImportTest, CancelInTheMiddleOfABatchLeavesTheDatabaseAsItWas)
{
    BuildManyFiles(*m_target, u"Kept"_s, 5);
    BuildManyFiles(*m_data, u"Big"_s, int(kBatch) * 4);
    ASSERT_TRUE(Export(3));
    const QStringList before = Dump(*m_target);
    qint64 tick = 0;
    m_ui.SetTickSource([&] { return tick += 100; });
    // Every record lets events run twice. The 17th file is the 20th record:
    // two batches are written by then and three rows wait.
    static_assert(kBatch == 7);
    int pumps = 0;
    m_ui.SetOnProcessEvents([&] {
        if (++pumps == 39)
            m_ui.SetCancelled(true);
    });
    EXPECT_FALSE(ImportInSmallBatches(*m_target, u"out.dvx"_s));
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Import Cancelled"_s);
    EXPECT_EQ(Dump(*m_target), before);
    EXPECT_TRUE(m_ui.ProgressTexts().contains(u"19 Records of 32 Processed"_s))
        << m_ui.ProgressTexts().join(u'|').toStdString();
    EXPECT_EQ(NameIndexDisagreement(m_target->CatalogDatabase), QString());
}

TEST_F(ExportImportTest, AFailedExportLeavesNoFileAndKeepsAnOldOne)
{
    BuildSmallTree();
    qint64 tick = 0;
    m_ui.SetTickSource([&] { return tick += 100; });
    m_ui.SetOnProcessEvents([&] { m_ui.SetCancelled(true); });
    EXPECT_FALSE(Export(3, u"new.dvx"_s));
    EXPECT_FALSE(QFile::exists(FilePath(u"new.dvx"_s)));
    WriteBytes(u"old.dvx"_s, "keep");
    EXPECT_FALSE(Export(3, u"old.dvx"_s));
    EXPECT_EQ(ReadBytes(u"old.dvx"_s), QByteArray("keep"));
    EXPECT_FALSE(m_ui.ProgressWindowOpen());
    m_ui.SetOnProcessEvents({});
    m_ui.SetCancelled(false);
    EXPECT_THROW(Export(3, u"no/such/folder/out.dvx"_s), EExchangeFileError);
    EXPECT_FALSE(m_ui.ProgressWindowOpen());
}

TEST_F(ExportImportTest, OldWindowsFilesKeepTheirAccents)
{
    WriteBytes(
        u"old.dvx"_s,
        "Catalogs\\Caf\xE9,3,-1,A:\\,,0,0,1/2/1998,1/2/1998,\"Men\xFC, \x93sp\xE9zial\x94\"\r\n"
        "R\xE9sum\xE9.doc,-1,32,False,,5,0,\"1/2/1998 10:00:00\",1/2/1998,\r\n");
    ASSERT_TRUE(Import(*m_target, u"old.dvx"_s));
    EXPECT_EQ(
        Count(
            u"SELECT COUNT(*) FROM Catalogs WHERE Name = 'Café' AND Comment = 'Menü, “spézial”'"_s),
        1);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Files WHERE Name = 'Résumé.doc'"_s), 1);
}

TEST_F(ExportImportTest, ReplacingACatalogOfTheSameImportLeavesNoStrayFiles)
{
    WriteBytes(u"twice.dvx"_s, "Catalogs\\D,3,-1,,,0,0,1/2/2003,1/2/2003,first\r\n"
                               "Catalogs\\D\\Sub,7,-1,,,0,0,1/2/2003,1/2/2003,\r\n"
                               "Old.txt,-1,32,False,,5,0,1/2/2003,1/2/2003,\r\n"
                               "Catalogs\\D,3,-1,,,0,0,1/2/2003,1/2/2003,second\r\n"
                               "Catalogs\\D\\Sub,7,-1,,,0,0,1/2/2003,1/2/2003,\r\n"
                               "New.txt,-1,32,False,,5,0,1/2/2003,1/2/2003,\r\n");
    m_ui.QueueDuplicateCatalogAnswer(DuplicateCatalogAnswer::Yes);
    ASSERT_TRUE(Import(*m_target, u"twice.dvx"_s));
    EXPECT_EQ(m_ui.TakeDuplicateCatalogQuestions(), QStringList{u"Catalogs\\D"_s});
    const QStringList dump = Dump(*m_target);
    EXPECT_EQ(dump.size(), 3) << dump.join(u'\n').toStdString();
    EXPECT_EQ(dump.filter(u"|second|"_s).size(), 1);
    EXPECT_EQ(dump.filter(u"Catalogs\\D\\Sub|New.txt"_s).size(), 1);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Files"_s), 1);
}

TEST_F(ExportImportTest, ADiskCatalogNeverReplacesAFolderOfItsPath)
{
    const qint64 folder = AddFullObject(*m_target, 3, u"X"_s, 2);
    AddFullObject(*m_target, folder, u"Inside"_s, 4);
    WriteBytes(u"x.dvx"_s, "Catalogs\\X,4,-1,,,0,0,1/2/2003,1/2/2003,\r\n"
                           "A.txt,-1,32,False,,5,0,1/2/2003,1/2/2003,\r\n");
    ASSERT_TRUE(Import(*m_target, u"x.dvx"_s));
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Catalogs WHERE Name = 'X'"_s), 2);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Catalogs WHERE Name = 'Inside'"_s), 1);
    EXPECT_EQ(Count(u"SELECT Class FROM Catalogs WHERE ID = (SELECT ID FROM Files "
                    "WHERE Name = 'A.txt')"_s),
              4);
}

TEST_F(ExportImportTest, FoldersOfAMediumDifferingInLetterCaseStayApart)
{
    // A medium of this system may hold "Pod" and "pod" side by side; catalog
    // folders are still found again without regard to letter case.
    const qint64 disk = AddFullObject(*m_data, 3, u"Disk"_s, 4);
    const qint64 upper = AddFullObject(*m_data, disk, u"Pod"_s, 7);
    const qint64 lower = AddFullObject(*m_data, disk, u"pod"_s, 7);
    AddFullObject(*m_data, lower, u"Html"_s, 7);
    AddFullFile(*m_data, upper, u"Upper.txt"_s, 1);
    AddFullFile(*m_data, lower, u"Lower.txt"_s, 2);
    AddFullObject(*m_target, 3, u"WORK"_s, 2);
    const qint64 work = AddFullObject(*m_data, 3, u"Work"_s, 2);
    AddFullObject(*m_data, work, u"Disk 2"_s, 4);

    ASSERT_TRUE(Export(3));
    ASSERT_TRUE(Import(*m_target, u"out.dvx"_s));
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Catalogs WHERE Name IN ('Pod', 'pod')"_s), 2);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Catalogs c JOIN Catalogs p ON c.Parent = "
                    "p.ID WHERE c.Name = 'Html' AND p.Name = 'pod'"_s),
              1);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Files f JOIN Catalogs p ON f.ID = p.ID "
                    "WHERE f.Name = 'Upper.txt' AND p.Name = 'Pod'"_s),
              1);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Catalogs WHERE Name IN ('Work', 'WORK')"_s), 1);
}
