#include "explorer/QuickCatalogForm.h"

#include "explorer/ArchiveFilesForm.h"
#include "explorer/CatalogList.h"
#include "media/CatalogMedia.h"
#include "media/MediaIdentification.h"
#include "store/DatabaseError.h"
#include "support/FakeDriveSystem.h"
#include "support/ModalResponder.h"
#include "support/QtPrinters.h"
#include "support/WindowFixture.h"
#include "ui/ItemTree.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

namespace {

const QString kInvalidCharacterText =
    u"The Catalog Name cannot contain any of the following characters:\n\n"
    "\t\t \\ / : ? \" < > | ."_s;
const QString kCatalogFailedText =
    u"The request to Catalog the selected media failed or was cancelled by the user."_s;

void WriteFile(const QString &path, qint64 size)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(int(size), 'x'));
}

// A database with a catalog folder "Work", and a removable medium "STICK"
// mounted on a temporary folder with three files in two folders.
class QuickCatalogFormTest : public WindowFixture
{
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        OpenDatabase(u"Database"_s,
                     [&] { m_work = AddObject(kCatalogsId, u"Work"_s, kCatalogFolderClass); });
        LastDatabase{m_data->DatabaseFolder}.Write(*m_settings);

        m_medium = m_folder.filePath(u"medium"_s);
        QDir().mkpath(m_medium + u"/Docs"_s);
        WriteFile(m_medium + u"/README.TXT"_s, 100);
        WriteFile(m_medium + u"/Docs/a.txt"_s, 200);
        WriteFile(m_medium + u"/Docs/b.txt"_s, 300);
        m_drives.Mount(m_medium, DriveKind::Removable, u"STICK"_s);
    }

    void TearDown() override
    {
        m_dialog.reset();
        WindowFixture::TearDown();
    }

    TQuick_Catalog_Form &ShowDialog(const QString &source)
    {
        m_dialog = std::make_unique<TQuick_Catalog_Form>(*m_data, m_options, m_work);
        m_dialog->Source = source;
        m_dialog->ProposedDescription = u"New Disk Catalog"_s;
        m_dialog->show();
        return *m_dialog;
    }

    // The main window on the database, with the Work folder selected.
    TCatalogueForm &ShowForm()
    {
        m_data->CloseDatabase(QString());
        ShowMainWindow();
        EXPECT_TRUE(m_data->DatabaseOpen);
        m_form->Tree()->SelectByID(m_work);
        return *m_form;
    }

    // Triggers a command of the main window and hands the Catalog Disk
    // dialog it opens to step.
    void OnCatalogDialog(const char *command,
                         const std::function<void(TQuick_Catalog_Form &)> &step)
    {
        ModalResponder responder(ExpectDialog<TQuick_Catalog_Form>(step));
        Action(command)->trigger();
    }

    qint64 DiskCatalogs()
    {
        return Count(u"SELECT COUNT(*) FROM Catalogs WHERE Class = %1"_s.arg(kRemovableDiskClass));
    }

    // Lets every pump through and sets the cancel flag at the first one, as
    // the progress window's Cancel button would; notes how many disk
    // catalogs existed then, to show the scan had begun writing.
    void CancelAtFirstPump()
    {
        m_ui.SetTickSource([ticks = qint64(0)]() mutable { return ticks += 1000; });
        m_ui.SetOnProcessEvents([this] {
            if (!m_ui.Cancelled())
                m_catalogsAtCancel = DiskCatalogs();
            m_ui.SetCancelled(true);
        });
    }

    // Enough entries for the scan to report progress part-way.
    void FillMedium()
    {
        for (int i = 0; i < 20; ++i)
            WriteFile(m_medium + u"/extra%1.bin"_s.arg(i), 10);
    }

    FakeDriveSystem m_drives;
    std::unique_ptr<TQuick_Catalog_Form> m_dialog;
    CatalogOptions m_options;
    QString m_medium;
    qint64 m_work = 0;
    qint64 m_catalogsAtCancel = -1;
};

} // namespace

TEST_F(QuickCatalogFormTest, TheSourceDecidesWhatCanBeEdited)
{
    TQuick_Catalog_Form &dialog = ShowDialog(QString());
    EXPECT_EQ(dialog.windowTitle(), u"Catalog Disk"_s);
    EXPECT_FALSE(dialog.CatalogBtn->isEnabled());
    EXPECT_TRUE(dialog.Label_MediaType->text().isEmpty());
    EXPECT_TRUE(dialog.Label_ArchiveOptions->text().isEmpty());
    EXPECT_FALSE(dialog.Catalog_UseSerialID->isEnabled());
    EXPECT_EQ(dialog.Catalog_Description->text(), u"New Disk Catalog"_s);

    // Browsing replaces the source; a cancelled browse keeps it.
    m_ui.QueueFileName(m_medium);
    dialog.BrowseBtn->click();
    EXPECT_EQ(dialog.Catalog_Source->text(), m_medium);
    m_ui.QueueFileName(QString());
    dialog.BrowseBtn->click();
    EXPECT_EQ(dialog.Catalog_Source->text(), m_medium);

    dialog.Catalog_Source->setText(u"  "_s + m_medium + u" "_s);
    QString driveDescription;
    GetDriveClass(m_medium, driveDescription);
    EXPECT_TRUE(dialog.CatalogBtn->isEnabled());
    EXPECT_EQ(dialog.Label_MediaType->text(), driveDescription);
    EXPECT_EQ(dialog.Label_ArchiveOptions->text(), u"Analyse"_s);
    EXPECT_EQ(dialog.Label_MediaID->text(), u"STICK"_s);
    EXPECT_TRUE(dialog.Label_MediaID->isEnabled());
    EXPECT_TRUE(dialog.Catalog_UseSerialID->isEnabled());

    // The package text follows the options when the Catalog tab comes back.
    dialog.Catalog_ZIP->setChecked(false);
    dialog.Catalog_EXE->setChecked(false);
    dialog.PageControl1->setCurrentIndex(2);
    dialog.PageControl1->setCurrentIndex(0);
    EXPECT_EQ(dialog.Label_ArchiveOptions->text(), u"Don't Analyse"_s);

    // No medium: no label, nothing to describe it by.
    m_drives.Eject(m_medium);
    dialog.Catalog_Source->setText(m_medium + u"/"_s);
    EXPECT_TRUE(dialog.Label_MediaID->text().isEmpty());
    EXPECT_FALSE(dialog.Label_MediaID->isEnabled());
    EXPECT_FALSE(dialog.Catalog_UseSerialID->isEnabled());
    EXPECT_TRUE(dialog.CatalogBtn->isEnabled());

    EXPECT_TRUE(m_drives.LabelWrites().empty()) << "looking never writes";
}

// The label is shown as the medium has it, whole, and written only at
// Catalog time, exactly as typed, when it differs other than in case.
TEST_F(QuickCatalogFormTest, TheLabelIsWrittenOnlyWhenTheUserChangedIt)
{
    FakeDriveSystem::Drive &stick = m_drives.At(m_medium);
    stick.label = u"Photos"_s;
    stick.fileSystemType = u"vfat"_s;
    const QString disc = m_folder.filePath(u"disc"_s);
    QDir().mkpath(disc);
    WriteFile(disc + u"/track.txt"_s, 5);
    m_drives.Mount(disc, DriveKind::CdRom, u"HOLIDAY_PHOTOS_2019"_s).fileSystemType = u"iso9660"_s;
    ShowForm();

    const auto catalog = [&](const QString &source, const QString &description,
                             const std::function<void(TQuick_Catalog_Form &)> &edit) {
        OnCatalogDialog("QuickCatalogBtn", [&](TQuick_Catalog_Form &dialog) {
            dialog.Catalog_Source->setText(source);
            dialog.PageControl1->setCurrentIndex(1);
            dialog.PageControl1->setCurrentIndex(0);
            dialog.Catalog_Description->setText(description);
            edit(dialog);
            dialog.CatalogBtn->click();
        });
        EXPECT_TRUE(m_ui.TakeMessages().empty()) << description.toStdString();
        return m_data->Catalogs.FindChild(m_work, description) > 0;
    };

    EXPECT_TRUE(catalog(m_medium, u"Looked at"_s, [](TQuick_Catalog_Form &dialog) {
        EXPECT_EQ(dialog.Label_MediaID->text(), u"Photos"_s);
        EXPECT_EQ(dialog.Label_MediaID->maxLength(), 11);
        EXPECT_TRUE(dialog.Label_MediaID->isEnabled());
    }));
    EXPECT_TRUE(m_drives.LabelWrites().empty());
    EXPECT_EQ(stick.label, u"Photos"_s);

    EXPECT_TRUE(catalog(m_medium, u"Renamed"_s, [](TQuick_Catalog_Form &dialog) {
        dialog.Label_MediaID->setText(u"Holiday"_s);
    }));
    EXPECT_EQ(m_drives.LabelWrites(),
              (std::vector<std::pair<QString, QString>>{{m_medium, u"Holiday"_s}}));

    // A medium put in when Catalog asks for it keeps its label.
    m_drives.Eject(m_medium);
    m_ui.QueueDeviceCheck(true, [&] { m_drives.Insert(m_medium, u"Holiday"_s); });
    EXPECT_TRUE(catalog(m_medium, u"Put in"_s, [](TQuick_Catalog_Form &) {}));
    EXPECT_EQ(m_drives.LabelWrites().size(), 1u);

    // A disc's long label is shown whole and is no change to write.
    EXPECT_TRUE(catalog(disc, u"Disc"_s, [](TQuick_Catalog_Form &dialog) {
        EXPECT_EQ(dialog.Label_MediaID->text(), u"HOLIDAY_PHOTOS_2019"_s);
        EXPECT_FALSE(dialog.Label_MediaID->isEnabled());
    }));
    EXPECT_EQ(m_drives.LabelWrites().size(), 1u);
    const qint64 id = m_data->Catalogs.FindChild(m_work, u"Disc"_s);
    TableCursor *row = m_data->Catalogs.LookupCursor();
    ASSERT_TRUE(row->Locate(id));
    EXPECT_EQ(row->FieldValue(u"SerialID"_s).toString(), u"HOLIDAY_PHOTOS_2019"_s);
}

TEST_F(QuickCatalogFormTest, TheLabelCanServeAsDescription)
{
    m_options.useLabelForDescription = true;
    TQuick_Catalog_Form &dialog = ShowDialog(m_medium);
    EXPECT_TRUE(dialog.Catalog_UseSerialID->isChecked());
    EXPECT_EQ(dialog.Catalog_Description->text(), u"STICK"_s);
    EXPECT_FALSE(dialog.Catalog_Description->isEnabled());

    QTest::keyClicks(dialog.Label_MediaID, u"2"_s);
    EXPECT_EQ(dialog.Catalog_Description->text(), u"STICK2"_s);

    // Emptying the label unticks the box and frees the description.
    dialog.Label_MediaID->clear();
    EXPECT_FALSE(dialog.Catalog_UseSerialID->isChecked());
    EXPECT_FALSE(dialog.Catalog_UseSerialID->isEnabled());
    EXPECT_TRUE(dialog.Catalog_Description->isEnabled());
    EXPECT_EQ(dialog.Catalog_Description->text(), u"STICK2"_s);

    // A new label enables the box but leaves it unticked until clicked.
    QTest::keyClicks(dialog.Label_MediaID, u"HOLS"_s);
    EXPECT_TRUE(dialog.Catalog_UseSerialID->isEnabled());
    EXPECT_FALSE(dialog.Catalog_UseSerialID->isChecked());
    EXPECT_EQ(dialog.Catalog_Description->text(), u"STICK2"_s);
    dialog.Catalog_UseSerialID->click();
    EXPECT_EQ(dialog.Catalog_Description->text(), u"HOLS"_s);
    EXPECT_FALSE(dialog.Catalog_Description->isEnabled());
    dialog.Catalog_UseSerialID->click();
    EXPECT_TRUE(dialog.Catalog_Description->isEnabled());
}

TEST_F(QuickCatalogFormTest, NameCharactersAndARamDiskAreRefusedWithABox)
{
    TQuick_Catalog_Form &dialog = ShowDialog(m_medium);
    for (QLineEdit *edit : {dialog.Catalog_Description, dialog.Label_MediaID}) {
        edit->setText(u"AB"_s);
        for (const char character : {'\\', '/', ':', '?', '"', '<', '>', '|', '.'}) {
            QTest::keyClick(edit, character);
            EXPECT_EQ(edit->text(), u"AB"_s)
                << edit->objectName().toStdString() << " took " << character;
            const RecordedMessage box = m_ui.TakeSingleMessage();
            EXPECT_EQ(box.caption, u"Invalid Character"_s);
            EXPECT_EQ(box.text, kInvalidCharacterText);
            EXPECT_EQ(box.kind, MessageKind::Error);
        }
        // Ordinary characters and the editing keys pass.
        QTest::keyClicks(edit, u"c d"_s);
        QTest::keyClick(edit, Qt::Key_Backspace);
        EXPECT_EQ(edit->text(), u"ABc "_s);
        EXPECT_TRUE(m_ui.TakeMessages().empty());
    }

    // Text that came past the key filter (pasted, dropped, composed) is
    // checked again at Catalog time; so is a description left blank.
    const struct
    {
        QString description;
        QString label;
        QString caption;
    } refused[] = {
        {u"Holiday.2019"_s, u"STICK"_s, u"Invalid Character"_s},
        {u"Holiday"_s, u"A/B"_s, u"Invalid Character"_s},
        {QString(), u"STICK"_s, u"Catalog Description Required"_s},
        {u"   "_s, u"STICK"_s, u"Catalog Description Required"_s},
    };
    for (const auto &row : refused) {
        dialog.Catalog_Description->setText(row.description);
        dialog.Label_MediaID->setText(row.label);
        dialog.CatalogBtn->click();
        const RecordedMessage box = m_ui.TakeSingleMessage();
        EXPECT_EQ(box.caption, row.caption) << row.description.toStdString();
        EXPECT_TRUE(dialog.isVisible());
    }

    const QString ram = m_folder.filePath(u"ram"_s);
    QDir().mkpath(ram);
    m_drives.Mount(ram, DriveKind::RamDisk, u"RAM"_s);
    dialog.Catalog_Source->setText(ram);
    dialog.Catalog_Description->setText(u"Holiday"_s);
    dialog.CatalogBtn->click();
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"Unsupported Device"_s);
    EXPECT_EQ(box.text, u"The device to be cataloged is not supported by this "
                        "release\n\nPlease select another Catalog Source"_s);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(DiskCatalogs(), 0);
    EXPECT_TRUE(m_ui.ProgressOperations().empty());
    EXPECT_TRUE(m_drives.LabelWrites().empty());
}

TEST_F(QuickCatalogFormTest, CatalogDiskBuildsTheCatalogAndSelectsIt)
{
    TCatalogueForm &form = ShowForm();
    // A namesake in the folder: the name offered moves on.
    m_data->RunInTransaction([&] { AddObject(m_work, u"New Disk Catalog"_s, kHardDiskClass); });
    form.ReselectNode(m_work, true);
    OnCatalogDialog("QuickCatalogBtn", [&](TQuick_Catalog_Form &dialog) {
        EXPECT_EQ(dialog.Catalog_Description->text(), u"New Disk Catalog (2)"_s);
        dialog.Catalog_Source->setText(m_medium);
        dialog.Label_MediaID->setText(u"HOLS"_s);
        dialog.Catalog_Comments->setPlainText(u"three files"_s);
        dialog.Catalog_Reuse->setChecked(true);
        dialog.CatalogBtn->click();
    });
    EXPECT_TRUE(m_ui.TakeMessages().empty());
    const qint64 id = m_data->Catalogs.FindChild(m_work, u"New Disk Catalog (2)"_s);
    ASSERT_GT(id, 0);
    EXPECT_EQ(form.Tree()->SelectedID(), id);
    EXPECT_EQ(GetObjectComment(*m_data, id), u"three files"_s);
    // The label typed was written, and the choices are kept for next time.
    EXPECT_EQ(m_drives.At(m_medium).label, u"HOLS"_s);
    EXPECT_EQ(CatalogOptions::Load(*m_settings).source, m_medium);
    EXPECT_TRUE(CatalogOptions::Load(*m_settings).reuseComments);
    EXPECT_EQ(m_ui.ProgressOperations(), std::vector<int>{0});
    EXPECT_FALSE(m_ui.ProgressWindowOpen());
}

TEST_F(QuickCatalogFormTest, AFailedCatalogLeavesNothing)
{
    FillMedium();
    TCatalogueForm &form = ShowForm();

    // Giving up the device check keeps the dialog open; cancelling it then
    // ends the command without a trace.
    m_drives.Eject(m_medium);
    m_ui.QueueDeviceCheck(false);
    OnCatalogDialog("DiskCatalog1", [&](TQuick_Catalog_Form &dialog) {
        dialog.Catalog_Source->setText(m_medium);
        dialog.CatalogBtn->click();
        EXPECT_TRUE(dialog.isVisible());
        dialog.CancelBtn->click();
    });
    EXPECT_EQ(m_ui.TakeDeviceChecks().size(), 1U);
    EXPECT_TRUE(m_ui.TakeMessages().empty());
    EXPECT_EQ(DiskCatalogs(), 0);

    // A scan cancelled half-way is rolled back.
    m_drives.Insert(m_medium, u"STICK"_s);
    OnCatalogDialog("DiskCatalog2", [&](TQuick_Catalog_Form &dialog) {
        dialog.Catalog_Source->setText(m_medium);
        CancelAtFirstPump();
        dialog.CatalogBtn->click();
    });
    m_ui.SetOnProcessEvents({});
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"Catalog Failed"_s);
    EXPECT_EQ(box.text, kCatalogFailedText);
    EXPECT_EQ(m_catalogsAtCancel, 1);
    EXPECT_FALSE(m_ui.ProgressWindowOpen());
    EXPECT_EQ(DiskCatalogs(), 0);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Files"_s), 0);
    EXPECT_EQ(form.Tree()->SelectedID(), m_work);
    EXPECT_EQ(form.List()->Count(), 0);

    // A database failure half-way is reported, ends the dialog and is rolled back.
    OnCatalogDialog("DiskCatalog1", [&](TQuick_Catalog_Form &dialog) {
        m_ui.SetOnProcessEvents([] { throw EDatabaseError(u"disk I/O error"_s); });
        dialog.CatalogBtn->click();
        EXPECT_FALSE(dialog.isVisible());
    });
    m_ui.SetOnProcessEvents({});
    const RecordedMessage failure = m_ui.TakeSingleMessage();
    EXPECT_EQ(failure.caption, u"Database Error"_s);
    EXPECT_EQ(failure.text, u"disk I/O error"_s);
    EXPECT_FALSE(m_ui.ProgressWindowOpen());
    EXPECT_FALSE(m_data->InTransaction());
    EXPECT_EQ(DiskCatalogs(), 0);
    EXPECT_EQ(form.Tree()->SelectedID(), m_work);
}

TEST_F(QuickCatalogFormTest, UpdateReplacesTheCatalogOrLeavesItWhole)
{
    qint64 old = -1;
    const CatalogRequest request{m_medium, u"Stick"_s, m_work, u"STICK"_s, u"STICK"_s, QString()};
    m_data->RunInTransaction([&] { ASSERT_TRUE(CatalogMedia(*m_data, m_options, request, &old)); });
    WriteFile(m_medium + u"/new.txt"_s, 5);
    TCatalogueForm &form = ShowForm();
    form.Tree()->SelectByID(old);
    form.Tree()->setFocus();

    Action("Update1")->trigger();
    const qint64 updated = m_data->Catalogs.FindChild(m_work, u"Stick"_s);
    ASSERT_GT(updated, 0);
    EXPECT_NE(updated, old);
    EXPECT_EQ(form.Tree()->SelectedID(), updated);
    EXPECT_FALSE(m_ui.ProgressWindowOpen());

    // A cancelled update keeps the old catalog and nothing beside it.
    FillMedium();
    form.Tree()->setFocus();
    CancelAtFirstPump();
    Action("Update2")->trigger();
    m_ui.SetOnProcessEvents({});
    EXPECT_EQ(m_catalogsAtCancel, 2);
    EXPECT_EQ(DiskCatalogs(), 1);
    EXPECT_EQ(m_data->Catalogs.FindChild(m_work, u"Stick"_s), updated);
    EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Files"_s), 4);
    EXPECT_EQ(form.Tree()->SelectedID(), updated);
    EXPECT_FALSE(m_ui.ProgressWindowOpen());
    EXPECT_TRUE(m_ui.TakeMessages().empty());
}

// The Archive Files dialog on the same database: refused name characters
// are dropped as typed, and OK names the first failed check's page and field.
using ArchiveFilesDialogTest = QuickCatalogFormTest;

TEST_F(ArchiveFilesDialogTest, NameCharactersAreRefusedAndOkChecksInOrder)
{
    m_data->RunInTransaction([&] {
        AppendCatalogRow(m_data->Catalogs, u"Old Work"_s, QString(), kArchivesId, kArchiveSetClass,
                         false, 0, 0, QString(), QString(), 10, 0);
    });
    TArchiveFilesForm dialog(*m_data, QString());
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    EXPECT_TRUE(dialog.NameEdit->text().startsWith(u"Archive ["_s));
    dialog.NameEdit->setText(u"AB"_s);
    for (const char character : {'\\', '/', ':', '?', '"', '<', '>', '|', '.'}) {
        QTest::keyClick(dialog.NameEdit, character);
        EXPECT_EQ(m_ui.TakeSingleMessage().text,
                  QString(kInvalidCharacterText).replace(u"Catalog"_s, u"Archive"_s));
    }
    QTest::keyClicks(dialog.NameEdit, u"c"_s);
    EXPECT_EQ(dialog.NameEdit->text(), u"ABc"_s);

    const struct
    {
        QString workFolder;
        QString folder;
        QString name;
        QString caption;
        int page;
        QWidget *field;
    } refused[] = {
        {m_folder.filePath(u"none"_s), m_medium, u"A"_s, u"Invalid Folder"_s,
         TArchiveFilesForm::kOptionsPage, dialog.WorkFolderEdit},
        {m_folder.path(), m_medium + u"/none"_s, u"A"_s, u"Invalid Folder"_s,
         TArchiveFilesForm::kSettingsPage, dialog.FolderEdit},
        {m_folder.path(), m_medium, u"  "_s, u"Invalid Name"_s, TArchiveFilesForm::kSettingsPage,
         dialog.NameEdit},
        {m_folder.path(), m_medium, u"a.b"_s, u"Invalid Character"_s,
         TArchiveFilesForm::kSettingsPage, dialog.NameEdit},
        {m_folder.path(), m_medium, u"old WORK"_s, u"Duplicate Name"_s,
         TArchiveFilesForm::kSettingsPage, dialog.NameEdit},
    };
    for (const auto &row : refused) {
        dialog.PageControl1->setCurrentIndex(TArchiveFilesForm::kCommentPage);
        dialog.WorkFolderEdit->setText(row.workFolder);
        dialog.FolderEdit->setText(row.folder);
        dialog.NameEdit->setText(row.name);
        dialog.OkBtn->click();
        EXPECT_EQ(m_ui.TakeSingleMessage().caption, row.caption) << row.name.toStdString();
        EXPECT_EQ(dialog.PageControl1->currentIndex(), row.page) << row.name.toStdString();
        EXPECT_TRUE(row.field->hasFocus()) << row.name.toStdString();
        EXPECT_TRUE(dialog.isVisible());
    }
}
