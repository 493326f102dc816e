#include "platform/SingleInstance.h"

#include "TestFiles.h"
#include "platform/SettingsStore.h"
#include "platform/ShellIntegration.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

const QString kNothingStored = u"<nothing stored>"_s;

QString HandedOverPath()
{
    SettingsStore handOver(SettingsStore::kHandOverKey);
    return handOver.ReadText(SettingsStore::kHandOverSection, SettingsStore::kHandOverValue,
                             kNothingStored);
}

void ClearHandOver()
{
    SettingsStore handOver(SettingsStore::kHandOverKey);
    handOver.EraseSection(SettingsStore::kHandOverSection);
}

// Where the socket file of a server name lies.
QString SocketFile(const QString &serverName)
{
    return serverName.startsWith(u'/') ? serverName : QDir::tempPath() + u'/' + serverName;
}

// The address of a socket file; a path too long for it is cut short.
sockaddr_un UnixAddress(const QString &path)
{
    const QByteArray bytes = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, bytes.constData(),
                std::min(std::size_t(bytes.size()), sizeof(address.sun_path) - 1));
    return address;
}

// What a copy that crashed leaves behind: a socket file nobody listens on.
bool LeaveStaleSocket(const QString &path)
{
    const sockaddr_un address = UnixAddress(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound =
        ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound && QFileInfo::exists(path);
}

// Connects as another user (the process drops to "nobody" first), sends a
// catalog request and tells by its exit code whether it was acknowledged:
// 0 acknowledged, 1 refused, 2 could not connect.
int RequestAsAnotherUser(const QString &socketPath)
{
    const sockaddr_un address = UnixAddress(socketPath);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0)
            ::_exit(2);
        const quint32 packet[] = {htonl(0x44563937), htonl(2030), htonl(1)};
        if (::write(fd, packet, sizeof(packet)) != sizeof(packet))
            ::_exit(1);
        pollfd answer{fd, POLLIN, 0};
        char acknowledgement = 0;
        const bool acknowledged = ::poll(&answer, 1, 3000) == 1 &&
                                  ::read(fd, &acknowledgement, 1) == 1 && acknowledgement == 0x06;
        ::_exit(acknowledged ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct SecondCopyRun
{
    bool finished = false;
    int exitCode = -1;
    qint64 elapsedMs = 0;
};

class SingleInstanceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        static int run = 0;
        m_suffix = u"-test-%1-%2"_s.arg(QCoreApplication::applicationPid()).arg(++run);
        SingleInstance::SetServerNameSuffix(m_suffix);
        ClearHandOver();
    }

    void TearDown() override { SingleInstance::SetServerNameSuffix(QString()); }

    // Starts the helper program as a second copy and lets this process's
    // events run until it ends.
    SecondCopyRun RunSecondCopy(const QStringList &parameters, const QString &folder = QString())
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DIRVANTA_TEST_INSTANCE_SUFFIX"_s, m_suffix);
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        if (!folder.isEmpty())
            process.setWorkingDirectory(folder);
        QSignalSpy finished(&process, &QProcess::finished);
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(DIRVANTA_SECOND_COPY), parameters);
        SecondCopyRun run;
        run.finished = finished.wait(20000);
        run.elapsedMs = timer.elapsed();
        run.exitCode = process.exitCode();
        if (!run.finished)
            process.kill();
        return run;
    }

    QString m_suffix;
};

struct ForwardRow
{
    const char *name;
    QStringList parameters;
    int message;
    int parameter;
    QString storedPath;
};

TEST_F(SingleInstanceTest, ALoneCopyBecomesTheFirstAndReceivesEachSecondCopysRequest)
{
    const SecondCopyRun alone = RunSecondCopy({u"/C"_s, u"/data/x"_s});
    ASSERT_TRUE(alone.finished);
    EXPECT_EQ(alone.exitCode, 3);
    EXPECT_EQ(HandedOverPath(), kNothingStored);
    EXPECT_FALSE(QFileInfo::exists(SocketFile(SingleInstance::ServerName())))
        << "a copy that ends normally removes its socket";

    SingleInstance first;
    ASSERT_FALSE(first.ForwardRequest({})) << "no copy runs yet";
    ASSERT_TRUE(first.IsListening());
    QSignalSpy forward(&first, &SingleInstance::BringForwardRequested);
    QSignalSpy requests(&first, &SingleInstance::RequestReceived);
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString canonical = QFileInfo(folder.path()).canonicalFilePath();

    // Which switches make which request is shown by the command line test
    // below; these rows show that each kind of request reaches the first copy.
    const ForwardRow rows[] = {
        {"/C", {u"/C"_s, u"/data/Disk 1"_s}, 2030, 1, u"/data/Disk 1"_s},
        {"/AO", {u"/AO"_s, u"/tmp/request.ini"_s}, 2029, 2, u"/tmp/request.ini"_s},
        {"unknown switch", {u"/X"_s, u"/data/y"_s}, 0, 0, u"/data/y"_s},
        {"relative path", {u"/C"_s, u"Photos/./2024"_s}, 2030, 1, canonical + u"/Photos/2024"_s},
        {"switch without path", {u"/C"_s}, 2030, 1, QString()},
        {"no parameters", {}, 0, 0, kNothingStored},
        {"empty switch", {u""_s, u"/data/z"_s}, 0, 0, kNothingStored}};
    for (const ForwardRow &row : rows) {
        SCOPED_TRACE(row.name);
        ClearHandOver();
        forward.clear();
        requests.clear();

        const SecondCopyRun run = RunSecondCopy(row.parameters, folder.path());
        ASSERT_TRUE(run.finished) << "the second copy did not end";
        EXPECT_EQ(run.exitCode, 0) << "the second copy did not find the first";
        EXPECT_LT(run.elapsedMs, 4000) << "the second copy waited for an acknowledgement";

        if (forward.isEmpty())
            forward.wait(3000);
        EXPECT_EQ(forward.count(), 1) << "the first copy is brought forward every time";
        if (row.message == 0) {
            EXPECT_EQ(requests.count(), 0);
        } else {
            ASSERT_EQ(requests.count(), 1);
            EXPECT_EQ(std::make_pair(requests.at(0).at(0).toInt(), requests.at(0).at(1).toInt()),
                      std::make_pair(row.message, row.parameter));
        }
        EXPECT_EQ(HandedOverPath(), row.storedPath);
    }
}

// The copy that finds a crashed copy's socket serves, hangs up on noise and
// keeps serving.
TEST_F(SingleInstanceTest, ASocketLeftByACrashDoesNotBlockTheNextStartAndNoiseIsDropped)
{
    const QString socketFile = SocketFile(SingleInstance::ServerName());
    ASSERT_TRUE(LeaveStaleSocket(socketFile)) << socketFile.toStdString();

    SingleInstance first;
    EXPECT_FALSE(first.ForwardRequest({u"/C"_s, u"/data/x"_s}));
    ASSERT_TRUE(first.IsListening());
    EXPECT_EQ(HandedOverPath(), kNothingStored) << "nobody answered, so nothing was handed over";
    QSignalSpy forward(&first, &SingleInstance::BringForwardRequested);
    QSignalSpy requests(&first, &SingleInstance::RequestReceived);

    QLocalSocket stranger;
    stranger.connectToServer(SingleInstance::ServerName());
    ASSERT_TRUE(stranger.waitForConnected(1000));
    stranger.write("GET / HTTP/1.0\r\n\r\n");
    stranger.flush();
    QSignalSpy dropped(&stranger, &QLocalSocket::disconnected);
    EXPECT_TRUE(dropped.wait(3000)) << "the running copy hangs up on a stranger";
    EXPECT_EQ(forward.count(), 0);

    EXPECT_EQ(RunSecondCopy({u"/CO"_s, u"/data/x"_s}).exitCode, 0);
    ASSERT_TRUE(requests.count() == 1 || requests.wait(3000));
    EXPECT_EQ(requests.at(0).at(0).toInt(), 2030);
}

// The socket's folder is the test's own temporary folder, without a
// runtime folder, as on a system that has none.
class PrivateChannelTest : public SingleInstanceTest
{
protected:
    QTemporaryDir m_temporary;
    const ScopedEnvironment m_environment{{"TMPDIR", m_temporary.path()},
                                          {"XDG_RUNTIME_DIR", std::nullopt}};
};

TEST_F(PrivateChannelTest, ANameSquattedInTheSharedTemporaryFolderIsNeverContacted)
{
    // Someone else listens first on the name copies once met at.
    QLocalServer squatter;
    ASSERT_TRUE(
        squatter.listen(m_temporary.filePath(u"dirvanta97-%1%2"_s.arg(::getuid()).arg(m_suffix))));

    SingleInstance first;
    EXPECT_FALSE(first.ForwardRequest({u"/C"_s, u"/data/x"_s}));
    EXPECT_TRUE(first.IsListening());
    EXPECT_EQ(HandedOverPath(), kNothingStored);
    EXPECT_FALSE(squatter.waitForNewConnection(200));
}

TEST_F(PrivateChannelTest, ASocketFolderOthersCanEnterIsRefused)
{
    const QString folder = QFileInfo(SocketFile(SingleInstance::ServerName())).path();
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0755), 0);

    SingleInstance first;
    EXPECT_FALSE(first.ForwardRequest({}));
    EXPECT_FALSE(first.IsListening()) << "nobody meets in a folder others can reach";
    EXPECT_TRUE(SingleInstance::ServerName().isEmpty());
}

TEST_F(PrivateChannelTest, AConnectionOfAnotherUserIsNotServed)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "only root can connect as another user";
    SingleInstance first;
    ASSERT_FALSE(first.ForwardRequest({}));
    QSignalSpy forward(&first, &SingleInstance::BringForwardRequested);

    // Open the way for the other user, as a careless setup might.
    const QString socketFile = SocketFile(SingleInstance::ServerName());
    for (QString path = QFileInfo(socketFile).path(); path.startsWith(m_temporary.path());
         path = QFileInfo(path).path())
        ::chmod(QFile::encodeName(path).constData(), 0755);
    ::chmod(QFile::encodeName(socketFile).constData(), 0777);

    EXPECT_EQ(RequestAsAnotherUser(socketFile), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(forward.count(), 0);
}

TEST(StartupCommandLineTest, OnlyTwoParametersCountAndOnlyExactSwitchesRequest)
{
    const struct
    {
        QStringList parameters;
        const char *commandSwitch;
        int message;
        int parameter;
        const char *storedPath; // nullptr: nothing stored
    } rows[] = {
        {{u"/C"_s, u"/data/Disk 1"_s}, "/C", 2030, 1, "/data/Disk 1"},
        {{u"/CO"_s, u"/data/x"_s}, "/CO", 2030, 2, "/data/x"},
        {{u"/A"_s, u"/tmp/r.ini"_s}, "/A", 2029, 1, "/tmp/r.ini"},
        {{u"/AO"_s, u"/tmp/r.ini"_s}, "/AO", 2029, 2, "/tmp/r.ini"},
        {{u"/A"_s, u"r.ini"_s}, "/A", 2029, 1, "r.ini"}, // an archive request by name: in /tmp
        {{u"/X"_s, u"/data/x"_s}, "/X", 0, 0, "/data/x"},
        {{u"/co"_s, u"/data/x"_s}, "/co", 0, 0, "/data/x"},
        {{u"/c"_s, u"/data/x"_s}, "/c", 0, 0, "/data/x"},
        {{u"/C"_s}, "", 0, 0, nullptr},
        {{u"/C"_s, u"/data/x"_s, u"extra"_s}, "", 0, 0, nullptr},
        {{}, "", 0, 0, nullptr}};
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    int fileNumber = 0;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.parameters.join(u' ').toStdString());
        SettingsStore handOver(
            SettingsStore::IniFile{folder.filePath(u"%1.ini"_s.arg(++fileNumber))});
        const StartupCommandLine commandLine =
            SingleInstance::ReadCommandLine(row.parameters, handOver);
        EXPECT_EQ(std::make_pair(commandLine.CommandLineRequest, commandLine.CommandLineSwitch),
                  std::make_pair(row.message != 0, QString::fromUtf8(row.commandSwitch)));
        const InstanceRequest request =
            SingleInstance::RequestForSwitch(commandLine.CommandLineSwitch);
        EXPECT_EQ(std::make_pair(request.message, request.parameter),
                  std::make_pair(row.message, row.parameter));
        const QString stored = row.storedPath ? QString::fromUtf8(row.storedPath) : kNothingStored;
        EXPECT_EQ(handOver.ReadText(SettingsStore::kHandOverSection, SettingsStore::kHandOverValue,
                                    kNothingStored),
                  stored.startsWith(u'/') || !row.storedPath ? stored
                                                             : QDir::temp().filePath(stored));
    }
}

TEST(ShellIntegrationTest, TheFilesStartTheProgramWithItsSwitchesAndAreRewrittenOnlyWhenWrong)
{
    QTemporaryDir data;
    const QString program = u"/opt/My Apps/dirvanta"_s;
    ASSERT_EQ(RegisterShellExtension(program, data.path()), 9);
    const QString entry = data.filePath(u"applications/com.corvane.Dirvanta97.Requests.desktop"_s);
    const QString menu =
        data.filePath(u"kio/servicemenus/com.corvane.Dirvanta97.Catalog.desktop"_s);
    const QString script = data.filePath(u"nautilus/scripts/Archive with Dirvanta 97"_s);
    const auto read = [](const QString &path) { return QString::fromUtf8(ReadFile(path)); };
    EXPECT_TRUE(read(entry).contains(
        u"Name=Archive with Dirvanta 97...\nExec=\"/opt/My Apps/dirvanta\" /AO --selection %F"_s));
    EXPECT_TRUE(read(menu).contains(
        u"MimeType=inode/directory;\nActions=catalog;\nX-KDE-Priority=TopLevel\n"_s));
    EXPECT_TRUE(read(menu).contains(u"Exec=\"/opt/My Apps/dirvanta\" /C %f"_s));
    EXPECT_TRUE(read(script).endsWith(u"exec '/opt/My Apps/dirvanta' /A --selection \"$@\"\n"_s));
    EXPECT_TRUE(QFileInfo(script).isExecutable() && QFileInfo(menu).isExecutable());
    QProcess validate;
    validate.start(u"desktop-file-validate"_s, {entry});
    ASSERT_TRUE(validate.waitForFinished(10000));
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();

    // Quiet when right; a file removed or no longer executable is put back.
    EXPECT_EQ(RegisterShellExtension(program, data.path()), 0);
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(menu);
    EXPECT_EQ(RegisterShellExtension(program, data.path()), 2);
    EXPECT_TRUE(QFileInfo(script).isExecutable());
    EXPECT_EQ(RegisterShellExtension(u"/usr/bin/dirvanta"_s, data.path()), 9);
    // A data folder that cannot hold the files is no failure.
    EXPECT_EQ(RegisterShellExtension(program, entry), 0);
}

} // namespace
