#include "ui/DeviceCheckWindow.h"

#include "media/DeviceCheck.h"
#include "store/CatalogSchema.h"
#include "support/FakeDriveSystem.h"
#include "support/ModalResponder.h"
#include "ui/ElidedLabel.h"
#include "ui/GuiUserInterface.h"

#include <QApplication>
#include <QDir>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// What the window showed: the texts of its labels by object name, and the
// state of the parts the view switches.
struct SeenWindow
{
    QString title;
    QHash<QString, QString> texts;
    bool messageShown = false;
    bool currentLabelShown = false;
    bool hasPicture = false;
    bool okIsDefault = false;
};

SeenWindow Read(QWidget *modal)
{
    SeenWindow seen;
    auto *window = qobject_cast<DeviceCheckWindow *>(modal);
    if (!window) {
        ADD_FAILURE() << "the modal widget is not the device check window";
        return seen;
    }
    seen.title = window->windowTitle();
    for (const QLabel *label : window->findChildren<QLabel *>())
        seen.texts.insert(label->objectName(), label->text());
    for (const ElidedLabel *label : window->findChildren<ElidedLabel *>())
        seen.texts.insert(label->objectName(), label->text());
    const auto shown = [window](const QString &name) {
        const QWidget *part = window->findChild<QWidget *>(name);
        return part && part->isVisible();
    };
    seen.messageShown = shown(u"Message"_s);
    seen.currentLabelShown = shown(u"CurrentLabel"_s) && shown(u"CurrentLabelCaption"_s);
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

TEST(DeviceCheckWindowTest, ShowsEveryTextOfTheViewAndAnswersOkOrCancel)
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
    const std::pair<const char *, QString> texts[] = {
        {"Heading", u"Insert Archive Volume in Drive"_s},
        {"Message", u"Please insert the indicated Archive Volume in the Drive specified"_s},
        {"CurrentDiskCaption", u"Drive Not Ready:"_s},
        {"CurrentDrive", u"/media/user/DVARC0001/Archives/"_s},
        {"RequiredDrive", u"/media/user/DVARC0001/Archives/"_s},
        {"RequiredLabel", u"DVARC0001"_s},
        {"NameCaption", u"Archive Name"_s},
        {"CatalogName", u"<b>Archive</b> Volume 1"_s}};
    for (const auto &[name, text] : texts)
        EXPECT_EQ(seen.texts.value(QString::fromLatin1(name), u"<missing>"_s), text) << name;
    EXPECT_TRUE(seen.messageShown);
    EXPECT_FALSE(seen.currentLabelShown) << "no label for a drive that is not ready";
    EXPECT_TRUE(seen.hasPicture);
    EXPECT_TRUE(seen.okIsDefault);

    for (const auto &[button, expected] : {std::pair{"OKButton", true}, {"CancelButton", false}}) {
        ModalResponder responder([button](QWidget *modal) {
            auto *push = modal->findChild<QPushButton *>(QString::fromLatin1(button));
            ASSERT_NE(push, nullptr) << button;
            QTest::mouseClick(push, Qt::LeftButton);
        });
        EXPECT_EQ(ui.ShowDeviceCheck(NotReadyView()), expected) << button;
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
    EXPECT_EQ(seen.texts.value(u"Heading"_s), u"Insert Cataloged Disk in Drive."_s);
    EXPECT_EQ(seen.texts.value(u"CurrentDiskCaption"_s), u"Current Disk in Drive:"_s);
    EXPECT_TRUE(seen.currentLabelShown);
    EXPECT_EQ(seen.texts.value(u"CurrentLabel"_s), u"OTHER"_s);
    EXPECT_EQ(seen.texts.value(u"NameCaption"_s), u"Catalog Name:"_s);
    EXPECT_EQ(seen.texts.value(u"CatalogName"_s), u"Photos"_s);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the arrow was put back";
}

} // namespace
