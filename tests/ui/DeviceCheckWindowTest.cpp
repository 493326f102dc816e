#include "ui/DeviceCheckWindow.h"

#include "media/DeviceCheck.h"
#include "store/CatalogSchema.h"
#include "support/FakeDriveSystem.h"
#include "support/ModalResponder.h"
#include "ui/ElidedLabel.h"
#include "ui/GuiUserInterface.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// What the window showed, read through the object names of its parts.
struct SeenWindow
{
    QString title;
    QString heading;
    QString message;
    bool messageShown = false;
    QString currentDiskCaption;
    QString currentDrive;
    bool currentLabelShown = false;
    QString currentLabel;
    QString requiredDrive;
    QString requiredLabel;
    QString nameCaption;
    QString name;
    bool hasPicture = false;
    bool okIsDefault = false;
};

QString LabelText(QWidget *window, const char *name)
{
    auto *label = window->findChild<QLabel *>(QString::fromLatin1(name));
    EXPECT_NE(label, nullptr) << name;
    return label ? label->text() : QString();
}

QString DriveText(QWidget *window, const char *name)
{
    auto *label = window->findChild<ElidedLabel *>(QString::fromLatin1(name));
    EXPECT_NE(label, nullptr) << name;
    return label ? label->text() : QString();
}

SeenWindow Read(QWidget *modal)
{
    SeenWindow seen;
    auto *window = qobject_cast<DeviceCheckWindow *>(modal);
    if (!window) {
        ADD_FAILURE() << "the modal widget is not the device check window";
        return seen;
    }
    seen.title = window->windowTitle();
    seen.heading = LabelText(window, "Heading");
    seen.message = LabelText(window, "Message");
    seen.messageShown = window->findChild<QLabel *>(u"Message"_s)->isVisible();
    seen.currentDiskCaption = LabelText(window, "CurrentDiskCaption");
    seen.currentDrive = DriveText(window, "CurrentDrive");
    seen.currentLabelShown = window->findChild<QLabel *>(u"CurrentLabel"_s)->isVisible() &&
                             window->findChild<QLabel *>(u"CurrentLabelCaption"_s)->isVisible();
    seen.currentLabel = LabelText(window, "CurrentLabel");
    seen.requiredDrive = DriveText(window, "RequiredDrive");
    seen.requiredLabel = LabelText(window, "RequiredLabel");
    seen.nameCaption = LabelText(window, "NameCaption");
    seen.name = LabelText(window, "CatalogName");
    const QLabel *picture = window->findChild<QLabel *>(u"DriveImage"_s);
    seen.hasPicture = picture && !picture->pixmap().isNull();
    const auto *ok = window->findChild<QPushButton *>(u"OKButton"_s);
    seen.okIsDefault = ok && ok->isDefault();
    return seen;
}

DeviceCheckView NotReadyView()
{
    DeviceCheckView view;
    view.caption = u"Insert Disk -- /media/user/DVARC0001/Archives/"_s;
    view.heading = u"Insert Archive Volume in Drive"_s;
    view.message = u"Please insert the indicated Archive Volume in the Drive specified"_s;
    view.currentDiskCaption = u"Drive Not Ready:"_s;
    view.currentLabelShown = false;
    view.currentDrive = u"/media/user/DVARC0001/Archives/"_s;
    view.requiredDrive = u"/media/user/DVARC0001/Archives/"_s;
    view.requiredLabel = u"DVARC0001"_s;
    view.nameCaption = u"Archive Name"_s;
    view.name = u"<b>Archive</b> Volume 1"_s; // shown as written, never as markup
    view.driveClass = CatalogSchema::kRemovableDiskClass;
    return view;
}

TEST(DeviceCheckWindowTest, ShowsEveryTextOfTheView)
{
    GuiUserInterface ui;
    SeenWindow seen;
    bool answer = true;
    {
        ModalResponder responder([&](QWidget *modal) {
            seen = Read(modal);
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        answer = ui.ShowDeviceCheck(NotReadyView());
    }
    EXPECT_FALSE(answer) << "Escape cancels";
    EXPECT_EQ(seen.title, u"Insert Disk -- /media/user/DVARC0001/Archives/"_s);
    EXPECT_EQ(seen.heading, u"Insert Archive Volume in Drive"_s);
    EXPECT_EQ(seen.message, u"Please insert the indicated Archive Volume in the Drive specified"_s);
    EXPECT_TRUE(seen.messageShown);
    EXPECT_EQ(seen.currentDiskCaption, u"Drive Not Ready:"_s);
    EXPECT_EQ(seen.currentDrive, u"/media/user/DVARC0001/Archives/"_s);
    EXPECT_FALSE(seen.currentLabelShown) << "no label for a drive that is not ready";
    EXPECT_EQ(seen.requiredDrive, u"/media/user/DVARC0001/Archives/"_s);
    EXPECT_EQ(seen.requiredLabel, u"DVARC0001"_s);
    EXPECT_EQ(seen.nameCaption, u"Archive Name"_s);
    EXPECT_EQ(seen.name, u"<b>Archive</b> Volume 1"_s);
    EXPECT_TRUE(seen.hasPicture);
    EXPECT_TRUE(seen.okIsDefault);
}

TEST(DeviceCheckWindowTest, OkAndCancelAnswer)
{
    GuiUserInterface ui;
    const std::pair<const char *, bool> buttons[] = {{"OKButton", true}, {"CancelButton", false}};
    for (const auto &[button, expected] : buttons) {
        bool answer = !expected;
        {
            ModalResponder responder([button](QWidget *modal) {
                auto *push = modal->findChild<QPushButton *>(QString::fromLatin1(button));
                ASSERT_NE(push, nullptr) << button;
                QTest::mouseClick(push, Qt::LeftButton);
            });
            answer = ui.ShowDeviceCheck(NotReadyView());
        }
        EXPECT_EQ(answer, expected) << button;
    }
}

// The whole check with the real window: a wrong disk is in the drive; the
// user puts the right one in and presses OK.
TEST(DeviceCheckWindowTest, TheUserSwapsDisksAndPressesOk)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString mount = folder.filePath(u"STICK"_s);
    QDir().mkpath(mount);
    FakeDriveSystem drives;
    drives.Mount(mount, DriveKind::Removable, u"Other"_s);
    SeenWindow seen;
    bool ready = false;
    {
        GuiUserInterface ui;
        const UserInterfaceInstallation installed(ui);
        ModalResponder responder([&](QWidget *modal) {
            seen = Read(modal);
            drives.Insert(mount, u"Holiday"_s);
            QTest::keyClick(modal, Qt::Key_Return);
        });
        ready = DeviceReady(u"Photos"_s, mount, u"HOLIDAY"_s, false, true);
    }
    EXPECT_TRUE(ready);
    EXPECT_EQ(seen.title, u"Insert Disk -- "_s + mount);
    EXPECT_EQ(seen.heading, u"Insert Cataloged Disk in Drive."_s);
    EXPECT_EQ(seen.currentDiskCaption, u"Current Disk in Drive:"_s);
    EXPECT_TRUE(seen.currentLabelShown);
    EXPECT_EQ(seen.currentLabel, u"OTHER"_s);
    EXPECT_EQ(seen.nameCaption, u"Catalog Name:"_s);
    EXPECT_EQ(seen.name, u"Photos"_s);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the arrow was put back";
}

} // namespace
