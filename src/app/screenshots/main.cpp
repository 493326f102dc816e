// Renders the main window and the dialogs offscreen into PNG files.
#include "SampleCatalog.h"
#include "exchangewindow/ConvertV1Form.h"
#include "explorer/ArchiveFilesForm.h"
#include "explorer/CatalogList.h"
#include "explorer/CatalogueForm.h"
#include "explorer/DatabaseLocationForm.h"
#include "explorer/ExtractForm.h"
#include "explorer/PropertiesForm.h"
#include "explorer/QuickCatalogForm.h"
#include "explorer/TUForm.h"
#include "findwindow/FindForm.h"
#include "platform/DisplayFormats.h"
#include "platform/ProgressOperations.h"
#include "platform/SettingsStore.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "ui/AddingVolumeDialog.h"
#include "ui/CommentsForm.h"
#include "ui/ContextHelp.h"
#include "ui/DeviceCheckWindow.h"
#include "ui/DuplicateCatalogForm.h"
#include "ui/ElidedLabel.h"
#include "ui/GuiUserInterface.h"
#include "ui/HelpBook.h"
#include "ui/HelpForm.h"
#include "ui/HelpViewer.h"
#include "ui/ItemTree.h"
#include "ui/NodeSelectionForm.h"
#include "ui/ProgressWindow.h"
#include "ui/QuickViewWindow.h"
#include "ui/ReplaceObjectDialog.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLockFile>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>

namespace {

QString g_output;

void Save(QWidget &widget, const char *name)
{
    // A view lays its items out in a later event, and sets its scroll bars after that.
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
    const QString file =
        QDir(g_output).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    if (widget.grab().save(file))
        std::printf("%s\n", qPrintable(file));
    else
        std::fprintf(stderr, "could not write %s\n", qPrintable(file));
}

// A window with a popup window of its own drawn over it where it shows.
void SaveWithPopup(QWidget &window, QWidget &popup, const char *name)
{
    QCoreApplication::processEvents();
    QPixmap picture = window.grab();
    QPainter painter(&picture);
    painter.drawPixmap(window.mapFromGlobal(popup.pos()), popup.grab());
    painter.end();
    const QString file =
        QDir(g_output).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    if (picture.save(file))
        std::printf("%s\n", qPrintable(file));
    else
        std::fprintf(stderr, "could not write %s\n", qPrintable(file));
}

// The database files show when they last changed: a fixed time instead of
// the clock's, set by path so that no second handle disturbs the database's
// locks.
void SetDatabaseFileTimes(const QString &folder)
{
    const QDateTime fixed(QDate(2026, 11, 20), QTime(18, 0));
    struct timespec times[2] = {};
    times[0].tv_sec = times[1].tv_sec = fixed.toSecsSinceEpoch();
    for (const QString &name : {CatalogSchema::kCatalogsFileName, CatalogSchema::kFilesFileName})
        utimensat(AT_FDCWD, QFile::encodeName(QDir(folder).filePath(name)).constData(), times, 0);
}

// The help window on both pages, the help viewer on its contents, a search
// and the course, and a context popup over a control.
void SaveHelpWindows()
{
    THelpForm help;
    help.show();
    Save(help, "help-window-contents");
    help.ShowSupportPage();
    Save(help, "help-window-support");

    HelpViewer *viewer = HelpViewer::ForBook(HelpBook::kGuide);
    viewer->resize(860, 600);
    OpenHelp(0, HelpBook::kGuide);
    Save(*viewer, "help-viewer-contents");
    OpenHelp(-1, HelpBook::kGuide);
    viewer->SearchEdit->setText(QStringLiteral("duplicate files"));
    viewer->Search(viewer->SearchEdit->text());
    if (viewer->SearchResults->count() > 0)
        emit viewer->SearchResults->itemClicked(viewer->SearchResults->item(0));
    Save(*viewer, "help-viewer-search");
    viewer->Tabs->setCurrentIndex(0);
    OpenHelp(HelpBook::kCourseContext, HelpBook::kGuide);
    Save(*viewer, "help-viewer-course");
    viewer->close();
}

// The home the windows work in. Its name is fixed rather than a temporary
// folder's random one, so that the paths the pictures show are the same on
// every run. It is emptied first and removed at the end; the lock keeps a
// second run at the same time out of it.
class FixedHome
{
public:
    FixedHome()
        : m_lock(QDir::tempPath() + QStringLiteral("/dirvanta-screenshots.lock"))
        , m_dir(QDir::tempPath() + QStringLiteral("/dirvanta-screenshots"))
    {
        m_lock.lock();
        m_dir.removeRecursively();
        QDir().mkpath(m_dir.path());
    }
    FixedHome(const FixedHome &) = delete;
    FixedHome &operator=(const FixedHome &) = delete;
    ~FixedHome() { m_dir.removeRecursively(); }

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QLockFile m_lock;
    QDir m_dir;
};

} // namespace

int main(int argc, char **argv)
{
    // Work in a home of its own: the user's settings stay untouched.
    const FixedHome home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral("2.1"));
    // Dates and numbers follow the user's locale, with the short-date rule.
    SetDisplayLocale(QLocale());
    g_output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(g_output);

    GuiUserInterface userInterface;
    const UserInterfaceInstallation installed(userInterface);
    SettingsStore settings(SettingsStore::kProgramKey);
    TDataShare data(&settings);

    {
        TCatalogueForm closed(data, settings);
        closed.resize(900, 600);
        closed.show();
        Save(closed, "main-window-closed");
        closed.hide();
    }

    const QString folder = home.filePath(QStringLiteral("Catalog"));
    QDir().mkpath(folder);
    data.DatabaseFolder = folder;
    data.CreateDatabaseTables();
    if (!data.OpenDatabase())
        return 1;
    const qint64 shown = BuildSampleCatalog(data);
    const qint64 longNames = BuildLongNameCatalog(data);
    // A copy of the sample that no window holds, for the verify and repair dialogs.
    const QString checked = home.filePath(QStringLiteral("Checked"));
    QDir().mkpath(checked);
    for (const QString &name : {CatalogSchema::kCatalogsFileName, CatalogSchema::kFilesFileName})
        QFile::copy(QDir(folder).filePath(name), QDir(checked).filePath(name));
    data.CloseDatabase(QString());
    LastDatabase{folder, shown}.Write(settings);

    TCatalogueForm window(data, settings);
    userInterface.SetMainWindow(&window);
    window.resize(900, 600);
    window.show();
    const char *const views[] = {"main-window-large-icons", "main-window-small-icons",
                                 "main-window-list", "main-window-detail"};
    for (int view = 0; view < 4; ++view) {
        window.SetIconView(view);
        Save(window, views[view]);
    }
    window.Tree()->SelectByID(4);
    Save(window, "main-window-wastebasket");

    // A few hundred entries with long names, and a rename under way.
    window.Tree()->SelectByID(longNames);
    const std::pair<int, const char *> longViews[] = {{0, "main-window-long-names-large-icons"},
                                                      {1, "main-window-long-names-small-icons"},
                                                      {2, "main-window-long-names-list"}};
    for (const auto &[view, name] : longViews) {
        window.SetIconView(view);
        Save(window, name);
    }
    window.SetIconView(0);
    window.Tree()->SelectByID(CatalogSchema::kCatalogsId);
    if (window.List()->EditEntry(longNames)) {
        if (auto *editor = window.List()->CurrentView()->viewport()->findChild<QLineEdit *>())
            editor->setText(QStringLiteral("Documentation of the office machines, 2026"));
        // As after a scroll or a new layout: the editor keeps fitting the text.
        window.List()->CurrentView()->doItemsLayout();
        Save(window, "main-window-long-names-rename");
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &escape);
    }
    window.Tree()->SelectByID(shown);

    {
        const auto firstOf = [&data](const QString &sql) {
            SqliteStatement &query = data.CatalogDatabase.Prepare(sql);
            const qint64 number = query.Step() ? query.Int64(0) : -1;
            query.Reset();
            return number;
        };
        struct PropertiesShot
        {
            bool file;
            qint64 number;
            bool onPool;
            const char *name;
        };
        const PropertiesShot shots[] = {
            {true, firstOf(QStringLiteral("SELECT MIN(Key) FROM Files WHERE ID = %1").arg(shown)),
             false, "properties-file"},
            {false, shown, false, "properties-disk-catalog"},
            {false,
             firstOf(QStringLiteral("SELECT MIN(ID) FROM Catalogs WHERE Parent = %1")
                         .arg(CatalogSchema::kWastebasketId)),
             false, "properties-wastebasket-folder"},
            {false, CatalogSchema::kDatabaseObjectId, false, "properties-database"},
            {false,
             firstOf(QStringLiteral("SELECT MIN(ID) FROM Catalogs WHERE Parent = %1")
                         .arg(CatalogSchema::kVolumePoolId)),
             false, "properties-archive-volume"},
            {false, CatalogSchema::kArchivesId, true, "properties-archive-pool"},
        };
        for (const PropertiesShot &shot : shots) {
            if (!shot.file && shot.number == CatalogSchema::kDatabaseObjectId)
                SetDatabaseFileTimes(folder);
            TProperties_Form dialog(data, &window);
            if (!dialog.SetSubject(shot.file, shot.number, shot.onPool))
                continue;
            dialog.show();
            dialog.ComputeStatisticsNow();
            Save(dialog, shot.name);
            if (!shot.file && shot.number == shown) {
                dialog.Tabs->setCurrentIndex(1);
                Save(dialog, "properties-disk-catalog-details");
            }
            if (shot.onPool) {
                const std::pair<const char *, const char *> poolViews[] = {
                    {"IconViewLargeBtn", "properties-archive-pool-large-icons"},
                    {"IconViewSmallBtn", "properties-archive-pool-small-icons"},
                    {"IconViewListBtn", "properties-archive-pool-list"},
                    {"IconViewDetailBtn", "properties-archive-pool-detail"}};
                for (const auto &[button, name] : poolViews) {
                    dialog.findChild<QAction *>(QString::fromLatin1(button))->trigger();
                    Save(dialog, name);
                }
                dialog.Tabs->setCurrentIndex(dialog.Tabs->count() - 1);
                Save(dialog, "properties-default-settings");
            }
        }
    }
    {
        AddingVolumeView view;
        view.caption = QStringLiteral("Adding Archive Volume ");
        view.drive = QStringLiteral("/media/archive");
        view.heading = QStringLiteral("Insert Disk in Drive ") + view.drive;
        view.instructions = QStringLiteral("Please insert a formated disk. This disk will be used "
                                           "as the Archive Volume being added.");
        view.volumeName = QStringLiteral("Archive Volume 4");
        view.diskLabel = QStringLiteral("DVARC0004");
        AddingVolumeDialog dialog(view, &window);
        dialog.show();
        Save(dialog, "adding-archive-volume");
    }
    {
        TExtractForm dialog(true, nullptr, &window);
        dialog.FolderEdit->setText(QStringLiteral("/home/user/Extracted"));
        dialog.show();
        Save(dialog, "extract-selected-items");
    }
    {
        TComments_Form dialog(data, &window);
        dialog.SetEntry(4, shown);
        dialog.Comments->setPlainText(
            QStringLiteral("Photos of the summer, both cameras.\nThe second card is in the box."));
        dialog.show();
        Save(dialog, "comments");
    }
    {
        TNodeSelectionForm dialog(data, TNodeSelectionForm::kSearchStart,
                                  QStringLiteral("Select Object"),
                                  QStringLiteral("Select the Object where you want to begin the "
                                                 "search"),
                                  &window);
        QTreeWidgetItem *top = dialog.TreeView1->topLevelItem(0);
        for (int i = 0; top && i < top->childCount(); ++i)
            top->child(i)->setExpanded(true);
        dialog.show();
        Save(dialog, "node-selection");
    }
    {
        const ReplaceObjectView existing{CatalogSchema::kHardDiskClass,
                                         QStringLiteral("Holiday Photos"),
                                         QStringLiteral("Hard Disk"), QStringLiteral("1,204,332KB"),
                                         QStringLiteral("7/14/26 10:01 AM")};
        const ReplaceObjectView incoming{CatalogSchema::kRemovableDiskClass,
                                         QStringLiteral("holiday photos"),
                                         QStringLiteral("Floppy Disk"), QStringLiteral("1,423KB"),
                                         QStringLiteral("3/2/25 6:15 PM")};
        ReplaceObjectDialog dialog(existing, incoming, &window);
        dialog.show();
        Save(dialog, "replace-object");
    }

    const char *const modes[] = {"location-select", "location-create", "location-open"};
    for (int mode = 1; mode <= 3; ++mode) {
        TDatabase_Location_Form dialog(&window);
        dialog.SetMode(mode);
        dialog.DatabasePath->setText(folder);
        dialog.show();
        Save(dialog, modes[mode - 1]);
    }
    {
        // Filled by hand: a refresh from a real source would test-write the
        // label of this machine's disk.
        CatalogOptions options;
        TQuick_Catalog_Form dialog(data, options, 3, &window);
        dialog.Source.clear();
        dialog.ProposedDescription = QStringLiteral("Holiday Photos");
        dialog.show();
        {
            const QSignalBlocker blocker(dialog.Catalog_Source);
            dialog.Catalog_Source->setText(QStringLiteral("/media/user/HOLIDAY"));
        }
        dialog.Label_MediaType->setText(QStringLiteral("Removable Drive"));
        dialog.Label_ArchiveOptions->setText(QStringLiteral("Analyse"));
        dialog.Label_MediaID->setText(QStringLiteral("HOLIDAY"));
        dialog.CatalogBtn->setEnabled(true);
        const char *const tabs[] = {"catalog-disk-catalog", "catalog-disk-comments",
                                    "catalog-disk-options"};
        for (int tab = 0; tab < 3; ++tab) {
            const QSignalBlocker blocker(dialog.PageControl1);
            dialog.PageControl1->setCurrentIndex(tab);
            if (tab == 1)
                dialog.Catalog_Comments->setPlainText(QStringLiteral("Summer 2019, both cameras."));
            Save(dialog, tabs[tab]);
        }
    }
    {
        TArchiveFilesForm dialog(data, QString(), &window);
        {
            const QSignalBlocker blocker(dialog.FolderEdit);
            dialog.FolderEdit->setText(QStringLiteral("/home/user/Projects/2019"));
        }
        dialog.NameEdit->setText(QStringLiteral("Projects 2019"));
        dialog.CommentEdit->setPlainText(QStringLiteral("Finished projects of 2019."));
        dialog.show();
        const char *const tabs[] = {"archive-files-settings", "archive-files-comment",
                                    "archive-files-options"};
        for (int tab = 0; tab < 3; ++tab) {
            dialog.PageControl1->setCurrentIndex(tab);
            Save(dialog, tabs[tab]);
        }
    }
    {
        DeviceCheckView wrongDisk;
        wrongDisk.caption = QStringLiteral("Insert Disk -- /media/user/HOLIDAY");
        wrongDisk.heading = QStringLiteral("Insert Cataloged Disk in Drive.");
        wrongDisk.message = QStringLiteral("The Disk in the drive, is not the expected disk or "
                                           "the disks Label has been changed.");
        wrongDisk.currentDiskCaption = QStringLiteral("Current Disk in Drive:");
        wrongDisk.currentLabel = QStringLiteral("BACKUP 2019");
        wrongDisk.currentDrive = QStringLiteral("/media/user/BACKUP 2019");
        wrongDisk.requiredDrive = QStringLiteral("/media/user/HOLIDAY");
        wrongDisk.requiredLabel = QStringLiteral("HOLIDAY");
        wrongDisk.nameCaption = QStringLiteral("Catalog Name:");
        wrongDisk.name = QStringLiteral("Holiday Photos");
        wrongDisk.driveClass = CatalogSchema::kRemovableDiskClass;
        DeviceCheckWindow dialog(&window);
        dialog.SetView(wrongDisk);
        dialog.show();
        Save(dialog, "device-check-wrong-disk");

        DeviceCheckView archive = wrongDisk;
        archive.caption = QStringLiteral("Insert Disk -- /media/user/DVARC0001/Archives/");
        archive.heading = QStringLiteral("Insert Archive Volume in Drive");
        archive.message =
            QStringLiteral("Please insert the indicated Archive Volume in the Drive specified");
        archive.currentDiskCaption = QStringLiteral("Drive Not Ready:");
        archive.currentLabelShown = false;
        archive.currentLabel.clear();
        archive.currentDrive = QStringLiteral("/media/user/DVARC0001/Archives/");
        archive.requiredDrive = archive.currentDrive;
        archive.requiredLabel = QStringLiteral("DVARC0001");
        archive.nameCaption = QStringLiteral("Archive Name");
        archive.name = QStringLiteral("Archive Volume 1");
        dialog.SetView(archive);
        Save(dialog, "device-check-archive-not-ready");
    }
    {
        // The shared progress window part-way through four operations. The
        // scan shows its status and file-name lines itself once it runs.
        userInterface.ShowProgress(ProgressOperation::CatalogMedia);
        ProgressWindow &progress = *userInterface.Progress();
        progress.findChild<QWidget *>(QStringLiteral("StatusLine"))->show();
        progress.findChild<QWidget *>(QStringLiteral("FileNameLine"))->show();
        userInterface.SetProgressPath(QStringLiteral("/media/user/holiday/2019/august"));
        userInterface.SetProgressFileName(QStringLiteral("IMG_4711.JPG"));
        userInterface.SetProgressStatus(QStringLiteral("1250 Files Processed"));
        progress.adjustSize();
        Save(progress, "progress-catalog");
        userInterface.CloseProgress();

        userInterface.ShowProgress(ProgressOperation::CreateTemporaryArchive);
        userInterface.SetProgressFileName(QStringLiteral("/home/user/Documents/report.odt"));
        userInterface.SetProgressStatus(QStringLiteral("40 of 100 Files Archived"));
        userInterface.SetProgressRange(100);
        userInterface.SetProgressPosition(40);
        Save(progress, "progress-archive");
        userInterface.CloseProgress();

        userInterface.ShowProgress(ProgressOperation::CompressDatabase);
        Save(progress, "progress-compress");
        userInterface.CloseProgress();

        userInterface.ShowProgress(ProgressOperation::ExportData);
        Save(progress, "progress-export");
        userInterface.CloseProgress();
    }
    {
        QFile text(home.filePath(QStringLiteral("release-notes.txt")));
        if (text.open(QIODevice::WriteOnly)) {
            text.write("Release notes\n=============\n\n* Catalogs keep the members of ZIP "
                       "files.\n* Files open from the catalog.\n");
            text.close();
        }
        QuickViewWindow viewer;
        viewer.resize(480, 260);
        if (viewer.ShowFile(text.fileName())) {
            viewer.show();
            Save(viewer, "quick-view-text");
        }
    }
    {
        TDuplicateCatalogForm dialog(QStringLiteral("Disk 1"), QStringLiteral("Catalogs\\Work\\"),
                                     &window);
        dialog.show();
        Save(dialog, "duplicate-disk-catalog");
    }
    {
        TConvert_V1_Form dialog(&settings, &window);
        dialog.VolumesFile->setText(QStringLiteral("/home/user/Dirvanta/VOLUMES.CXP"));
        dialog.FilesFile->setText(QStringLiteral("/home/user/Dirvanta/FILES.CXP"));
        dialog.show();
        Save(dialog, "version-1-import");
        if (const auto *entry = ContextHelpFilter::EntryOf(dialog.VolumesFile)) {
            auto *popup = new ContextHelpPopup(*entry, &dialog);
            popup->ShowAt(dialog.VolumesFile->mapToGlobal(QPoint(40, 10)));
            SaveWithPopup(dialog, *popup, "context-help-popup");
            popup->close();
        }
    }
    SaveHelpWindows();
    {
        userInterface.ShowProgress(ProgressOperation::ImportData);
        userInterface.SetProgressPath(QStringLiteral("Catalogs\\Work\\Disk 1"));
        userInterface.SetProgressFileName(QStringLiteral("Readme.txt"));
        userInterface.SetProgressStatus(QStringLiteral("1200 Records of 5000 Processed"));
        userInterface.SetProgressRange(5000);
        userInterface.SetProgressPosition(1200);
        Save(*userInterface.Progress(), "progress-import");
        userInterface.CloseProgress();
        // The Find window after a search, in two views, and its other pages.
        TFind_Form find(data, settings, 1, nullptr, &window);
        find.resize(640, 520);
        find.show();
        find.NameEdit->setText(QStringLiteral("e"));
        find.FindNowClick();
        find.SetIconView(3);
        Save(find, "find-window-detail");
        find.SetIconView(0);
        Save(find, "find-window-large-icons");
        find.DateRadio->click();
        find.BetweenEdit->setText(QStringLiteral("01/01/2019"));
        find.AndEdit->setText(QStringLiteral("31/12/2019"));
        const char *const pages[] = {"find-window-name", "find-window-dates",
                                     "find-window-comments", "find-window-advanced"};
        for (int page = 1; page < 4; ++page) {
            find.PageControl1->setCurrentIndex(page);
            Save(find, pages[page]);
        }
        find.close();
    }
    // The verify and repair dialogs during a pass and at its end.
    qputenv("TMPDIR", home.path().toUtf8());
    for (const bool repair : {false, true}) {
        TTUForm check(data, repair, checked + QLatin1Char('/'), &window);
        QProgressBar *midway = repair ? check.PBRebuild : check.PBIndexes;
        const int shotAt = repair ? 80 : 100;
        bool shot = false;
        QObject::connect(midway, &QProgressBar::valueChanged, [&](int percent) {
            if (percent >= shotAt && !shot) {
                shot = true;
                Save(check, repair ? "repair-dialog-pass" : "verify-dialog-pass");
            }
        });
        check.show();
        while (check.StatusLabel->text() != QLatin1String("Complete"))
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        Save(check, repair ? "repair-dialog-end" : "verify-dialog-end");
    }
    window.close();
    return 0;
}
