#pragma once

#include <QtGlobal>

class TDataShare;

// Fills an open catalog database with a small, realistic sample: catalog
// folders, disk catalogs of each kind with folders and files, an archive
// volume, and a disk catalog in the wastebasket. Returns the ID of the disk
// catalog whose contents make the best picture.
qint64 BuildSampleCatalog(TDataShare &data);

// Adds a disk catalog with a few hundred folders and files of long names, as
// a documentation folder holds them. Returns its ID.
qint64 BuildLongNameCatalog(TDataShare &data);
