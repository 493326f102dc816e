#include "ui/WindowPlacement.h"

#include "platform/SettingsStore.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

const QString kSaved = QStringLiteral("Saved");
const QString kState = QStringLiteral("State");
const QString kLeft = QStringLiteral("Left");
const QString kTop = QStringLiteral("Top");
const QString kWidth = QStringLiteral("Width");
const QString kHeight = QStringLiteral("Height");
const QString kMaxLeft = QStringLiteral("MaxLeft");
const QString kMaxTop = QStringLiteral("MaxTop");
const QString kMaxWidth = QStringLiteral("MaxWidth");
const QString kMaxHeight = QStringLiteral("MaxHeight");

enum PlacementState
{
    kNormal = 0,
    kMinimized = 1,
    kMaximized = 2
};

// A minimized window that was maximized carries both flags: it counts as
// minimized, as it is on the screen.
int StateOf(const QWidget &window)
{
    const Qt::WindowStates states = window.windowState();
    if (states & Qt::WindowMinimized)
        return kMinimized;
    if (states & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return kMaximized;
    return kNormal;
}

// The rectangle the window has, or returns to, in the normal state.
QRect NormalRectangle(const QWidget &window)
{
    return window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)
               ? window.normalGeometry()
               : window.geometry();
}

int ToInt(qint64 value)
{
    constexpr qint64 kLimit = 1000000;
    return static_cast<int>(qBound(-kLimit, value, kLimit));
}

// A window restored onto a screen that is gone could not be reached: when
// too little of it lies on any screen, it moves to the screen it was last
// maximized on, else to the primary one, shrunk to fit.
QRect KeepOnScreen(QRect rectangle, QPoint maximizedPosition)
{
    constexpr int kReachable = 32;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens) {
        const QRect shared = screen->availableGeometry().intersected(rectangle);
        if (shared.width() >= kReachable && shared.height() >= kReachable)
            return rectangle;
    }
    // A maximized window's frame hangs over the screen's edge by a few pixels.
    const QScreen *target =
        QGuiApplication::screenAt(maximizedPosition + QPoint(kReachable, kReachable));
    if (!target)
        target = QGuiApplication::primaryScreen();
    if (!target)
        return rectangle;
    const QRect available = target->availableGeometry();
    rectangle.setSize(rectangle.size().boundedTo(available.size()));
    rectangle.moveTopLeft(available.topLeft());
    return rectangle;
}

} // namespace

void SavePlacement(QWidget &window, SettingsStore &settings, const QString &section)
{
    const int state = StateOf(window);
    settings.WriteBool(section, kSaved, true);
    settings.WriteInteger(section, kState, state);
    const QRect normal = NormalRectangle(window);
    settings.WriteInteger(section, kLeft, normal.x());
    settings.WriteInteger(section, kTop, normal.y());
    settings.WriteInteger(section, kWidth, normal.width());
    settings.WriteInteger(section, kHeight, normal.height());
    if (state == kNormal)
        return;
    const QRect current = window.geometry();
    settings.WriteInteger(section, kMaxLeft, current.x());
    settings.WriteInteger(section, kMaxTop, current.y());
    if (state == kMaximized) {
        settings.WriteInteger(section, kMaxWidth, current.width());
        settings.WriteInteger(section, kMaxHeight, current.height());
    }
}

// The maximized size is written for other readers of the settings but not
// applied here: the window system sizes a maximized window itself, and the
// normal rectangle is what the window returns to.
void LoadPlacement(QWidget &window, SettingsStore &settings, const QString &section)
{
    if (!settings.ReadBool(section, kSaved, false))
        return;
    const qint64 state = settings.ReadInteger(section, kState, kNormal);
    const QRect current = NormalRectangle(window);
    const QRect normal(ToInt(settings.ReadInteger(section, kLeft, current.x())),
                       ToInt(settings.ReadInteger(section, kTop, current.y())),
                       ToInt(settings.ReadInteger(section, kWidth, current.width())),
                       ToInt(settings.ReadInteger(section, kHeight, current.height())));
    const QRect frame = window.frameGeometry();
    const QPoint maximized(
        ToInt(settings.ReadInteger(section, kMaxLeft, frame.x() - window.geometry().x())),
        ToInt(settings.ReadInteger(section, kMaxTop, frame.y() - window.geometry().y())));

    // The normal rectangle is set in the normal state, so that a later
    // maximize keeps it as the rectangle to return to.
    const Qt::WindowStates others =
        window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    window.setWindowState(others);
    window.setGeometry(KeepOnScreen(normal, maximized));
    if (state == kMinimized)
        window.setWindowState(others | Qt::WindowMinimized);
    else if (state == kMaximized)
        window.setWindowState(others | Qt::WindowMaximized);
}
