#include "support/ScriptedUserInterface.h"

#include <gtest/gtest.h>

namespace {

// The next scripted answer; fallback, and a failure naming the question,
// when none is queued.
template<typename T>
T NextAnswer(std::deque<T> &queue, const std::string &question, T fallback)
{
    if (queue.empty()) {
        ADD_FAILURE() << question << " asked with no answer queued";
        return fallback;
    }
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}

template<typename T>
void ExpectAllUsed(const std::deque<T> &queue, const char *what)
{
    if (!queue.empty())
        ADD_FAILURE() << queue.size() << " queued " << what << "(s) never asked for";
}

} // namespace

ScriptedUserInterface::ScriptedUserInterface()
    : m_installation(*this)
{
}

ScriptedUserInterface::~ScriptedUserInterface()
{
    for (const RecordedMessage &m : m_messages)
        ADD_FAILURE() << "unexpected message \"" << m.caption.toStdString()
                      << "\": " << m.text.toStdString();
    for (const auto &[existing, incoming] : m_replaceQuestions)
        ADD_FAILURE() << "unexpected replace question for \"" << existing.name.toStdString()
                      << "\"";
    ExpectAllUsed(m_answers, "answer");
    ExpectAllUsed(m_duplicateAnswers, "duplicate-file answer");
    ExpectAllUsed(m_replaceAnswers, "replace answer");
    ExpectAllUsed(m_catalogAnswers, "duplicate-catalog answer");
    ExpectAllUsed(m_fileNames, "file name");
    ExpectAllUsed(m_addingAnswers, "adding-volume answer");
    ExpectAllUsed(m_deviceAnswers, "device check");
}

RecordedMessage ScriptedUserInterface::TakeSingleMessage()
{
    const std::vector<RecordedMessage> taken = TakeMessages();
    if (taken.size() != 1)
        ADD_FAILURE() << "expected one message, got " << taken.size();
    return taken.empty() ? RecordedMessage{MessageKind::Information, {}, {}, MessageIcon::None}
                         : taken.front();
}

MessageAnswer ScriptedUserInterface::ShowMessage(MessageKind kind, const QString &caption,
                                                 const QString &text, MessageIcon icon)
{
    m_messages.push_back({kind, caption, text, icon});
    if (kind == MessageKind::Error || kind == MessageKind::Information)
        return MessageAnswer::Ok;
    return NextAnswer(m_answers, "question \"" + caption.toStdString() + '"', MessageAnswer::No);
}

bool ScriptedUserInterface::AskReplaceObject(const ReplaceObjectView &existing,
                                             const ReplaceObjectView &incoming)
{
    m_replaceQuestions.emplace_back(existing, incoming);
    return NextAnswer(m_replaceAnswers,
                      "replace question for \"" + existing.name.toStdString() + '"', false);
}

bool ScriptedUserInterface::ShowAddingVolume(const AddingVolumeView &view)
{
    m_addingViews.push_back(view);
    return Answer(NextAnswer(m_addingAnswers, "\"Adding Archive Volume\"", DeviceAnswer{}));
}

bool ScriptedUserInterface::ShowDeviceCheck(const DeviceCheckView &view)
{
    m_deviceChecks.push_back(view);
    return Answer(NextAnswer(m_deviceAnswers,
                             "device check \"" + view.caption.toStdString() + "\" (" +
                                 view.message.toStdString() + ')',
                             DeviceAnswer{}));
}

bool ScriptedUserInterface::Answer(const DeviceAnswer &answer)
{
    if (answer.beforeAnswer)
        answer.beforeAnswer();
    return answer.ok;
}

void ScriptedUserInterface::ProcessEvents()
{
    ++m_processEventsCount;
    if (m_onProcessEvents)
        m_onProcessEvents();
}

QString ScriptedUserInterface::NextFileName(const QString &title)
{
    return NextAnswer(m_fileNames, "chooser \"" + title.toStdString() + '"', QString());
}

QString ScriptedUserInterface::ChooseFolder(const QString &title, const QString &)
{
    return NextFileName(title);
}

QString ScriptedUserInterface::ChooseOpenFile(const QString &title, const QString &startFolder,
                                              const QString &)
{
    m_lastChooser = ChooserCall{title, startFolder, QString()};
    return NextFileName(title);
}

QString ScriptedUserInterface::ChooseSaveFile(const QString &title, const QString &startFolder,
                                              const QString &fileName, const QString &,
                                              const QString &defaultSuffix)
{
    m_lastChooser = ChooserCall{title, startFolder, fileName};
    return WithDefaultSuffix(NextFileName(title), defaultSuffix);
}

int ScriptedUserInterface::AskDuplicateFile(const QString &path)
{
    m_duplicateQuestions << path;
    return NextAnswer(m_duplicateAnswers, "\"Duplicate File\" for " + path.toStdString(), 2);
}

DuplicateCatalogAnswer ScriptedUserInterface::AskDuplicateCatalog(const QString &catalogName,
                                                                  const QString &folderPath)
{
    m_catalogQuestions << folderPath + catalogName;
    return NextAnswer(m_catalogAnswers,
                      "\"Duplicate Disk Catalog\" for " + m_catalogQuestions.last().toStdString(),
                      DuplicateCatalogAnswer::Abort);
}
