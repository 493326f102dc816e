#include "archive/ArchiveRequest.h"
#include "explorer/CatalogueForm.h"
#include "platform/DisplayFormats.h"
#include "platform/SettingsStore.h"
#include "platform/ShellIntegration.h"
#include "platform/SingleInstance.h"
#include "store/DataShare.h"
#include "ui/ContextHelp.h"
#include "ui/GuardedApplication.h"
#include "ui/GuiUserInterface.h"

int main(int argc, char **argv)
{
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dirvanta 97"));
    QApplication::setApplicationVersion(QStringLiteral("2.1"));
    // Dates and numbers follow the user's locale, with the short-date rule.
    SetDisplayLocale(QLocale());
    InstallContextHelp();
    // An archive action of the file manager passes its selection, which
    // becomes a request file here.
    const QStringList parameters = SelectionRequestCommandLine(QApplication::arguments().mid(1));

    // Only one copy serves the user: a later one hands its request over and ends.
    SingleInstance instance;
    if (instance.ForwardRequest(parameters))
        return 0;

    SettingsStore handOver(SettingsStore::kHandOverKey);
    const StartupCommandLine commandLine = SingleInstance::ReadCommandLine(parameters, handOver);
    SettingsStore settings(SettingsStore::kProgramKey);
    settings.WriteProgramLocation(QCoreApplication::applicationFilePath());
    RegisterShellExtension(QCoreApplication::applicationFilePath());

    GuiUserInterface userInterface;
    const UserInterfaceInstallation installed(userInterface);
    TDataShare data(&settings);
    app.SetFailureHandler(
        [&data](const std::exception_ptr &failure) { data.ReportFailure(failure); });
    TCatalogueForm window(data, settings);
    userInterface.SetMainWindow(&window);
    if (commandLine.CommandLineRequest)
        window.SetCommandLineRequest(commandLine.CommandLineSwitch);
    QObject::connect(&instance, &SingleInstance::RequestReceived, &window,
                     &TCatalogueForm::ServeRequest);
    QObject::connect(&instance, &SingleInstance::BringForwardRequested, &window,
                     &TCatalogueForm::BringForward);
    window.show();
    QApplication::exec();
    app.SetFailureHandler({});
    return 0;
}
