#include "ui/ObjectIcons.h"

#include <QFile>

#include <array>

namespace {

QString IconPath(int size, int index)
{
    return QStringLiteral(":/icons/%1/%2.png").arg(size).arg(index, 2, 10, QLatin1Char('0'));
}

} // namespace

QIcon ObjectIcon(int index)
{
    // Built on first use, since icons need the application object; a slot
    // without a picture is noted once and answered with the generic icon.
    static std::array<QIcon, kObjectIconCount> icons;
    static std::array<bool, kObjectIconCount> missing{};
    if (index < 0 || index >= kObjectIconCount)
        index = kGenericFileIcon;
    const size_t slot = size_t(index);
    if (icons[slot].isNull() && !missing[slot]) {
        if (QFile::exists(IconPath(16, index))) {
            icons[slot].addFile(IconPath(16, index), QSize(16, 16));
            icons[slot].addFile(IconPath(32, index), QSize(32, 32));
        } else {
            missing[slot] = true;
        }
    }
    if (missing[slot])
        return index == kGenericFileIcon ? QIcon() : ObjectIcon(kGenericFileIcon);
    return icons[slot];
}

QPixmap ObjectPixmap(int index, int size)
{
    return ObjectIcon(index).pixmap(QSize(size, size));
}
