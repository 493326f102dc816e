#pragma once

#include <QStringView>

#include <optional>

// The numbered operations of the progress window. Logic passes them to
// UserInterface::ShowProgress; the numbers are stable (stored scripts use them).
namespace ProgressOperation {
enum : int
{
    CatalogMedia = 0,
    DeleteObject = 1,
    EmptyWastebasket = 2,
    MoveToWastebasket = 3,
    MoveObject = 4,
    RestoreObject = 5,
    UpdateCatalog = 6,
    CreateTemporaryArchive = 7,
    MoveTemporaryArchive = 8,
    CreateArchiveDirect = 9,
    RecycleArchivedFiles = 10,
    ExtractFiles = 11,
    RestoreFiles = 12,
    CompressDatabase = 13,
    ExportData = 14,
    ImportData = 15,
    ConvertFiles = 16,
    ReadArchiveVolume = 17,
    FreeArchiveVolume = 18,
    BuildFindIndex = 19,
    VerifyDatabase = 20,
    RepairDatabase = 21,
    Count = 22
};
} // namespace ProgressOperation

// How the progress window looks for one operation. Parts not marked as shown
// are hidden; a shown status line starts empty; a shown bar runs 0 to 100.
struct ProgressLayout
{
    QStringView caption = {};
    // The text of the path line; empty optional: the line keeps its text.
    std::optional<QStringView> pathLine = {};
    int animation = 0;
    bool showStatusLine = false;
    bool showFileNameLine = false;
    // What the file-name line starts with when it is shown.
    QStringView fileNameLine = {};
    bool showProgressBar = false;
    bool hideCancel = false;
};

// The layout of one operation, or nullptr for a number outside the table.
const ProgressLayout *ProgressLayoutFor(int operation);
