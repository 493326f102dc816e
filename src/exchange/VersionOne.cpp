#include "exchange/VersionOne.h"

#include "exchange/ExportFormat.h"
#include "exchange/ExportImport.h"
#include "media/MediaIdentification.h"
#include "platform/DayCount.h"
#include "platform/DisplayFormats.h"
#include "platform/ProgressOperations.h"
#include "platform/UserInterface.h"
#include "store/CatalogSchema.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <vector>

namespace {

const QString kUnlabelledText = QStringLiteral("[UNLABELLED]");

QString CannotOpen(const QString &fileName, const QString &reason)
{
    return QStringLiteral("The file \"") + fileName + QStringLiteral("\" could not be opened: ") +
           reason;
}

// The lines of a text file from outside; a last line without line end
// counts, the empty rest after a last line end does not.
QStringList ReadLines(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EExchangeFileError(CannotOpen(fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    const QString text = DecodeExternalText(
        bytes, IsValidUtf8(bytes) ? ExternalEncoding::Utf8 : ExternalEncoding::Windows1252);
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

// A new temporary file that stays after it is closed.
QString WriteTemporaryFile(const QStringList &lines)
{
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/dirvanta-XXXXXX.tmp"));
    file.setAutoRemove(false);
    if (!file.open())
        throw EExchangeFileError(QStringLiteral("A temporary file could not be created: ") +
                                 file.errorString());
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes.append(line.toUtf8());
        bytes.append("\r\n", 2);
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.remove();
        throw EExchangeFileError(QStringLiteral("A temporary file could not be written: ") +
                                 reason);
    }
    return file.fileName();
}

QString VolumePath(int volume)
{
    return kVersionOneFolder + QLatin1Char('\\') + QString::asprintf("%.8d", volume);
}

// One line of the export file to be, with the key it is sorted by.
struct KeyedRecord
{
    QString key;
    bool fileRecord = false;
    qsizetype order = 0;
    QStringList fields;
};

QStringList ObjectFields(const QString &path, int cls, const QString &source, const QString &serial,
                         const QString &size, const QString &volumeSize, const QString &dateTime,
                         const QString &comment)
{
    return {path,
            QString::number(cls),
            QStringLiteral("-1"),
            source,
            serial,
            size,
            volumeSize,
            dateTime,
            dateTime,
            comment};
}

QStringList FolderFields(const QString &path, const QString &dateTime, const QString &comment)
{
    return ObjectFields(path, 7, QString(), QString(), QStringLiteral("0"), QStringLiteral("0"),
                        dateTime, comment);
}

bool IsInteger(const QString &text)
{
    bool ok = false;
    text.toLongLong(&ok);
    return ok;
}

// Keys are paths: compared segment by segment, so that a folder comes before
// everything inside it, with the locale's case-insensitive comparison.
class KeyOrder
{
public:
    KeyOrder()
        : m_collator(DisplayLocale())
    {
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    }

    bool operator()(const KeyedRecord &a, const KeyedRecord &b) const
    {
        const int byKey = Compare(a.key, b.key);
        if (byKey != 0)
            return byKey < 0;
        if (a.fileRecord != b.fileRecord)
            return !a.fileRecord;
        return a.order < b.order;
    }

private:
    int Compare(const QString &a, const QString &b) const
    {
        const QList<QStringView> left = QStringView(a).split(u'\\');
        const QList<QStringView> right = QStringView(b).split(u'\\');
        for (qsizetype i = 0; i < left.size() && i < right.size(); ++i) {
            const int order = m_collator.compare(left[i], right[i]);
            if (order != 0)
                return order;
        }
        return left.size() < right.size() ? -1 : (left.size() > right.size() ? 1 : 0);
    }

    QCollator m_collator;
};

} // namespace

QString V1FileNotFoundText()
{
    return QStringLiteral("The File specified is invalid, or could not be found") +
           kParagraphBreak + QStringLiteral("Please respecify before continuing.");
}

QString V1InvalidFileText(const QString &which)
{
    return QStringLiteral("The File specified is not a valid Dirvanta Version 1 \"") + which +
           QStringLiteral("\" File.") + kParagraphBreak +
           QStringLiteral("Please respecify before continuing.");
}

QString V1InvalidFormatText(const QString &which)
{
    return QStringLiteral("There was an error reading the \"") + which +
           QStringLiteral("\" File.") + kParagraphBreak +
           QStringLiteral("The file may be damaged or of an incorrect file format. The Import "
                          "has been terminated");
}

QString QuoteV1Line(const QString &line, int fieldCount)
{
    QString result = QStringLiteral("\"");
    result.reserve(line.size() + 2 * fieldCount + 2);
    int commas = 0;
    for (const QChar c : line) {
        if (c == u',' && commas < fieldCount - 1) {
            result.append(QLatin1String("\",\""));
            ++commas;
        } else {
            result.append(c);
        }
    }
    if (!result.endsWith(u'"'))
        result.append(u'"');
    if (result.size() > 3 && result.endsWith(QLatin1String("\",\"")))
        result.append(u'"');
    return result;
}

QString NormaliseV1File(const QString &sourceFile, int fieldCount)
{
    QStringList lines = ReadLines(sourceFile);
    for (QString &line : lines)
        line = QuoteV1Line(line, fieldCount);
    return WriteTemporaryFile(lines);
}

bool ConvertV1Files(const QString &volumesFile, const QString &filesFile, QString &exportFile)
{
    const QString separator = DateSeparator();
    auto dateTime = [&](const QString &date, const QString &time) {
        QString text = date + u' ' + time;
        return text.replace(u'/', separator);
    };
    std::vector<KeyedRecord> records;
    auto add = [&](const QString &key, bool fileRecord, QStringList fields) {
        records.push_back({key, fileRecord, qsizetype(records.size()), std::move(fields)});
    };

    add(kVersionOneFolder, false,
        ObjectFields(kVersionOneFolder, 2, QString(), QString(), QStringLiteral("0"),
                     QStringLiteral("0"), ExportDateTimeText(NowDayCount()), QString()));

    bool converted = true;
    for (const QString &line : ReadLines(volumesFile)) {
        if (TrimControls(line).isEmpty())
            continue;
        const QStringList fields = DecodeExportRecord(line);
        bool numberOk = false;
        const int volume = fields.value(0).toInt(&numberOk);
        bool totalOk = false;
        bool freeOk = false;
        const qint64 total = fields.value(2).toLongLong(&totalOk);
        const qint64 free = fields.value(3).toLongLong(&freeOk);
        if (fields.size() < 8 || !numberOk || !totalOk || !freeOk) {
            UI().ShowError(QStringLiteral("Invalid File Format"),
                           V1InvalidFormatText(QStringLiteral("Volumes")));
            converted = false;
            continue;
        }
        QString description;
        int cls = GetDriveClass(fields[6], description);
        if (!CatalogSchema::IsDiskCatalogClass(cls))
            cls = CatalogSchema::kHardDiskClass;
        const QString path = VolumePath(volume);
        const QString serial = fields[1] == kUnlabelledText ? QString() : fields[1];
        add(path, false,
            ObjectFields(path, cls, fields[6] + QLatin1Char('\\'), serial,
                         QString::number(total - free), fields[2], dateTime(fields[4], fields[5]),
                         fields[7]));
    }

    const QStringList lines = ReadLines(filesFile);
    int previousVolume = -1;
    QString previousFolder;
    bool first = true;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringList fields = DecodeExportRecord(lines[i]);
        bool volumeOk = false;
        const int volume = fields.value(1).toInt(&volumeOk);
        if (fields.size() < 9 || !volumeOk || !IsInteger(fields[3]))
            continue;
        const QString volumePath = VolumePath(volume);
        const QString &folder = fields[6];
        const QString stamp = dateTime(fields[4], fields[5]);
        const QString &comment = fields[8];
        // The volume counts as well: the same folder on the next disk needs
        // its own folder objects.
        if (first || volume != previousVolume || folder != previousFolder) {
            QString rest = folder + QLatin1Char('\\');
            if (rest.startsWith(u'\\'))
                rest.remove(0, 1);
            QString path = volumePath;
            qsizetype start = 0;
            for (qsizetype end = rest.indexOf(u'\\'); end >= 0; end = rest.indexOf(u'\\', start)) {
                path += QLatin1Char('\\') + rest.mid(start, end - start);
                add(path, false, FolderFields(path, stamp, comment));
                start = end + 1;
            }
            first = false;
            previousVolume = volume;
            previousFolder = folder;
        }
        const QString folderKey = folder.isEmpty() || folder.startsWith(u'\\')
                                      ? volumePath + folder
                                      : volumePath + QLatin1Char('\\') + folder;
        const QString &name = fields[0];
        const bool package = !name.isEmpty() && i + 1 < lines.size() &&
                             lines[i + 1].contains(QLatin1Char('\\') + name);
        if (package) {
            if (!folder.isEmpty())
                add(folderKey, false, FolderFields(folderKey, stamp, comment));
            const QString path = folderKey + QLatin1Char('\\') + name;
            add(path, false,
                ObjectFields(path, 22, fields[7] + QLatin1Char('\\'), QString(), fields[3],
                             QStringLiteral("0"), stamp, comment));
            continue;
        }
        const bool packaged =
            folderKey.contains(QLatin1String(".ZIP")) || folderKey.contains(QLatin1String(".EXE"));
        add(folderKey, true,
            {name, QStringLiteral("-1"), QStringLiteral("32"),
             packaged ? QStringLiteral("TRUE") : QStringLiteral("FALSE"), QString(), fields[3],
             QStringLiteral("0"), stamp, stamp, comment});
    }

    std::stable_sort(records.begin(), records.end(), KeyOrder());
    QStringList out;
    out.reserve(qsizetype(records.size()));
    for (const KeyedRecord &record : records)
        out.append(EncodeExportRecord(record.fields));
    exportFile = WriteTemporaryFile(out);
    return converted;
}

void V1TempFiles::Remove()
{
    for (QString *name : {&volumes, &files}) {
        if (!name->isEmpty())
            QFile::remove(*name);
        name->clear();
    }
}

V1Check CheckV1Files(QString &volumesFile, QString &filesFile, V1TempFiles &temps)
{
    volumesFile = volumesFile.trimmed();
    filesFile = filesFile.trimmed();
    if (!QFileInfo(volumesFile).isFile()) {
        UI().ShowError(QStringLiteral("File Not Found"), V1FileNotFoundText());
        return V1Check::VolumesFile;
    }
    if (!QFileInfo(filesFile).isFile()) {
        UI().ShowError(QStringLiteral("File Not Found"), V1FileNotFoundText());
        return V1Check::FilesFile;
    }
    temps.Remove();
    temps.volumes = NormaliseV1File(volumesFile, 8);
    temps.files = NormaliseV1File(filesFile, 9);
    const struct
    {
        const QString *file;
        int fields;
        const char *which;
        V1Check check;
    } tests[] = {{&temps.volumes, 8, "Volumes", V1Check::VolumesFile},
                 {&temps.files, 9, "Files", V1Check::FilesFile}};
    for (const auto &test : tests) {
        const QStringList lines = ReadLines(*test.file);
        if (lines.isEmpty() || DecodeExportRecord(lines.front()).size() != test.fields) {
            UI().ShowError(QStringLiteral("Invalid File"),
                           V1InvalidFileText(QString::fromLatin1(test.which)));
            return test.check;
        }
    }
    return V1Check::Ok;
}

bool ConvertAndImportV1(TDataShare &data, V1TempFiles &temps)
{
    QString exportFile;
    bool converted = false;
    UI().ShowProgress(ProgressOperation::ConvertFiles);
    try {
        converted = ConvertV1Files(temps.volumes, temps.files, exportFile);
    } catch (...) {
        UI().CloseProgress();
        temps.Remove();
        throw;
    }
    UI().CloseProgress();
    temps.Remove();
    if (!converted) {
        QFile::remove(exportFile);
        return false;
    }
    struct Cleanup
    {
        QString file;
        ~Cleanup()
        {
            UI().CloseProgress();
            QFile::remove(file);
        }
    } cleanup{exportFile};
    UI().ShowProgress(ProgressOperation::ImportData);
    TDvxImport import(data);
    import.ImportDVX(exportFile);
    return true;
}
