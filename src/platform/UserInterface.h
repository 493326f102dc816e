#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// What a message box is for: it decides the icon and the buttons.
enum class MessageKind
{
    Error,       // stop icon, OK
    Information, // information icon, OK
    Question,    // the caller's icon, Yes and No
    OkCancel,    // the caller's icon, OK and Cancel
    RetryCancel  // warning icon, Retry and Cancel
};

enum class MessageIcon
{
    None,
    Stop,
    Information,
    Question,
    Warning
};

// Answers carry the numbers the original dialogs returned, so stored
// scripts and callers that compare numbers keep working.
enum class MessageAnswer
{
    Ok = 1,
    Cancel = 2,
    Retry = 4,
    Yes = 6,
    No = 7
};

// Texts of messages are a statement, a blank line and an instruction.
inline const QString kParagraphBreak = QStringLiteral("\n\n");

// Everything the "Insert Disk" window shows for one pass of the device
// check; the logic fills in every text, the window only lays them out.
struct DeviceCheckView
{
    QString caption;               // "Insert Disk -- " and the drive
    QString heading;               // what to insert
    QString message;               // why the disk in the drive will not do
    QString currentDiskCaption;    // "Current Disk in Drive:" or "Drive Not Ready:"
    bool currentLabelShown = true; // the current "Disk Label:" line; hidden when not ready
    QString currentLabel;          // the label read, "<Unlabelled>", or empty when not ready
    QString currentDrive;          // where the disk in the drive is mounted, else the drive
    QString requiredDrive;         // where the disk is expected
    QString requiredLabel;         // the label asked for; empty when any disk will do
    QString nameCaption;           // "Catalog Name:" or "Archive Name"
    QString name;                  // the catalog's or the archive volume's name
    int driveClass = 0;            // the object class whose large image shows the drive
};

// What the "Adding Archive Volume" dialog shows; the logic fills in every
// text. again: the last OK failed one of the checks (a front end that cannot
// wait for the user gives up rather than answer OK once more).
struct AddingVolumeView
{
    QString caption;      // "Adding Archive Volume "
    QString heading;      // "Insert Disk in Drive " and the drive
    QString instructions; // what to insert
    QString drive;        // the values under "Volume Details:"
    QString volumeName;
    QString diskLabel;
    bool again = false;
};

// One side of the "Replace" question: what the list shows of an object.
struct ReplaceObjectView
{
    int imageIndex = 0; // the object's class code
    QString name;
    QString typeName;
    QString sizeText;     // empty for objects that show no size
    QString modifiedText; // empty when the object has no date
};

// The answers of the "Duplicate Disk Catalog" question.
enum class DuplicateCatalogAnswer
{
    Yes,
    YesToAll,
    No,
    Abort
};

// The one seam through which logic reaches the user: messages, questions,
// the progress window, the shared cancel flag, the message pump and the
// choosers. The GUI shows real windows, the command-line tool uses the
// terminal, tests answer from a script. Logic never includes a widget header.
class UserInterface
{
public:
    static constexpr int kMaxCaptionLength = 100;
    static constexpr int kMaxTextLength = 255;

    UserInterface();
    virtual ~UserInterface();
    UserInterface(const UserInterface &) = delete;
    UserInterface &operator=(const UserInterface &) = delete;

    // The message routine: cuts the caption to 100 and the text to 255
    // characters, then shows the box of the kind. Questions answer Yes or No,
    // the other kinds Ok.
    MessageAnswer Message(MessageKind kind, const QString &caption, const QString &text,
                          MessageIcon icon = MessageIcon::Question);

    // Shorthands for the three kinds.
    void ShowError(const QString &caption, const QString &text);
    void ShowInformation(const QString &caption, const QString &text);
    bool AskYesNo(const QString &caption, const QString &text,
                  MessageIcon icon = MessageIcon::Question);
    // True for OK, false for Cancel.
    bool AskOkCancel(const QString &caption, const QString &text,
                     MessageIcon icon = MessageIcon::Question);
    // True for Retry, false for Cancel.
    bool AskRetryCancel(const QString &caption, const QString &text);

    // The shared cancel flag that every long operation tests between steps.
    bool Cancelled() const { return m_cancelled; }
    void SetCancelled(bool cancelled) { m_cancelled = cancelled; }

    // Lets pending events run, but only when more than intervalMs have passed
    // since the last time they did; cheap enough to call once per record.
    // True when they ran (callers refresh their progress lines then).
    bool PumpMessages(int intervalMs);

    // The progress window. ShowProgress and CloseProgress clear the cancel flag.
    void ShowProgress(int operation);
    void CloseProgress();
    bool ProgressVisible() const { return m_progressOperation >= 0; }
    int ProgressOperation() const { return m_progressOperation; }
    virtual void SetProgressStatus(const QString &text) = 0;
    virtual void SetProgressFileName(const QString &text) = 0;
    virtual void SetProgressPath(const QString &text) = 0;
    virtual void SetProgressRange(qint64 maximum) = 0;
    virtual void SetProgressPosition(qint64 position) = 0;

    // The modal "Insert Disk" window of the device check: true for OK (try
    // again), false for Cancel.
    virtual bool ShowDeviceCheck(const DeviceCheckView &view) = 0;
    // Shows parts of the progress window that its operation keeps hidden at
    // first (the scan shows its status line, then its bar and file name).
    virtual void ShowProgressParts(bool statusLine, bool fileNameLine, bool progressBar)
    {
        Q_UNUSED(statusLine);
        Q_UNUSED(fileNameLine);
        Q_UNUSED(progressBar);
    }

    // The "Duplicate File" question for a file about to be overwritten: 6 yes,
    // 5 yes to all, 7 no, 2 abort. Without a four-way box of its own a front
    // end asks Yes or No.
    virtual int AskDuplicateFile(const QString &path);

    // The "Replace" question of a move or restore that meets an object of the
    // same name: true replaces the existing object (it goes to the
    // wastebasket), false keeps it. Without a window of its own a front end
    // asks Yes or No with both objects described in the text.
    virtual bool AskReplaceObject(const ReplaceObjectView &existing,
                                  const ReplaceObjectView &incoming);

    // Shows a file in the program's own quick viewer; false when the viewer
    // cannot show files of its kind (or a front end has no viewer).
    virtual bool ShowQuickView(const QString &path)
    {
        Q_UNUSED(path);
        return false;
    }
    // The "Duplicate Disk Catalog" question of an import: the folder (its
    // path with a trailing "\") already holds a disk catalog of that name.
    // Without a four-way box of its own a front end asks Yes or No.
    virtual DuplicateCatalogAnswer AskDuplicateCatalog(const QString &catalogName,
                                                       const QString &folderPath);

    // The modal "Adding Archive Volume" dialog: true for OK, false for
    // Cancel. Without a window of its own a front end asks OK or Cancel with
    // the details in the text.
    virtual bool ShowAddingVolume(const AddingVolumeView &view);

    // The warning sound made before the device check appears; silent unless
    // a front end has one.
    virtual void Beep() {}

    // Choosers used from logic; an empty result means the user cancelled.
    virtual QString ChooseFolder(const QString &title, const QString &startFolder) = 0;
    virtual QString ChooseOpenFile(const QString &title, const QString &startFolder,
                                   const QString &filter) = 0;
    // A name chosen without an ending gets defaultSuffix ("DVX", no dot)
    // before the chooser asks whether an existing file may be replaced.
    virtual QString ChooseSaveFile(const QString &title, const QString &startFolder,
                                   const QString &fileName, const QString &filter,
                                   const QString &defaultSuffix) = 0;

    // Milliseconds from a monotonic clock; tests replace it to drive the pump gate.
    void SetTickSource(std::function<qint64()> tickSource);

protected:
    virtual MessageAnswer ShowMessage(MessageKind kind, const QString &caption, const QString &text,
                                      MessageIcon icon) = 0;
    virtual void ProcessEvents() = 0;
    virtual void OpenProgressWindow(int operation) = 0;
    virtual void CloseProgressWindow() = 0;

    // The current tick of the (possibly injected) clock, for front ends that
    // throttle their own output the way the pump is gated.
    qint64 Ticks() const { return m_tickSource(); }

private:
    bool m_cancelled = false;
    int m_progressOperation = -1;
    qint64 m_lastPump = 0;
    std::function<qint64()> m_tickSource;
};

// The body of the "Duplicate File" question for a full file path.
QString DuplicateFileText(const QString &path);
// A chosen file name with the default ending added when the name has none
// (no dot in its last part), as the save chooser adds it.
QString WithDefaultSuffix(const QString &path, const QString &defaultSuffix);
// The body of the "Duplicate Disk Catalog" question.
QString DuplicateCatalogText(const QString &catalogName);

// The caption and the question of the "Replace" question.
extern const QString kReplaceObjectCaption;
QString ReplaceObjectQuestion(const QString &name);
// One object of the question on one line: name, type, size and date.
QString ReplaceObjectLine(const ReplaceObjectView &view);

// The instance that logic reaches. The mains and test fixtures install one;
// reaching it before that is a programming error and stops the program.
UserInterface &UI();

// Installs a user interface for its own lifetime and then puts back the one
// installed before, so a command run inside another (the command line inside
// a test, a nested fixture) leaves the outer interface in place.
class UserInterfaceInstallation final
{
public:
    explicit UserInterfaceInstallation(UserInterface &userInterface);
    ~UserInterfaceInstallation();
    UserInterfaceInstallation(const UserInterfaceInstallation &) = delete;
    UserInterfaceInstallation &operator=(const UserInterfaceInstallation &) = delete;

private:
    UserInterface *m_previous;
};
