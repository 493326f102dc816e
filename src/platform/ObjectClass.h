#pragma once

// The class codes of catalog objects. They sit in the lowest layer because the
// list sort orders objects by class; the store's CatalogSchema.h, where the
// rest of the schema lives, brings them along.
namespace CatalogSchema {

// The class code of a Catalogs row, also the image index of an object in a
// list. Plain (unscoped) so the codes read from the Class field and the fill
// arithmetic of archive volumes mix with it.
enum ObjectClass : int
{
    kDatabaseClass = 0,
    kCatalogsFolderClass = 1, // the fixed "Catalogs" folder
    kCatalogFolderClass = 2,  // a catalog folder the user made
    kRemovableDiskClass = 3,
    kHardDiskClass = 4,
    kCdRomClass = 5,
    kOldFileFolderClass = 6, // named by the look-up, never created
    kFileFolderClass = 7,
    kEmptyWastebasketClass = 8,
    kFullWastebasketClass = 9,
    kArchivesClass = 10, // the fixed "Archives" folder
    // Archive volumes carry their fill level in the class: 11 under 10 % full,
    // one more per 10 %, 21 for a full disk.
    kEmptyArchiveVolumeClass = 11,
    kFullArchiveVolumeClass = 21,
    kPackageClass = 22,
    kArchiveSetClass = 23,
    kPackagedFolderClass = 24,
    kVolumePoolClass = 25,
    kArchiveFolderClass = 26, // an archive folder the user made
    // The highest code an object may carry.
    kLastObjectClass = 30,
    // List rows of this class and above stand for files, not objects.
    kFirstFileClass = 31,
};
// Disk catalogs: removable disk, fixed disk, CD-ROM (network catalogs are fixed).
constexpr bool IsDiskCatalogClass(int cls)
{
    return cls >= kRemovableDiskClass && cls <= kCdRomClass;
}

constexpr bool IsWastebasketClass(int cls)
{
    return cls == kEmptyWastebasketClass || cls == kFullWastebasketClass;
}

constexpr bool IsArchiveVolumeClass(int cls)
{
    return cls >= kEmptyArchiveVolumeClass && cls <= kFullArchiveVolumeClass;
}

// Packages and the folders inside them.
constexpr bool IsPackagedObjectClass(int cls)
{
    return cls == kPackageClass || cls == kPackagedFolderClass;
}

// A list row's image index below the first file class is an object's class.
constexpr bool IsFileImage(int index)
{
    return index >= kFirstFileClass;
}

} // namespace CatalogSchema
