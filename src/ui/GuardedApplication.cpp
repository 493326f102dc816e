#include "ui/GuardedApplication.h"

#include "platform/UserInterface.h"
#include "store/DatabaseError.h"

GuardedApplication::GuardedApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool GuardedApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        if (m_failureHandler) {
            m_failureHandler(failure);
        } else {
            UI().CloseProgress();
            UI().ShowError(kDatabaseErrorCaption, FailureText(failure));
        }
    }
    return false;
}
