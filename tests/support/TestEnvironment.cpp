#include "support/TestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace {
std::unique_ptr<QTemporaryDir> g_home;
}

void PrepareTestEnvironment()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_home =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/dirvanta-test-XXXXXX"));
    const QString home = g_home->path();
    QDir(home).mkpath(QStringLiteral("config"));
    QDir(home).mkpath(QStringLiteral("data"));
    qputenv("XDG_CONFIG_HOME", QString(home + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", QString(home + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.toUtf8());
}

QString TestHome()
{
    return g_home ? g_home->path() : QString();
}
