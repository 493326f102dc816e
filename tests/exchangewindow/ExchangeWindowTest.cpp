#include "exchangewindow/ConvertV1Form.h"
#include "support/ModalResponder.h"
#include "support/QtPrinters.h"
#include "support/WindowFixture.h"
#include "ui/DuplicateCatalogForm.h"
#include "ui/GuiUserInterface.h"
#include "ui/ItemTree.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

namespace {

class ExchangeWindowTest : public WindowFixture
{
protected:
    // Catalogs\Work\Disk holding one file, opened by the main window.
    TCatalogueForm &ShowWindow()
    {
        MakeDatabase(
            u"db"_s,
            [&] {
                m_work = AddObject(kCatalogsId, u"Work"_s, kCatalogFolderClass);
                AddFile(AddObject(m_work, u"Disk"_s, kHardDiskClass), u"a.txt"_s);
            },
            true);
        return ShowMainWindow();
    }

    QString FilePath(const QString &name) const { return m_folder.filePath(name); }

    void WriteBytes(const QString &name, const QByteArray &bytes)
    {
        QFile file(FilePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    qint64 m_work = 0;
};

} // namespace

// The windowed interface asks with the form: each button gives its answer,
// closing the form gives Abort.
TEST_F(ExchangeWindowTest, DuplicateCatalogFormGivesTheClickedAnswer)
{
    const std::pair<const char *, DuplicateCatalogAnswer> buttons[] = {
        {"YesBtn", DuplicateCatalogAnswer::Yes},
        {"YesToAllBtn", DuplicateCatalogAnswer::YesToAll},
        {"NoBtn", DuplicateCatalogAnswer::No},
        {"AbortBtn", DuplicateCatalogAnswer::Abort},
        {nullptr, DuplicateCatalogAnswer::Abort}};
    GuiUserInterface gui;
    for (const auto &[name, answer] : buttons) {
        ModalResponder responder(
            ExpectDialog<TDuplicateCatalogForm>([name = name](TDuplicateCatalogForm &form) {
                EXPECT_EQ(form.windowTitle(), u"Duplicate Disk Catalog"_s);
                EXPECT_TRUE(form.YesBtn->isDefault());
                EXPECT_EQ(form.CatalogName->text(), u"Disk 1"_s);
                EXPECT_EQ(form.FolderName->text(), u"Catalogs\\Work\\"_s);
                if (name)
                    QTest::mouseClick(form.findChild<QPushButton *>(QLatin1String(name)),
                                      Qt::LeftButton);
                else
                    form.reject();
            }));
        EXPECT_EQ(gui.AskDuplicateCatalog(u"Disk 1"_s, u"Catalogs\\Work\\"_s), answer)
            << (name ? name : "closed");
    }
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

    // Importing it back asks about the disk catalog.
    m_ui.QueueFileName(FilePath(u"work.DVX"_s));
    m_ui.QueueDuplicateCatalogAnswer(DuplicateCatalogAnswer::Yes);
    Action("Dirvanta97File1")->trigger();
    EXPECT_EQ(m_ui.TakeDuplicateCatalogQuestions(), QStringList{u"Catalogs\\Work\\Disk"_s});
    EXPECT_EQ(form.Tree()->SelectedID(), 3);

    // A file that is no export file is reported once.
    WriteBytes(u"bad.DVX"_s, "just,text\r\n");
    m_ui.QueueFileName(FilePath(u"bad.DVX"_s));
    Action("Dirvanta97File1")->trigger();
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Invalid Format"_s);
}

TEST_F(ExchangeWindowTest, WindowConvertsVersionOneFilesOnceTheFormHasBoth)
{
    ShowWindow();
    WriteBytes(u"V.CXP"_s, "1,LBL,100,50,01/02/95,10:00:00,A:,\r\n");
    WriteBytes(u"F.CXP"_s, "A.TXT,1,0,10,01/02/95,10:00:00,\\DIR,A:,\r\n");
    {
        ModalResponder responder(ExpectDialog<TConvert_V1_Form>([&](TConvert_V1_Form &form) {
            EXPECT_EQ(form.windowTitle(), u"Dirvanta (Version 1) Import"_s);
            // The form stays open on the file that fails.
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
            // Browse remembers the folder chosen.
            m_ui.QueueFileName(FilePath(u"F.CXP"_s));
            QTest::mouseClick(form.FilesBrowseBtn, Qt::LeftButton);
            EXPECT_EQ(form.FilesFile->text(), FilePath(u"F.CXP"_s));
            EXPECT_EQ(m_settings->ReadText(u"Export Options"_s, u"Path"_s), m_folder.path());
            form.OKBtn->click();
        }));
        Action("DirvantaVersion1File1")->trigger();
    }
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Files WHERE Name = 'A.TXT'"_s), 1);

    // Cancel leaves everything as it was.
    {
        ModalResponder responder([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); });
        Action("DirvantaVersion1File1")->trigger();
    }
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Files"_s), 2);
}
