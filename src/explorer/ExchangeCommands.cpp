#include "explorer/ExchangeCommands.h"

#include "exchange/ExportImport.h"
#include "exchangewindow/ConvertV1Form.h"
#include "explorer/CatalogList.h"
#include "explorer/CatalogueForm.h"
#include "platform/DisplayFormats.h"
#include "platform/SettingsStore.h"
#include "platform/UserInterface.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"
#include "store/ObjectOperations.h"
#include "ui/BusyCursor.h"
#include "ui/HandlerGuard.h"
#include "ui/ItemTree.h"

#include <QAction>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kExportOptions = QStringLiteral("Export Options");
const QString kPath = QStringLiteral("Path");
const QString kFile = QStringLiteral("File");
const QString kExportFilter = QStringLiteral("Dirvanta Export Files (*.DVX *.dvx);;All Files (*)");

// The object an export takes: the list's selected object when the list has
// the focus, else the tree's selected node; -1 when it is of no class that
// can be exported.
qint64 ExportSource(TCatalogueForm &form, TDataShare &data)
{
    if (form.List()->ViewHasFocus()) {
        const std::optional<ListEntry> item = form.List()->CurrentEntry();
        if (item && !item->IsFile() && ObjectRules::MayBeExported(item->imageIndex))
            return item->data;
    }
    const qint64 id = form.Tree()->SelectedID();
    TableCursor *lookup = data.Catalogs.LookupCursor();
    if (id > 0 && data.Catalogs.Locate(lookup, id) &&
        ObjectRules::MayBeExported(data.Catalogs.ItemClass(lookup)))
        return id;
    return -1;
}

// Where the Export and Import dialogs start: the folder of the last export
// or import, else the user's documents. Never left to the dialog, which
// would start where any file dialog was last used (the Open With chooser).
QString ExchangeStartFolder(SettingsStore &settings)
{
    const QString last = settings.ReadText(kExportOptions, kPath);
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

// The suggested name of an export file: the object's name, made fit for a
// file name, with the export ending.
QString SuggestedExportName(TDataShare &data, qint64 id)
{
    QString name = GetObjectName(data, id).trimmed();
    name.replace(u'/', u'-');
    return (name.isEmpty() ? QStringLiteral("Export") : name) + QStringLiteral(".DVX");
}

// Shows what a command's transaction was rolled back for, unless the work
// said so itself (the import's own boxes end in "Catalog Failed").
void ReportFailure(const QString &caption, const QString &failure)
{
    if (!failure.isEmpty() && failure != QLatin1String("Catalog Failed"))
        UI().ShowError(caption, failure);
}

} // namespace

void ExportCommand(TCatalogueForm &form, TDataShare &data, SettingsStore &settings)
{
    if (!data.DatabaseOpen)
        return;
    const qint64 id = ExportSource(form, data);
    if (id < 0)
        return;
    const QString file = UI().ChooseSaveFile(
        QStringLiteral("Specify Destination File for Export"), ExchangeStartFolder(settings),
        SuggestedExportName(data, id), kExportFilter, QStringLiteral("DVX"));
    if (file.isEmpty())
        return;
    const QFileInfo chosen(file);
    settings.WriteText(kExportOptions, kPath, chosen.absolutePath());
    settings.WriteText(kExportOptions, kFile, chosen.fileName());
    try {
        bool written = false;
        {
            BusyCursor busy;
            written = ExportObjects(data, id, file);
        }
        if (written) {
            form.ShowDoneMessage(QStringLiteral("Exported %1 entries to %2")
                                     .arg(DisplayLocale().toString(CountSubtreeEntries(data, id)),
                                          chosen.fileName()));
        }
    } catch (const EExchangeFileError &error) {
        UI().ShowError(QStringLiteral("Export Error"), error.Message());
    } catch (const EDatabaseError &error) {
        UI().ShowError(QStringLiteral("Export Error"), error.Message());
    }
}

void ImportCommand(TCatalogueForm &form, TDataShare &data, SettingsStore &settings)
{
    if (!data.DatabaseOpen)
        return;
    const QString file = UI().ChooseOpenFile(QStringLiteral("Select Source File for Import"),
                                             ExchangeStartFolder(settings), kExportFilter);
    if (file.isEmpty())
        return;
    settings.WriteText(kExportOptions, kPath, QFileInfo(file).absolutePath());
    QString failure;
    bool imported = false;
    {
        BusyCursor busy;
        data.RunInTransaction([&] { imported = ImportFile(data, file); }, &failure);
    }
    ReportFailure(QStringLiteral("Import Error!"), failure);
    form.ReselectNode(CatalogSchema::kCatalogsId, true);
    if (imported && failure.isEmpty())
        form.ShowDoneMessage(QStringLiteral("Imported %1").arg(QFileInfo(file).fileName()));
}

void ConvertV1Command(TCatalogueForm &form, TDataShare &data, SettingsStore &settings)
{
    if (!data.DatabaseOpen)
        return;
    QString failure;
    data.RunInTransaction([&] { RunV1Dialog(data, &settings, &form); }, &failure);
    ReportFailure(QStringLiteral("Import Error!"), failure);
    form.ReselectNode(CatalogSchema::kCatalogsId, true);
}

void ConnectExchangeCommands(TCatalogueForm &form, TDataShare &data, SettingsStore &settings)
{
    MainWindowActions &actions = form.Actions();
    QObject::connect(actions.Export1, &QAction::triggered, &form,
                     Guarded(data, [&] { ExportCommand(form, data, settings); }));
    QObject::connect(actions.Dirvanta97File1, &QAction::triggered, &form,
                     Guarded(data, [&] { ImportCommand(form, data, settings); }));
    QObject::connect(actions.DirvantaVersion1File1, &QAction::triggered, &form,
                     Guarded(data, [&] { ConvertV1Command(form, data, settings); }));
}
