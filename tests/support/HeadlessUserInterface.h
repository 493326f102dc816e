#pragma once

#include "platform/UserInterface.h"

#include <functional>

// A user interface with no screen: progress goes nowhere, choosers choose
// nothing, and every box is answered by the given rule. It needs nothing but
// the core, so the fuzz programs use it as well as the tests.
class HeadlessUserInterface final : public UserInterface
{
public:
    using AnswerRule = std::function<MessageAnswer(MessageKind)>;

    explicit HeadlessUserInterface(AnswerRule answer)
        : m_answer(std::move(answer))
    {
    }

    void SetProgressStatus(const QString &) override {}
    void SetProgressFileName(const QString &) override {}
    void SetProgressPath(const QString &) override {}
    void SetProgressRange(qint64) override {}
    void SetProgressPosition(qint64) override {}
    bool ShowDeviceCheck(const DeviceCheckView &) override { return false; }
    QString ChooseFolder(const QString &, const QString &) override { return {}; }
    QString ChooseOpenFile(const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString ChooseSaveFile(const QString &, const QString &, const QString &, const QString &,
                           const QString &) override
    {
        return {};
    }

protected:
    MessageAnswer ShowMessage(MessageKind kind, const QString &, const QString &,
                              MessageIcon) override
    {
        return m_answer(kind);
    }
    void ProcessEvents() override {}
    void OpenProgressWindow(int) override {}
    void CloseProgressWindow() override {}

private:
    AnswerRule m_answer;
};
