// The INI files read from outside: the input is read as the program's
// settings, as a saved search, as a shell request's selection list and as
// the hand-over of a request path between copies of the program.
#include "FuzzSupport.h"
#include "archive/ArchiveRequest.h"
#include "find/SearchSettings.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    PrepareFuzzProcess();
    // A new name per input: the INI reader caches a file it has read by its
    // name, size and time, which two inputs in one second can share.
    static int serial = 0;
    const QString path =
        WriteFuzzFile(QStringLiteral("settings-%1.ini").arg(++serial), FuzzBytes(data, size));
    {
        SettingsStore settings(SettingsStore::IniFile{path});
        ReadSearchSettings(settings);
        settings.History();
        settings.ReadSection(kSearchSettingsSection);
        settings.ReadInteger(kSearchSettingsSection, QStringLiteral("Type"), 0);
        settings.ReadBool(kSearchSettingsSection, QStringLiteral("Match Case"), false);
        SingleInstance::TakeRequestPath(settings);
    }
    // A saved search read from any file must be saved and read back the same.
    if (const std::optional<SearchSettings> loaded = LoadSearchFile(path)) {
        const QString copy = path + QStringLiteral(".dvs");
        FuzzCheck(SaveSearchFile(copy, *loaded), "a saved search is not written");
        FuzzCheck(LoadSearchFile(copy) == loaded, "a saved search does not read back");
        QFile::remove(copy);
    }
    QStringList files;
    QStringList folders;
    ReadSelectionList(path, files, folders);
    QFile::remove(path);
    return 0;
}
