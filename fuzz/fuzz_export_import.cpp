// The export-file import: the input is an export file, read into a fresh
// database in a transaction as the menu command runs it. A refused or failed
// file must leave the database as it was; a read one must leave it sound.
#include "FuzzSupport.h"
#include "exchange/ExportImport.h"
#include "store/DataShare.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    PrepareFuzzProcess();
    const QString path = WriteFuzzFile(QStringLiteral("import.dvx"), FuzzBytes(data, size));
    FuzzDatabase database;
    TDataShare &share = database.Data();
    share.RunInTransaction([&] { ImportFile(share, path); });
    return 0;
}
