#include "ui/GuiUserInterface.h"

#include "platform/ProgressOperations.h"
#include "ui/AddingVolumeDialog.h"
#include "ui/DeviceCheckWindow.h"
#include "ui/DuplicateCatalogForm.h"
#include "ui/ProgressWindow.h"
#include "ui/QuickViewWindow.h"
#include "ui/ReplaceObjectDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace {

// Where the progress window sits relative to the main window's frame.
constexpr QPoint kProgressOffset{40, 60};

QMessageBox::Icon BoxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None:
        return QMessageBox::NoIcon;
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

QString SelectedFile(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : QDir::cleanPath(files.constFirst());
}

} // namespace

GuiUserInterface::GuiUserInterface() = default;

GuiUserInterface::~GuiUserInterface() = default;

void GuiUserInterface::SetMainWindow(QWidget *window)
{
    m_mainWindow = window;
}

QWidget *GuiUserInterface::DialogParent() const
{
    if (m_mainWindow)
        return m_mainWindow;
    return QApplication::activeWindow();
}

MessageAnswer GuiUserInterface::ShowMessage(MessageKind kind, const QString &caption,
                                            const QString &text, MessageIcon icon)
{
    QMessageBox box(DialogParent());
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setWindowTitle(caption);
    // Texts hold file names; a name with "<" must not be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);

    switch (kind) {
    case MessageKind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageKind::Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageKind::Question:
        box.setIcon(BoxIcon(icon));
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        // Enter takes Yes, as users of the program expect; Escape and the
        // frame's close answer No, the answer that changes nothing.
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        break;
    case MessageKind::OkCancel:
        box.setIcon(BoxIcon(icon));
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MessageKind::RetryCancel:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Retry);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }

    box.exec();
    const QAbstractButton *clicked = box.clickedButton();
    switch (kind) {
    case MessageKind::Question:
        return clicked == box.button(QMessageBox::Yes) ? MessageAnswer::Yes : MessageAnswer::No;
    case MessageKind::OkCancel:
        return clicked == box.button(QMessageBox::Ok) ? MessageAnswer::Ok : MessageAnswer::Cancel;
    case MessageKind::RetryCancel:
        return clicked == box.button(QMessageBox::Retry) ? MessageAnswer::Retry
                                                         : MessageAnswer::Cancel;
    case MessageKind::Error:
    case MessageKind::Information:
        break;
    }
    return MessageAnswer::Ok;
}

bool GuiUserInterface::ShowDeviceCheck(const DeviceCheckView &view)
{
    DeviceCheckWindow window(DialogParent());
    window.SetView(view);
    // The check may run under the hourglass of a long command; the user
    // has to act now.
    QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    const int result = window.exec();
    QApplication::restoreOverrideCursor();
    return result == QDialog::Accepted;
}

bool GuiUserInterface::ShowAddingVolume(const AddingVolumeView &view)
{
    AddingVolumeDialog dialog(view, DialogParent());
    return dialog.exec() == QDialog::Accepted;
}

int GuiUserInterface::AskDuplicateFile(const QString &path)
{
    Beep();
    QMessageBox box(DialogParent());
    box.setObjectName(QStringLiteral("DuplicateFileBox"));
    box.setWindowTitle(QStringLiteral("Duplicate File"));
    box.setTextFormat(Qt::PlainText);
    box.setText(DuplicateFileText(path));
    box.setIcon(QMessageBox::Warning);
    QPushButton *yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton *yesToAll = box.addButton(QStringLiteral("&Yes to All"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    QPushButton *abort = box.addButton(QStringLiteral("&Abort"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(abort);
    box.exec();
    if (box.clickedButton() == yes)
        return 6;
    if (box.clickedButton() == yesToAll)
        return 5;
    if (box.clickedButton() == no)
        return 7;
    return 2;
}

bool GuiUserInterface::AskReplaceObject(const ReplaceObjectView &existing,
                                        const ReplaceObjectView &incoming)
{
    ReplaceObjectDialog dialog(existing, incoming, DialogParent());
    return dialog.exec() == QDialog::Accepted;
}

DuplicateCatalogAnswer GuiUserInterface::AskDuplicateCatalog(const QString &catalogName,
                                                             const QString &folderPath)
{
    TDuplicateCatalogForm form(catalogName, folderPath, DialogParent());
    // Asked under the hourglass of the import; the user has to act now.
    QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    form.exec();
    QApplication::restoreOverrideCursor();
    return form.Answer();
}

void GuiUserInterface::Beep()
{
    QApplication::beep();
}

void GuiUserInterface::ProcessEvents()
{
    QCoreApplication::processEvents();
}

void GuiUserInterface::OpenProgressWindow(int operation)
{
    const ProgressLayout *layout = ProgressLayoutFor(operation);
    Q_ASSERT_X(layout, "GuiUserInterface::OpenProgressWindow", "unknown progress operation");
    if (!layout)
        return;

    if (!m_progressWindow)
        m_progressWindow = std::make_unique<ProgressWindow>(*this);
    m_progressWindow->Begin(*layout);
    PlaceProgressWindow();
    m_progressWindow->show();
    m_progressWindow->raise();
    // Work runs on this thread right after; let the window map and paint
    // now, without taking user input that could start something else.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void GuiUserInterface::PlaceProgressWindow()
{
    // The native window must exist for its frame to count in the geometry.
    m_progressWindow->winId();
    if (m_mainWindow) {
        m_progressWindow->move(m_mainWindow->frameGeometry().topLeft() + kProgressOffset);
        // Keeps the progress window above the main window it belongs to.
        if (QWindow *mainHandle = m_mainWindow->windowHandle())
            m_progressWindow->windowHandle()->setTransientParent(mainHandle);
        return;
    }
    m_progressWindow->windowHandle()->setTransientParent(nullptr);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = m_progressWindow->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    m_progressWindow->move(frame.topLeft());
}

void GuiUserInterface::CloseProgressWindow()
{
    if (m_progressWindow)
        m_progressWindow->Finish();
}

void GuiUserInterface::SetProgressStatus(const QString &text)
{
    if (m_progressWindow)
        m_progressWindow->SetStatus(text);
}

void GuiUserInterface::SetProgressFileName(const QString &text)
{
    if (m_progressWindow)
        m_progressWindow->SetFileName(text);
}

void GuiUserInterface::SetProgressPath(const QString &text)
{
    if (m_progressWindow)
        m_progressWindow->SetPath(text);
}

void GuiUserInterface::ShowProgressParts(bool statusLine, bool fileNameLine, bool progressBar)
{
    if (m_progressWindow)
        m_progressWindow->ShowParts(statusLine, fileNameLine, progressBar);
}

void GuiUserInterface::SetProgressRange(qint64 maximum)
{
    if (m_progressWindow)
        m_progressWindow->SetRange(maximum);
}

void GuiUserInterface::SetProgressPosition(qint64 position)
{
    if (m_progressWindow)
        m_progressWindow->SetPosition(position);
}

QString GuiUserInterface::ChooseFolder(const QString &title, const QString &startFolder)
{
    QFileDialog dialog(DialogParent(), title, startFolder);
    dialog.setObjectName(QStringLiteral("FolderDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return SelectedFile(dialog);
}

bool GuiUserInterface::ShowQuickView(const QString &path)
{
    if (!QuickViewWindow::CanShow(path))
        return false;
    auto *window = new QuickViewWindow(DialogParent());
    if (!window->ShowFile(path)) {
        delete window;
        return false;
    }
    window->show();
    window->raise();
    return true;
}

QString GuiUserInterface::ChooseOpenFile(const QString &title, const QString &startFolder,
                                         const QString &filter)
{
    QFileDialog dialog(DialogParent(), title, startFolder, filter);
    dialog.setObjectName(QStringLiteral("OpenFileDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    return SelectedFile(dialog);
}

QString GuiUserInterface::ChooseSaveFile(const QString &title, const QString &startFolder,
                                         const QString &fileName, const QString &filter,
                                         const QString &defaultSuffix)
{
    QFileDialog dialog(DialogParent(), title, startFolder, filter);
    dialog.setObjectName(QStringLiteral("SaveFileDialog"));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // Qt's own dialog adds the ending before it asks about replacing a file;
    // a desktop's dialog would ask about the name as typed.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!fileName.isEmpty())
        dialog.selectFile(fileName);
    return SelectedFile(dialog);
}
