#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

// Hands the next modal dialog to an action, from inside the dialog's own
// event loop. A watchdog rejects any dialog still open after a few seconds,
// so a test whose action fails cannot hang the run. Create it just before
// the call that opens the dialog; at its end it fails the test when no dialog
// came or the watchdog had to step in.
class ModalResponder final
{
    Q_DISABLE_COPY_MOVE(ModalResponder)

public:
    explicit ModalResponder(std::function<void(QWidget *)> action)
        : m_action(std::move(action))
    {
        m_poll.setInterval(5);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { Poll(); });
        m_watchdog.setSingleShot(true);
        m_watchdog.setInterval(5000);
        QObject::connect(&m_watchdog, &QTimer::timeout, [this] { RejectAll(); });
        m_poll.start();
        m_watchdog.start();
    }

    ~ModalResponder()
    {
        EXPECT_TRUE(m_handled) << "no modal dialog appeared";
        EXPECT_FALSE(m_timedOut) << "a dialog was left open and rejected by the watchdog";
    }

private:
    void Poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        m_poll.stop();
        m_handled = true;
        m_action(modal);
    }

    void RejectAll()
    {
        m_poll.stop();
        for (int i = 0; i < 10; ++i) {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                break;
            m_timedOut = true;
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            else
                modal->close();
        }
    }

    std::function<void(QWidget *)> m_action;
    QTimer m_poll;
    QTimer m_watchdog;
    bool m_handled = false;
    bool m_timedOut = false;
};

// An action for ModalResponder that expects the dialog to be a Dialog (and
// fails the test otherwise) and hands it on.
template<typename Dialog>
std::function<void(QWidget *)> ExpectDialog(std::function<void(Dialog &)> action)
{
    return [action = std::move(action)](QWidget *modal) {
        auto *dialog = qobject_cast<Dialog *>(modal);
        ASSERT_NE(dialog, nullptr) << "another dialog came";
        action(*dialog);
    };
}
