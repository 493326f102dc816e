#include "FuzzSupport.h"

#include "platform/DisplayFormats.h"
#include "platform/SettingsStore.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"
#include "support/HeadlessUserInterface.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

QTemporaryDir *g_scratch = nullptr;

} // namespace

void PrepareFuzzProcess()
{
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    // Time conversions must not depend on the machine the fuzzer runs on.
    qputenv("TZ", "UTC");
    // Every catalog write waits for the disk; in memory (/dev/shm) that wait
    // is gone and a target runs about ten times as many inputs.
    const QFileInfo memory(QStringLiteral("/dev/shm"));
    const QString base =
        memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
    g_scratch = new QTemporaryDir(base + QStringLiteral("/dirvanta-fuzz-XXXXXX"));
    const QString home = g_scratch->path();
    QDir(home).mkpath(QStringLiteral("config"));
    QDir(home).mkpath(QStringLiteral("data"));
    qputenv("XDG_CONFIG_HOME", QString(home + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", QString(home + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.toUtf8());
    static int argc = 1;
    static char name[] = "dirvanta-fuzz";
    static char *argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
    SetDisplayLocale(QLocale(QStringLiteral("en_US")));
    // The interface stays installed for the life of the process.
    // Yes or OK to every box: an input must not wait for a user, and a
    // "Yes" walks the reader the furthest.
    static HeadlessUserInterface silent([](MessageKind kind) {
        return kind == MessageKind::Question ? MessageAnswer::Yes : MessageAnswer::Ok;
    });
    static UserInterfaceInstallation installation(silent);
    std::atexit([] { delete g_scratch; });
}

QString FuzzFolder()
{
    return g_scratch->path();
}

QByteArray FuzzBytes(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

QString WriteFuzzFile(const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(FuzzFolder()).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        FuzzCheck(false, "scratch file not written");
    return path;
}

namespace {

// An empty database made once: copying its files is several times quicker
// than making the tables again for every input.
QString TemplateDatabase()
{
    static const QString folder = [] {
        const QString path = QDir(FuzzFolder()).filePath(QStringLiteral("template-db"));
        QDir().mkpath(path);
        TDataShare data;
        data.DatabaseFolder = path;
        data.CreateDatabaseTables();
        return path;
    }();
    return folder;
}

} // namespace

FuzzDatabase::FuzzDatabase()
    : m_folder(QDir(FuzzFolder()).filePath(QStringLiteral("db")))
{
    QDir(m_folder).removeRecursively();
    QDir().mkpath(m_folder);
    const QDir source(TemplateDatabase());
    for (const QString &name : source.entryList(QDir::Files))
        FuzzCheck(QFile::copy(source.filePath(name), QDir(m_folder).filePath(name)),
                  "template database not copied");
    m_settings = std::make_unique<SettingsStore>(
        SettingsStore::IniFile{QDir(FuzzFolder()).filePath(QStringLiteral("db-settings.ini"))});
    m_data = std::make_unique<TDataShare>(m_settings.get());
    m_data->DatabaseFolder = m_folder;
    FuzzCheck(m_data->OpenDatabase(), "fresh database not opened");
}

FuzzDatabase::~FuzzDatabase()
{
    m_data.reset();
    m_settings.reset();
    QDir(m_folder).removeRecursively();
}

void FuzzCheck(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}
