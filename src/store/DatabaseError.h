#pragma once

#include <QString>

#include <exception>
#include <stdexcept>

// The caption of the box that shows a failure of a command or a handler.
inline const QString kDatabaseErrorCaption = QStringLiteral("Database Error");

// A failure of the database layer or of the item tree, carrying the text the
// user is shown and, for engine failures, the SQLite result code (0 otherwise).
class EDatabaseError : public std::runtime_error
{
public:
    explicit EDatabaseError(const QString &message, int engineCode = 0)
        : std::runtime_error(message.toStdString())
        , m_message(message)
        , m_engineCode(engineCode)
    {
    }

    const QString &Message() const { return m_message; }
    // The primary SQLite result code (SQLITE_BUSY, ...), or 0.
    int EngineCode() const { return m_engineCode & 0xff; }
    int ExtendedEngineCode() const { return m_engineCode; }
    // True when another process holds the database.
    bool IsLocked() const;

private:
    QString m_message;
    int m_engineCode;
};

// Raised by the program to abandon a command; the command's transaction is
// rolled back and the exception swallowed.
class EDirvantaFailed : public std::runtime_error
{
public:
    explicit EDirvantaFailed(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }

    const QString &Message() const { return m_message; }

private:
    QString m_message;
};

// The text a user is shown for a caught failure.
QString FailureText(const std::exception_ptr &failure);
