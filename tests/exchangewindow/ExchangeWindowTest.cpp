#include "exchangewindow/ConvertV1Form.h"
#include "explorer/CatalogueForm.h"
#include "platform/DisplayFormats.h"
#include "platform/SettingsStore.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "support/ModalResponder.h"
#include "support/QtPrinters.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestEnvironment.h"
#include "ui/DuplicateCatalogForm.h"
#include "ui/GuiUserInterface.h"
#include "ui/ItemTree.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class ExchangeWindowTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        SetDisplayLocale(QLocale(u"en_US"_s));
        m_settings = std::make_unique<SettingsStore>(
            SettingsStore::IniFile{m_folder.filePath(u"settings.ini"_s)});
        m_data = std::make_unique<TDataShare>(m_settings.get());
    }

    void TearDown() override
    {
        m_form.reset();
        m_data.reset();
        SetDisplayLocale(QLocale());
    }

    // A database with Catalogs\Work\Disk holding one file, opened by the window.
    TCatalogueForm &ShowWindow()
    {
        const QString folder = m_folder.filePath(u"db"_s);
        EXPECT_TRUE(OpenFreshDatabase(*m_data, folder));
        m_data->RunInTransaction([&] {
            m_work =
                AppendCatalogRow(m_data->Catalogs, u"Work"_s, QString(), CatalogSchema::kCatalogsId,
                                 CatalogSchema::kCatalogFolderClass, false, 46000, 46000, QString(),
                                 QString(), 0, 0);
            m_disk = AppendCatalogRow(m_data->Catalogs, u"Disk"_s, u"/mnt"_s, m_work,
                                      CatalogSchema::kHardDiskClass, false, 46000, 46000, u"c"_s,
                                      u"L"_s, 10, 20);
            m_data->CatalogDatabase
                .Prepare(u"INSERT INTO Files (ID, Class, Size, Name, Packaged, Comment, Created, "
                         "Modified) VALUES (?1, 32, 10, 'a.txt', 0, '', 46000, 46000)"_s)
                .Bind(1, m_disk)
                .Execute();
        });
        m_data->CloseDatabase(QString());
        LastDatabase{folder}.Write(*m_settings);
        m_form = std::make_unique<TCatalogueForm>(*m_data, *m_settings);
        m_form->resize(800, 600);
        m_form->show();
        QApplication::setActiveWindow(m_form.get());
        EXPECT_TRUE(m_data->DatabaseOpen);
        return *m_form;
    }

    QAction *Action(const char *name) { return m_form->findChild<QAction *>(QLatin1String(name)); }

    QString FilePath(const QString &name) const { return m_folder.filePath(name); }

    void WriteBytes(const QString &name, const QByteArray &bytes)
    {
        QFile file(FilePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    qint64 Count(const QString &sql)
    {
        SqliteStatement &query = m_data->CatalogDatabase.Prepare(sql);
        query.Step();
        const qint64 count = query.Int64(0);
        query.Reset();
        return count;
    }

    QTemporaryDir m_folder;
    ScriptedUserInterface m_ui;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<TDataShare> m_data;
    std::unique_ptr<TCatalogueForm> m_form;
    qint64 m_work = 0;
    qint64 m_disk = 0;
};

} // namespace

TEST_F(ExchangeWindowTest, DuplicateCatalogFormGivesTheClickedAnswer)
{
    const std::pair<const char *, DuplicateCatalogAnswer> buttons[] = {
        {"YesBtn", DuplicateCatalogAnswer::Yes},
        {"YesToAllBtn", DuplicateCatalogAnswer::YesToAll},
        {"NoBtn", DuplicateCatalogAnswer::No},
        {"AbortBtn", DuplicateCatalogAnswer::Abort}};
    for (const auto &[name, answer] : buttons) {
        TDuplicateCatalogForm form(u"Disk 1"_s, u"Catalogs\\Work\\"_s);
        EXPECT_EQ(form.windowTitle(), u"Duplicate Disk Catalog"_s);
        EXPECT_EQ(form.CatalogName->text(), u"Disk 1"_s);
        EXPECT_EQ(form.FolderName->text(), u"Catalogs\\Work\\"_s);
        EXPECT_TRUE(form.YesBtn->isDefault());
        form.show();
        QTest::mouseClick(form.findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
        EXPECT_EQ(form.Answer(), answer) << name;
        EXPECT_EQ(form.result(), QDialog::Accepted);
    }
    TDuplicateCatalogForm closed(u"X"_s, u"Catalogs\\"_s);
    closed.show();
    closed.reject();
    EXPECT_EQ(closed.Answer(), DuplicateCatalogAnswer::Abort);
}

TEST_F(ExchangeWindowTest, WindowedInterfaceAsksWithTheFourButtonForm)
{
    GuiUserInterface gui;
    DuplicateCatalogAnswer answer = DuplicateCatalogAnswer::Abort;
    {
        ModalResponder responder([](QWidget *modal) {
            auto *form = qobject_cast<TDuplicateCatalogForm *>(modal);
            ASSERT_TRUE(form);
            EXPECT_EQ(form->CatalogName->text(), u"Disk 1"_s);
            EXPECT_EQ(form->FolderName->text(), u"Catalogs\\Work\\"_s);
            form->YesToAllBtn->click();
        });
        answer = gui.AskDuplicateCatalog(u"Disk 1"_s, u"Catalogs\\Work\\"_s);
    }
    EXPECT_EQ(answer, DuplicateCatalogAnswer::YesToAll);
}

TEST_F(ExchangeWindowTest, VersionOneFormStaysOpenOnTheFileThatFails)
{
    WriteBytes(u"V.CXP"_s, "1,LBL,100,50,01/02/95,10:00:00,A:,\r\n");
    WriteBytes(u"F.CXP"_s, "A.TXT,1,0,10,01/02/95,10:00:00,,A:,\r\n");
    TConvert_V1_Form form(m_settings.get());
    EXPECT_EQ(form.windowTitle(), u"Dirvanta (Version 1) Import"_s);
    form.show();
    form.FilesFile->setText(FilePath(u"F.CXP"_s));
    QTest::mouseClick(form.OKBtn, Qt::LeftButton);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"File Not Found"_s);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.focusWidget(), form.VolumesFile);

    form.VolumesFile->setText(u"  "_s + FilePath(u"V.CXP"_s) + u"  "_s);
    form.FilesFile->setText(FilePath(u"V.CXP"_s));
    QTest::mouseClick(form.OKBtn, Qt::LeftButton);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Invalid File"_s);
    EXPECT_EQ(form.VolumesFile->text(), FilePath(u"V.CXP"_s));
    EXPECT_EQ(form.focusWidget(), form.FilesFile);

    // Browse starts in the remembered folder and remembers the chosen one.
    m_ui.QueueFileName(FilePath(u"F.CXP"_s));
    QTest::mouseClick(form.FilesBrowseBtn, Qt::LeftButton);
    EXPECT_EQ(form.FilesFile->text(), FilePath(u"F.CXP"_s));
    EXPECT_EQ(m_settings->ReadText(u"Export Options"_s, u"Path"_s), m_folder.path());
    QTest::mouseClick(form.OKBtn, Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(QFile::exists(form.Temps.files));
    form.Temps.Remove();
}

TEST_F(ExchangeWindowTest, WindowExportsAndImportsTheSelectedCatalog)
{
    TCatalogueForm &form = ShowWindow();
    form.Tree()->SelectByID(m_work);
    m_ui.QueueFileName(FilePath(u"work"_s));
    Action("Export1")->trigger();
    // The default extension is added; the folder and name are remembered.
    ASSERT_TRUE(QFile::exists(FilePath(u"work.DVX"_s)));
    EXPECT_EQ(m_settings->ReadText(u"Export Options"_s, u"File"_s), u"work.DVX"_s);
    EXPECT_EQ(m_settings->ReadText(u"Export Options"_s, u"Path"_s), m_folder.path());

    // Importing it back asks about the disk catalog; folders merge.
    m_ui.QueueFileName(FilePath(u"work.DVX"_s));
    m_ui.QueueDuplicateCatalogAnswer(DuplicateCatalogAnswer::Yes);
    Action("Dirvanta97File1")->trigger();
    EXPECT_EQ(m_ui.TakeDuplicateCatalogQuestions(), QStringList{u"Catalogs\\Work\\Disk"_s});
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Catalogs"_s), 7);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Files"_s), 1);
    EXPECT_EQ(form.Tree()->SelectedID(), 3);

    // A file that is no export file changes nothing.
    WriteBytes(u"bad.DVX"_s, "just,text\r\n");
    m_ui.QueueFileName(FilePath(u"bad.DVX"_s));
    Action("Dirvanta97File1")->trigger();
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Invalid Format"_s);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Catalogs"_s), 7);
}

TEST_F(ExchangeWindowTest, WindowConvertsVersionOneFiles)
{
    ShowWindow();
    WriteBytes(u"V.CXP"_s, "1,LBL,100,50,01/02/95,10:00:00,A:,\r\n");
    WriteBytes(u"F.CXP"_s, "A.TXT,1,0,10,01/02/95,10:00:00,\\DIR,A:,\r\n");
    {
        ModalResponder responder([&](QWidget *modal) {
            auto *form = qobject_cast<TConvert_V1_Form *>(modal);
            ASSERT_TRUE(form);
            form->VolumesFile->setText(FilePath(u"V.CXP"_s));
            form->FilesFile->setText(FilePath(u"F.CXP"_s));
            form->OKBtn->click();
        });
        Action("DirvantaVersion1File1")->trigger();
    }
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Catalogs WHERE Name IN ('Dirvanta Version 1', "
                    "'00000001', 'DIR')"_s),
              3);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Files WHERE Name = 'A.TXT'"_s), 1);

    // Cancel leaves everything as it was.
    {
        ModalResponder responder([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); });
        Action("DirvantaVersion1File1")->trigger();
    }
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Files"_s), 2);
}
