#pragma once

#include <QIcon>
#include <QPixmap>

// The pictures of objects and files in the explorer's tree and lists. The
// image index of an object is its class code (0..26); files use 31..41 by
// extension. Each icon exists at 16 and 32 pixels.

// One past the highest image index: an index below it has a slot in the icon
// set (the unused slots 27..30 show the generic file icon).
inline constexpr int kObjectIconCount = 42;
// The icon of a file whose extension has no icon of its own, and of every
// index that has none.
inline constexpr int kGenericFileIcon = 38;

// Both sizes in one icon; an unknown index gives the generic file icon.
QIcon ObjectIcon(int index);
// The picture at a size in pixels (16 and 32 are drawn, other sizes scaled).
QPixmap ObjectPixmap(int index, int size);
