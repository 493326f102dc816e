#pragma once

#include "platform/UserInterface.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class ProgressWindow;

// The user interface of the windowed program: message boxes, the progress
// window and file dialogs. File filters use Qt's form
// ("Export files (*.txt);;All files (*)").
class GuiUserInterface final : public UserInterface
{
public:
    GuiUserInterface();
    ~GuiUserInterface() override;

    // The window that owns message boxes and that the progress window is
    // placed against. Without one, boxes belong to the active window and the
    // progress window is centred on the screen.
    void SetMainWindow(QWidget *window);

    // The progress window, once an operation has shown it; for tests and for
    // the screenshot program.
    ProgressWindow *Progress() const { return m_progressWindow.get(); }

    void SetProgressStatus(const QString &text) override;
    void SetProgressFileName(const QString &text) override;
    void SetProgressPath(const QString &text) override;
    void SetProgressRange(qint64 maximum) override;
    void ShowProgressParts(bool statusLine, bool fileNameLine, bool progressBar) override;
    void SetProgressPosition(qint64 position) override;

    bool ShowDeviceCheck(const DeviceCheckView &view) override;
    bool ShowAddingVolume(const AddingVolumeView &view) override;
    bool ShowQuickView(const QString &path) override;
    void Beep() override;
    int AskDuplicateFile(const QString &path) override;
    bool AskReplaceObject(const ReplaceObjectView &existing,
                          const ReplaceObjectView &incoming) override;
    DuplicateCatalogAnswer AskDuplicateCatalog(const QString &catalogName,
                                               const QString &folderPath) override;

    QString ChooseFolder(const QString &title, const QString &startFolder) override;
    QString ChooseOpenFile(const QString &title, const QString &startFolder,
                           const QString &filter) override;
    QString ChooseSaveFile(const QString &title, const QString &startFolder,
                           const QString &fileName, const QString &filter,
                           const QString &defaultSuffix) override;

protected:
    MessageAnswer ShowMessage(MessageKind kind, const QString &caption, const QString &text,
                              MessageIcon icon) override;
    void ProcessEvents() override;
    void OpenProgressWindow(int operation) override;
    void CloseProgressWindow() override;

private:
    QWidget *DialogParent() const;
    void PlaceProgressWindow();

    QPointer<QWidget> m_mainWindow;
    std::unique_ptr<ProgressWindow> m_progressWindow;
};
