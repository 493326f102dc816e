#include "support/ScriptedUserInterface.h"

#include <gtest/gtest.h>

ScriptedUserInterface::ScriptedUserInterface()
    : m_installation(*this)
{
}

ScriptedUserInterface::~ScriptedUserInterface()
{
    for (const RecordedMessage &m : m_messages)
        ADD_FAILURE() << "unexpected message \"" << m.caption.toStdString()
                      << "\": " << m.text.toStdString();
    if (!m_answers.empty())
        ADD_FAILURE() << m_answers.size() << " queued answer(s) were never asked for";
    if (!m_duplicateAnswers.empty())
        ADD_FAILURE() << m_duplicateAnswers.size() << " duplicate-file answer(s) never asked for";
    if (!m_replaceAnswers.empty())
        ADD_FAILURE() << m_replaceAnswers.size() << " replace answer(s) never asked for";
    for (const auto &[existing, incoming] : m_replaceQuestions)
        ADD_FAILURE() << "unexpected replace question for \"" << existing.name.toStdString()
                      << "\"";
    if (!m_catalogAnswers.empty())
        ADD_FAILURE() << m_catalogAnswers.size() << " duplicate-catalog answer(s) never asked for";
    if (!m_fileNames.empty())
        ADD_FAILURE() << m_fileNames.size() << " queued file name(s) were never asked for";
    if (!m_addingAnswers.empty())
        ADD_FAILURE() << m_addingAnswers.size()
                      << " queued adding-volume answer(s) never asked for";
    if (!m_deviceAnswers.empty())
        ADD_FAILURE() << m_deviceAnswers.size() << " queued device check(s) never appeared";
}

std::vector<RecordedMessage> ScriptedUserInterface::TakeMessages()
{
    std::vector<RecordedMessage> taken;
    taken.swap(m_messages);
    return taken;
}

RecordedMessage ScriptedUserInterface::TakeSingleMessage()
{
    std::vector<RecordedMessage> taken = TakeMessages();
    if (taken.size() != 1) {
        ADD_FAILURE() << "expected one message, got " << taken.size();
        return taken.empty() ? RecordedMessage{MessageKind::Information, {}, {}, MessageIcon::None}
                             : taken.front();
    }
    return taken.front();
}

MessageAnswer ScriptedUserInterface::ShowMessage(MessageKind kind, const QString &caption,
                                                 const QString &text, MessageIcon icon)
{
    m_messages.push_back({kind, caption, text, icon});
    if (kind == MessageKind::Error || kind == MessageKind::Information)
        return MessageAnswer::Ok;
    if (m_answers.empty()) {
        ADD_FAILURE() << "question \"" << caption.toStdString() << "\" asked with no answer queued";
        return MessageAnswer::No;
    }
    const MessageAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

bool ScriptedUserInterface::AskReplaceObject(const ReplaceObjectView &existing,
                                             const ReplaceObjectView &incoming)
{
    m_replaceQuestions.emplace_back(existing, incoming);
    if (m_replaceAnswers.empty()) {
        ADD_FAILURE() << "replace question for \"" << existing.name.toStdString()
                      << "\" asked with no answer queued";
        return false;
    }
    const bool answer = m_replaceAnswers.front();
    m_replaceAnswers.pop_front();
    return answer;
}

bool ScriptedUserInterface::ShowAddingVolume(const AddingVolumeView &view)
{
    m_addingViews.push_back(view);
    if (m_addingAnswers.empty()) {
        ADD_FAILURE() << "\"Adding Archive Volume\" shown with no answer queued";
        return false;
    }
    DeviceAnswer answer = std::move(m_addingAnswers.front());
    m_addingAnswers.pop_front();
    if (answer.beforeAnswer)
        answer.beforeAnswer();
    return answer.ok;
}

std::vector<DeviceCheckView> ScriptedUserInterface::TakeDeviceChecks()
{
    std::vector<DeviceCheckView> taken;
    taken.swap(m_deviceChecks);
    return taken;
}

bool ScriptedUserInterface::ShowDeviceCheck(const DeviceCheckView &view)
{
    m_deviceChecks.push_back(view);
    if (m_deviceAnswers.empty()) {
        ADD_FAILURE() << "device check \"" << view.caption.toStdString() << "\" ("
                      << view.message.toStdString() << ") shown with no answer queued";
        return false;
    }
    const DeviceAnswer answer = std::move(m_deviceAnswers.front());
    m_deviceAnswers.pop_front();
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

void ScriptedUserInterface::OpenProgressWindow(int operation)
{
    m_progressOperations.push_back(operation);
    m_progressOpen = true;
}

void ScriptedUserInterface::CloseProgressWindow()
{
    m_progressOpen = false;
}

void ScriptedUserInterface::SetProgressStatus(const QString &text)
{
    m_progressTexts.append(text);
}

void ScriptedUserInterface::SetProgressFileName(const QString &text)
{
    m_progressTexts.append(text);
}

void ScriptedUserInterface::SetProgressPath(const QString &text)
{
    m_progressTexts.append(text);
}

QString ScriptedUserInterface::NextFileName(const QString &title)
{
    if (m_fileNames.empty()) {
        ADD_FAILURE() << "chooser \"" << title.toStdString() << "\" opened with no answer queued";
        return {};
    }
    QString name = m_fileNames.front();
    m_fileNames.pop_front();
    return name;
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
    if (m_duplicateAnswers.empty()) {
        ADD_FAILURE() << "\"Duplicate File\" asked for " << path.toStdString()
                      << " with no answer queued";
        return 2;
    }
    const int answer = m_duplicateAnswers.front();
    m_duplicateAnswers.pop_front();
    return answer;
}

DuplicateCatalogAnswer ScriptedUserInterface::AskDuplicateCatalog(const QString &catalogName,
                                                                  const QString &folderPath)
{
    m_catalogQuestions << folderPath + catalogName;
    if (m_catalogAnswers.empty()) {
        ADD_FAILURE() << "\"Duplicate Disk Catalog\" asked for "
                      << (folderPath + catalogName).toStdString() << " with no answer queued";
        return DuplicateCatalogAnswer::Abort;
    }
    const DuplicateCatalogAnswer answer = m_catalogAnswers.front();
    m_catalogAnswers.pop_front();
    return answer;
}
