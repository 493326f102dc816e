#pragma once

#include "media/CatalogOptions.h"

#include <QString>

#include <functional>

class TDataShare;

// What a new disk catalog is made of.
struct CatalogRequest
{
    QString source;
    QString description;
    qint64 parentId = 3;
    QString currentLabel; // the label read from the medium
    QString newLabel;     // the label to give it
    QString comment;
};

// The name offered for a new disk catalog: "New Disk Catalog", then
// "New Disk Catalog (2)", (3) ... while the folder holds a namesake.
QString UniqueCatalogName(TDataShare &data, qint64 folderId);

// Where a new disk catalog goes when the given object is selected: the
// nearest enclosing catalog folder, else the Catalogs folder.
qint64 CatalogTargetFolder(TDataShare &data, qint64 selectedId);

// Makes sure the expected medium is in and writes the new label, exactly as
// given, when it differs from the current one other than in letter case;
// false when the user gives up. labelToStore receives the label the catalog
// keeps.
bool ApplyVolumeLabel(const QString &description, const QString &source,
                      const QString &currentLabel, const QString &newLabel, QString &labelToStore);

// Catalogs a medium into a new disk catalog under the parent. True when the
// catalog was built to the end; false when the user gave up or cancelled,
// in which case what was written stays for the caller to keep or roll back.
// newId receives the new catalog's ID as soon as it exists.
bool CatalogMedia(TDataShare &data, const CatalogOptions &options, const CatalogRequest &request,
                  qint64 *newId = nullptr);

// Rebuilds a disk catalog from its medium: a new catalog beside the old one
// with the old name, place, label, comment and creation date, the comments of
// unchanged entries carried over, then the old catalog deleted. False when
// the object is no disk catalog, the medium was not inserted or the scan was
// cancelled. newId receives the ID of the rebuilt catalog.
bool UpdateCatalog(TDataShare &data, const CatalogOptions &options, qint64 catalogId,
                   qint64 *newId = nullptr);
