#pragma once

#include <QApplication>
#include <QCursor>

// The hourglass for as long as a piece of work runs, also when it raises.
class BusyCursor final
{
public:
    BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    Q_DISABLE_COPY_MOVE(BusyCursor)
};
