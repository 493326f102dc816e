#pragma once

#include <QApplication>

#include <exception>
#include <functional>

// The application object of the windowed program and the last guard of its
// event loop: a failure that an event handler let through is handed to the
// failure handler (without one it is shown in the "Database Error" box), the
// event counts as not handled and the program carries on. The windows guard
// their own handlers; this one is for what they missed.
class GuardedApplication final : public QApplication
{
public:
    using FailureHandler = std::function<void(const std::exception_ptr &failure)>;

    GuardedApplication(int &argc, char **argv);

    void SetFailureHandler(FailureHandler handler) { m_failureHandler = std::move(handler); }

    bool notify(QObject *receiver, QEvent *event) override;

private:
    FailureHandler m_failureHandler;
};
