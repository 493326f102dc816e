#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>

class QLocalServer;
class QLocalSocket;
class SettingsStore;

// A numbered request one copy of the program hands to another. The numbers
// are fixed: the file-manager integration and stored scripts use them.
struct InstanceRequest
{
    static constexpr int kArchiveMessage = 2029;
    static constexpr int kCatalogMessage = 2030;

    int message = 0;   // 0: no request, only bring the running copy forward
    int parameter = 0; // 1 or 2 with a request
};

// What the command line asks of a copy that serves it itself.
struct StartupCommandLine
{
    bool CommandLineRequest = false; // one of "/A", "/AO", "/C", "/CO" was given
    QString CommandLineSwitch;       // the first parameter, unchanged
};

// One running copy of the program per user. The first copy listens on a
// local socket; a later copy connects, hands over its request and ends.
// Only connections of the same user are served.
// The request path travels through the settings (hand-over key, "Temp" /
// "FileName"), the request number through the socket.
class SingleInstance final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;

    // The socket both sides meet at: one per user, in a folder only the user
    // can enter (the runtime folder, else one of ours under the temporary
    // folder, made on first use). Empty when that folder is not private.
    // Tests add a suffix so that parallel runs and the user's own running
    // program do not meet.
    static QString ServerName();
    static void SetServerNameSuffix(const QString &suffix);

    // "/A" -> 2029,1; "/AO" -> 2029,2; "/C" -> 2030,1; "/CO" -> 2030,2,
    // compared exactly; any other text -> no request.
    static InstanceRequest RequestForSwitch(const QString &commandSwitch);

    // Stores the path of a request for the copy that serves it, made
    // absolute (the serving copy may run in another folder), and flushes.
    // A relative path of an archive switch names a request file in the
    // temporary folder; any other is taken from the current folder.
    static void WriteRequestPath(SettingsStore &handOver, const QString &path,
                                 const QString &commandSwitch = QString());
    // The stored request path, read once: the "Temp" section is erased.
    static QString TakeRequestPath(SettingsStore &handOver);

    // The start-up reading of the command line of a copy that runs on its
    // own: with exactly two parameters the second is stored as the request
    // path and the first kept as the switch; any other number is ignored.
    static StartupCommandLine ReadCommandLine(const QStringList &parameters,
                                              SettingsStore &handOver);

    // The single-copy check, run first at start-up with the command-line
    // parameters (without the program name). When another copy answers, it
    // is brought forward; with a non-empty first parameter the second is
    // stored as the request path and the switch's request is sent. Returns
    // true then: this copy should end. Otherwise this copy starts listening
    // and false is returned.
    bool ForwardRequest(const QStringList &parameters);

    bool IsListening() const;

signals:
    // Every later copy asks for this first, with or without a request.
    void BringForwardRequested();
    // A request of a later copy: message 2029 or 2030, parameter 1 or 2.
    void RequestReceived(int message, int parameter);

private slots:
    void AcceptConnections();
    void ReadFromSender();
    void DeliverPending();

private:
    bool Listen(const QString &name);
    void ReadRequest(QLocalSocket *socket);

    QLocalServer *m_server = nullptr;
    // Requests are delivered from the event loop, after the sender has its
    // acknowledgement, as a posted message would be.
    std::deque<InstanceRequest> m_pending;
};
