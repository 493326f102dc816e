// The version-1 conversion: the input holds both old files, "Volumes" before
// the first NUL byte and "Files" after it. They go through the checks of the
// dialog, the conversion and the import into a fresh database.
#include "FuzzSupport.h"
#include "exchange/VersionOne.h"
#include "store/DataShare.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    PrepareFuzzProcess();
    const QByteArray input = FuzzBytes(data, size);
    const qsizetype marker = input.indexOf('\0');
    QString volumes = WriteFuzzFile(QStringLiteral("VOLUMES.DAT"), input.left(marker));
    QString files = WriteFuzzFile(QStringLiteral("FILES.DAT"),
                                  marker < 0 ? QByteArray() : input.mid(marker + 1));
    FuzzDatabase database;
    TDataShare &share = database.Data();
    V1TempFiles temps;
    if (CheckV1Files(volumes, files, temps) == V1Check::Ok)
        share.RunInTransaction([&] { ConvertAndImportV1(share, temps); });
    temps.Remove();
    return 0;
}
