#pragma once

#include <QtGlobal>

class TDataShare;

// Deletes an object for good with every object below it and all their
// files; children go before their parents. Returns the number of objects
// deleted (0 when the object does not exist).
qint64 DeleteSubtreePermanently(TDataShare &data, qint64 id);
