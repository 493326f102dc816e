#include "ui/GuiUserInterface.h"
#include "ui/ProgressWindow.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

// The scan shows the parts its operation starts without: the status line
// first, then the file name and the bar.
TEST(ProgressPartsTest, HiddenPartsComeUpWhenTheWorkAsks)
{
    GuiUserInterface ui;
    const UserInterfaceInstallation installed(ui);
    ui.ShowProgress(0);
    QWidget *window = ui.Progress();
    ASSERT_NE(window, nullptr);
    const auto visible = [&](const char *name) {
        return window->findChild<QWidget *>(QLatin1String(name))->isVisible();
    };
    EXPECT_FALSE(visible("StatusLine"));
    EXPECT_FALSE(visible("FileNameLine"));
    EXPECT_FALSE(visible("ProgressBar"));
    ui.ShowProgressParts(true, false, false);
    EXPECT_TRUE(visible("StatusLine"));
    EXPECT_FALSE(visible("ProgressBar"));
    ui.ShowProgressParts(false, true, true);
    EXPECT_TRUE(visible("FileNameLine"));
    EXPECT_TRUE(visible("ProgressBar"));
    ui.CloseProgress();
    ui.ShowProgress(0);
    EXPECT_FALSE(visible("StatusLine"));
    ui.CloseProgress();
}
