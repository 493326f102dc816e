#include "platform/SingleInstance.h"

#include "platform/SettingsStore.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

QString g_serverNameSuffix;

// A request on the wire: a mark, the message number and its parameter. The
// running copy answers with one acknowledgement byte.
constexpr quint32 kRequestMark = 0x44563937; // "DV97"
constexpr qint64 kRequestSize = sizeof(quint32) + 2 * sizeof(qint32);
constexpr char kAcknowledgement = 0x06;

// A copy that is alive accepts at once, even while it is busy.
constexpr int kConnectTimeoutMs = 1000;
// A busy copy reads its socket when its work next lets events run.
constexpr int kAcknowledgementTimeoutMs = 5000;
constexpr int kWriteTimeoutMs = 2000;

// Unix socket paths are limited to 107 bytes.
constexpr qsizetype kMaxSocketPathBytes = 100;

bool IsKnownRequest(qint32 message, qint32 parameter)
{
    if (message == 0)
        return parameter == 0;
    return (message == InstanceRequest::kArchiveMessage ||
            message == InstanceRequest::kCatalogMessage) &&
           (parameter == 1 || parameter == 2);
}

// A folder that only this user can enter: ours, a real folder and not a
// link, no access for group or others. Another user who made it first, or
// widened it, must not get to see or replace the socket inside.
bool IsPrivateFolder(const QString &path)
{
    struct stat status
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    return S_ISDIR(status.st_mode) && status.st_uid == ::getuid() &&
           (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

// The user's runtime folder when it is private, else a folder of our own
// under the shared temporary folder, made now when missing. Empty when the
// folder there exists and is not private: then no copy meets another.
QString PrivateSocketFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(u'/') && IsPrivateFolder(runtime))
        return QDir::cleanPath(runtime);
    const QString own = QDir::tempPath() + QStringLiteral("/dirvanta97-runtime-%1").arg(::getuid());
    ::mkdir(QFile::encodeName(own).constData(), S_IRWXU);
    return IsPrivateFolder(own) ? own : QString();
}

// The other end of a local connection runs as this user. The credentials
// are those the peer had when it connected.
bool PeerIsThisUser(qintptr descriptor)
{
    ucred credentials{};
    socklen_t size = sizeof(credentials);
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return false;
    return credentials.uid == ::getuid();
}

bool AnotherCopyAnswers(const QString &serverName)
{
    QLocalSocket probe;
    probe.connectToServer(serverName);
    const bool answers = probe.waitForConnected(kConnectTimeoutMs);
    probe.abort();
    return answers;
}

} // namespace

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::ServerName()
{
    const QString folder = PrivateSocketFolder();
    if (folder.isEmpty())
        return QString();
    const QString path = folder + QStringLiteral("/dirvanta97-instance") + g_serverNameSuffix;
    return QFile::encodeName(path).size() <= kMaxSocketPathBytes ? path : QString();
}

void SingleInstance::SetServerNameSuffix(const QString &suffix)
{
    g_serverNameSuffix = suffix;
}

InstanceRequest SingleInstance::RequestForSwitch(const QString &commandSwitch)
{
    if (commandSwitch == u"/A")
        return {InstanceRequest::kArchiveMessage, 1};
    if (commandSwitch == u"/AO")
        return {InstanceRequest::kArchiveMessage, 2};
    if (commandSwitch == u"/C")
        return {InstanceRequest::kCatalogMessage, 1};
    if (commandSwitch == u"/CO")
        return {InstanceRequest::kCatalogMessage, 2};
    return {};
}

void SingleInstance::WriteRequestPath(SettingsStore &handOver, const QString &path,
                                      const QString &commandSwitch)
{
    const QDir base = RequestForSwitch(commandSwitch).message == InstanceRequest::kArchiveMessage
                          ? QDir::temp()
                          : QDir::current();
    const QString stored =
        path.isEmpty() || path.startsWith(u'/') ? path : base.absoluteFilePath(path);
    handOver.WriteText(SettingsStore::kHandOverSection, SettingsStore::kHandOverValue,
                       QDir::cleanPath(stored));
    handOver.Flush();
}

QString SingleInstance::TakeRequestPath(SettingsStore &handOver)
{
    const QString path =
        handOver.ReadText(SettingsStore::kHandOverSection, SettingsStore::kHandOverValue);
    handOver.EraseSection(SettingsStore::kHandOverSection);
    handOver.Flush();
    return path;
}

StartupCommandLine SingleInstance::ReadCommandLine(const QStringList &parameters,
                                                   SettingsStore &handOver)
{
    StartupCommandLine commandLine;
    if (parameters.size() != 2)
        return commandLine;
    WriteRequestPath(handOver, parameters[1], parameters[0]);
    commandLine.CommandLineSwitch = parameters[0];
    commandLine.CommandLineRequest = RequestForSwitch(parameters[0]).message != 0;
    return commandLine;
}

bool SingleInstance::ForwardRequest(const QStringList &parameters)
{
    const QString name = ServerName();
    if (name.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        Listen(name);
        return false;
    }
    if (!PeerIsThisUser(socket.socketDescriptor()))
        return false;

    InstanceRequest request;
    const QString commandSwitch = parameters.value(0);
    if (!commandSwitch.isEmpty()) {
        // The path must be in the file before the running copy hears of it.
        SettingsStore handOver(SettingsStore::kHandOverKey);
        WriteRequestPath(handOver, parameters.value(1), commandSwitch);
        request = RequestForSwitch(commandSwitch);
    }

    QByteArray packet;
    QDataStream out(&packet, QIODevice::WriteOnly);
    out << kRequestMark << qint32(request.message) << qint32(request.parameter);
    socket.write(packet);
    // The other copy runs whether or not it acknowledges in time; waiting
    // only makes sure the request left before this process ends.
    if (socket.waitForBytesWritten(kWriteTimeoutMs))
        socket.waitForReadyRead(kAcknowledgementTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::IsListening() const
{
    return m_server && m_server->isListening();
}

// A copy that crashed leaves its socket file behind, and listening on it
// fails. When nobody answers there any more, the file is stale and removed.
bool SingleInstance::Listen(const QString &name)
{
    m_server = new QLocalServer(this);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::AcceptConnections);
    if (m_server->listen(name))
        return true;
    if (m_server->serverError() != QAbstractSocket::AddressInUseError || AnotherCopyAnswers(name))
        return false;
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

void SingleInstance::AcceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        if (!PeerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, &SingleInstance::ReadFromSender);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        ReadRequest(socket);
    }
}

void SingleInstance::ReadFromSender()
{
    if (auto *socket = qobject_cast<QLocalSocket *>(sender()))
        ReadRequest(socket);
}

void SingleInstance::ReadRequest(QLocalSocket *socket)
{
    if (socket->bytesAvailable() < kRequestSize)
        return;
    disconnect(socket, &QLocalSocket::readyRead, this, &SingleInstance::ReadFromSender);
    QDataStream in(socket);
    quint32 mark = 0;
    qint32 message = 0;
    qint32 parameter = 0;
    in >> mark >> message >> parameter;
    if (mark != kRequestMark || !IsKnownRequest(message, parameter)) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    socket->write(&kAcknowledgement, 1);
    socket->flush();
    m_pending.push_back({message, parameter});
    QMetaObject::invokeMethod(this, &SingleInstance::DeliverPending, Qt::QueuedConnection);
}

// A request handler may let events run while it works, and so deliver
// requests that arrive meanwhile: each is taken from the queue before its
// signal goes out.
void SingleInstance::DeliverPending()
{
    while (!m_pending.empty()) {
        const InstanceRequest request = m_pending.front();
        m_pending.pop_front();
        emit BringForwardRequested();
        if (request.message != 0)
            emit RequestReceived(request.message, request.parameter);
    }
}
