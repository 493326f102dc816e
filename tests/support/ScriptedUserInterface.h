#pragma once

#include "platform/UserInterface.h"

#include <QStringList>

#include <deque>
#include <utility>
#include <vector>

struct RecordedMessage
{
    MessageKind kind;
    QString caption;
    QString text;
    MessageIcon icon;
};

// The user-interface double: records every message, progress operation and
// pump, and answers questions and choosers from a script queued by the test.
// It installs itself for its lifetime. At destruction it fails the test when
// answers were left unused or when messages were shown that the test never
// took (an unexpected prompt).
class ScriptedUserInterface final : public UserInterface
{
public:
    ScriptedUserInterface();
    ~ScriptedUserInterface() override;

    void QueueAnswer(MessageAnswer answer) { m_answers.push_back(answer); }
    void QueueFileName(const QString &path) { m_fileNames.push_back(path); }
    // How the last file chooser was opened (the suggested name of a save).
    struct ChooserCall
    {
        QString title;
        QString startFolder;
        QString fileName;
    };
    const ChooserCall &LastChooser() const { return m_lastChooser; }
    // Answers the next "Duplicate File" question (6, 5, 7 or 2).
    void QueueDuplicateAnswer(int answer) { m_duplicateAnswers.push_back(answer); }
    // Returns the paths asked about since the last call, and forgets them.
    QStringList TakeDuplicateQuestions() { return std::exchange(m_duplicateQuestions, {}); }
    int AskDuplicateFile(const QString &path) override;
    // Answers the next "Replace" question: true replaces, false keeps.
    void QueueReplaceAnswer(bool replace) { m_replaceAnswers.push_back(replace); }
    // The pairs (existing, incoming) asked about since the last call.
    std::vector<std::pair<ReplaceObjectView, ReplaceObjectView>> TakeReplaceQuestions()
    {
        return std::exchange(m_replaceQuestions, {});
    }
    bool AskReplaceObject(const ReplaceObjectView &existing,
                          const ReplaceObjectView &incoming) override;
    // Answers the next "Duplicate Disk Catalog" question.
    void QueueDuplicateCatalogAnswer(DuplicateCatalogAnswer answer)
    {
        m_catalogAnswers.push_back(answer);
    }
    // The folder path and name of each disk catalog asked about since the
    // last call ("Catalogs\Work\Disk 1"), and forgets them.
    QStringList TakeDuplicateCatalogQuestions() { return std::exchange(m_catalogQuestions, {}); }
    DuplicateCatalogAnswer AskDuplicateCatalog(const QString &catalogName,
                                               const QString &folderPath) override;
    // The quick viewer: what it was asked to show, and whether it can.
    void SetQuickViewWorks(bool works) { m_quickViewWorks = works; }
    QStringList TakeQuickViews() { return std::exchange(m_quickViews, {}); }
    bool ShowQuickView(const QString &path) override
    {
        m_quickViews << path;
        return m_quickViewWorks;
    }

    // Answers the next device check with OK (true) or Cancel; beforeAnswer
    // runs while the window is "open", as a user changes disks.
    void QueueDeviceCheck(bool ok, std::function<void()> beforeAnswer = {})
    {
        m_deviceAnswers.push_back({ok, std::move(beforeAnswer)});
    }

    // Answers the next "Adding Archive Volume" dialog with OK (true) or
    // Cancel; beforeAnswer runs while it is open.
    void QueueAddingVolume(bool ok, std::function<void()> beforeAnswer = {})
    {
        m_addingAnswers.push_back({ok, std::move(beforeAnswer)});
    }
    std::vector<AddingVolumeView> TakeAddingVolumeViews()
    {
        return std::exchange(m_addingViews, {});
    }
    bool ShowAddingVolume(const AddingVolumeView &view) override;

    // Returns the messages shown since the last call, and forgets them.
    std::vector<RecordedMessage> TakeMessages() { return std::exchange(m_messages, {}); }
    // Returns the one message shown since the last take; fails the test otherwise.
    RecordedMessage TakeSingleMessage();

    // Returns the device check windows shown since the last call, and forgets them.
    std::vector<DeviceCheckView> TakeDeviceChecks() { return std::exchange(m_deviceChecks, {}); }
    int BeepCount() const { return m_beepCount; }

    const std::vector<int> &ProgressOperations() const { return m_progressOperations; }
    void ClearProgressLog() { m_progressOperations.clear(); }
    const QStringList &ProgressTexts() const { return m_progressTexts; }
    int ProcessEventsCount() const { return m_processEventsCount; }
    bool ProgressWindowOpen() const { return m_progressOpen; }

    // Called from ProcessEvents, as a click would arrive while work runs.
    void SetOnProcessEvents(std::function<void()> action) { m_onProcessEvents = std::move(action); }

    void SetProgressStatus(const QString &text) override { m_progressTexts.append(text); }
    void SetProgressFileName(const QString &text) override { m_progressTexts.append(text); }
    void SetProgressPath(const QString &text) override { m_progressTexts.append(text); }
    void SetProgressRange(qint64 maximum) override { m_progressMaximum = maximum; }
    void SetProgressPosition(qint64 position) override { m_progressPosition = position; }
    qint64 ProgressMaximum() const { return m_progressMaximum; }
    qint64 ProgressPosition() const { return m_progressPosition; }

    bool ShowDeviceCheck(const DeviceCheckView &view) override;
    void Beep() override { ++m_beepCount; }

    QString ChooseFolder(const QString &title, const QString &startFolder) override;
    QString ChooseOpenFile(const QString &title, const QString &startFolder,
                           const QString &filter) override;
    QString ChooseSaveFile(const QString &title, const QString &startFolder,
                           const QString &fileName, const QString &filter,
                           const QString &defaultSuffix) override;

protected:
    MessageAnswer ShowMessage(MessageKind kind, const QString &caption, const QString &text,
                              MessageIcon icon) override;
    void ProcessEvents() override;
    void OpenProgressWindow(int operation) override
    {
        m_progressOperations.push_back(operation);
        m_progressOpen = true;
    }
    void CloseProgressWindow() override { m_progressOpen = false; }

private:
    QString NextFileName(const QString &title);

    struct DeviceAnswer
    {
        bool ok = false;
        std::function<void()> beforeAnswer;
    };
    // Runs what the test does while the window is open, then answers.
    static bool Answer(const DeviceAnswer &answer);

    // The interface logic reaches while this one lives.
    UserInterfaceInstallation m_installation;
    std::deque<MessageAnswer> m_answers;
    std::deque<int> m_duplicateAnswers;
    std::deque<bool> m_replaceAnswers;
    std::vector<std::pair<ReplaceObjectView, ReplaceObjectView>> m_replaceQuestions;
    QStringList m_quickViews;
    bool m_quickViewWorks = true;
    std::deque<DuplicateCatalogAnswer> m_catalogAnswers;
    QStringList m_catalogQuestions;
    QStringList m_duplicateQuestions;
    std::deque<DeviceAnswer> m_deviceAnswers;
    std::deque<DeviceAnswer> m_addingAnswers;
    std::vector<AddingVolumeView> m_addingViews;
    std::vector<DeviceCheckView> m_deviceChecks;
    int m_beepCount = 0;
    std::deque<QString> m_fileNames;
    ChooserCall m_lastChooser;
    std::vector<RecordedMessage> m_messages;
    std::vector<int> m_progressOperations;
    QStringList m_progressTexts;
    std::function<void()> m_onProcessEvents;
    int m_processEventsCount = 0;
    bool m_progressOpen = false;
    qint64 m_progressMaximum = 100;
    qint64 m_progressPosition = 0;
};
