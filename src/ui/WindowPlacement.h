#pragma once

#include <QString>

class QWidget;
class SettingsStore;

// The placement of a top-level window in a settings section: "Saved",
// "State" (0 normal, 1 minimized, 2 maximized), the normal rectangle
// "Left", "Top", "Width", "Height", and for a minimized or maximized window
// "MaxLeft", "MaxTop" (and when maximized "MaxWidth", "MaxHeight"). The
// rectangles are those of the window's contents, without the frame.

// Writes the window's placement. A minimized or maximized window stores
// the rectangle it returns to.
void SavePlacement(QWidget &window, SettingsStore &settings, const QString &section);

// Applies a stored placement, before or after the window is shown; does
// nothing until a placement was saved. A rectangle that lies on no screen
// any more is moved onto one.
void LoadPlacement(QWidget &window, SettingsStore &settings, const QString &section);
