#pragma once

#include "archive/ZipHandles.h"

#include <QString>
#include <QtGlobal>

#include <functional>

// Result codes of the engine. Callers compare numbers, so they are fixed.
namespace ZipResult {
constexpr int Success = 0;
constexpr int Error = 1;          // any failure without a code of its own
constexpr int BadArchive = 3;     // missing, unreadable or damaged archive
constexpr int Cancelled = 9;      // compression cancelled by the user
constexpr int NoTempRoom = 10;    // the temporary copy could not be written
constexpr int EndOfMembers = 11;  // no next member to report
constexpr int NothingToDo = 12;   // the item list named nothing to add
constexpr int NoArchiveRoom = 14; // the archive could not be written
constexpr int ArchiveWriteFail = 15;
constexpr int FileInUse = 18;   // a file to be archived could not be read
constexpr int Unsupported = 20; // a function code the component does not offer
constexpr int ExtractCancelled = 48;
constexpr int NotAllProcessed = 49; // some members were refused or failed
} // namespace ZipResult

// Option bits of a request.
enum TZipOption : unsigned
{
    RecurseFlag = 1u << 0,
    OverWriteFlag = 1u << 1,
    QuietFlag = 1u << 2,
    NoDirectoryNamesFlag = 1u << 3,
    PathForTempFlag = 1u << 4,
    IncludeSysHiddenFlag = 1u << 5,
};

// Function codes of Execute.
namespace ZipFunction {
constexpr int Count = 1;
constexpr int NextMember = 2;
constexpr int Add = 4;
constexpr int CommentSize = 5;
constexpr int Comment = 6;
constexpr int Extract = 8;
} // namespace ZipFunction

// Answers of the overwrite question.
namespace OverwriteAnswer {
constexpr int Yes = 6;
constexpr int YesToAll = 5;
constexpr int No = 7;
constexpr int Abort = 2;
} // namespace OverwriteAnswer

// What both components share: the archive name, the options, Execute and the
// error code of the last request.
class TZipEngine
{
public:
    virtual ~TZipEngine();

    // Runs one function (1 to 9); keeps its result and returns true when it is 0.
    // Any other code does nothing and fails.
    bool Execute(int function);
    int ErrorCode() const { return m_errorCode; }

    QString lpszZipFile;
    unsigned Options = 0;

    // Milliseconds from a monotonic clock for the callbacks' time gates;
    // tests replace it.
    void SetTickSource(std::function<qint64()> tickSource);

protected:
    TZipEngine() = default;
    virtual int Run(int function) = 0;

    // Lets messages run when at least intervalMs passed since this component
    // last did; true when it did.
    bool PumpGate(int intervalMs);

private:
    int m_errorCode = ZipResult::Success;
    std::function<qint64()> m_tickSource;
    qint64 m_lastPump = -1;
};

// The compression component: function 4 adds the items of lpszItemList to
// lpszZipFile, creating it when needed. Links are archived as links, never
// followed; pipes, sockets and devices are left out.
class TZipFile final : public TZipEngine
{
public:
    TZipFile();
    Q_DISABLE_COPY_MOVE(TZipFile)

    QString lpszTempPath;
    // 9 compresses (deflate, best), 0 stores.
    int CompFactor = 0;
    // File paths separated by blanks (a path with blanks in double quotes), or
    // one folder, optionally followed by "/*.*".
    QString lpszItemList;
    // The folder member names are made relative to; empty means the folder
    // that holds each item (a folder item then keeps its own name).
    QString lpszRootPath;

    // The callbacks, public so a test can drive them without libzip.
    void MajorCallback(const QString &itemName, int percent);
    void MinorCallback(int percent);

protected:
    int Run(int function) override;

private:
    int Add();
    int AddTo(const QString &archivePath);

    QString m_currentItem;
};

// The extraction component: lists members (functions 1, 2, 5, 6) and
// extracts them (function 8).
class TUnzipFile final : public TZipEngine
{
public:
    TUnzipFile();
    Q_DISABLE_COPY_MOVE(TUnzipFile)

    int IndexofItem = 0;
    // Member names, each in double quotes, separated by blanks; "\" or "/"
    // separate folders, "*" and "?" are wildcards, "*.*" matches any name.
    // A name without wildcards that is a member's exact name picks that
    // member alone; otherwise letter case is ignored. Empty means every
    // member. Extraction never writes through a link found at a target or
    // at a folder on the way: such a file is replaced, such a folder refused.
    // A link member becomes a link again; files get their permission bits.
    QString lpszFileSpec;
    QString lpszDestination;

    // Results of the listing functions. Names use "/" between folders, also
    // in archives written with "\".
    qint64 ItemCount = 0;
    QString ItemName;
    qint64 ItemSize = 0;
    QString ItemDateTime; // "mm/dd/yy hh:mm"
    quint32 ItemAttributes = 0;
    qint64 CommentSize = 0;
    QString CommentText;

    // Answers the "Duplicate File" question for a full file path (6, 5, 7 or 2);
    // unset, the user interface asks.
    std::function<int(const QString &path)> AskOverwrite;

    void MajorCallback(const QString &itemName, int percent);
    void MinorCallback();
    // Answers an engine message; code 8 carries the existing file's path
    // followed by a fixed 37-character tail.
    int MessageCallback(int code, const QString &text);

    // The DOS-style attribute value for raw ZIP host attributes.
    static quint32 DosAttributes(quint8 opsys, quint32 external, bool isFolder);

protected:
    int Run(int function) override;

private:
    int OpenForReading();
    int NextMember();
    int Extract();
    // Writes one member as the file name in the open folder, asking before it
    // replaces an entry there (shownPath names it in the question). Success
    // also when the user keeps the old file; Error or ExtractCancelled.
    int ExtractFile(zip_int64_t index, int folder, const QString &name, const QString &shownPath,
                    bool &overwriteAll);
    // Makes a link member (its data is the target) as a link named name.
    int MakeLink(zip_file_t *member, int folder, const QByteArray &name);
    // Writes the member's data to the file; Success, Error or ExtractCancelled.
    int CopyMember(zip_file_t *member, int out);

    ZipArchive m_archive;
    QString m_openPath;
    zip_int64_t m_nextIndex = 0;
};
