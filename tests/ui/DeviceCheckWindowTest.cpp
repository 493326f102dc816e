#include "ui/DeviceCheckWindow.h"

#include "store/CatalogSchema.h"
#include "support/ModalResponder.h"
#include "ui/ElidedLabel.h"
#include "ui/GuiUserInterface.h"

#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

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
    bool underArrow = false;
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
    seen.underArrow = QApplication::overrideCursor() &&
                      QApplication::overrideCursor()->shape() == Qt::ArrowCursor;
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

// Shows the view in the real window under the arrow, answers it with
// `answer`, and returns what it showed and the answer.
std::pair<SeenWindow, bool> ShowAndAnswer(const DeviceCheckView &view,
                                          const std::function<void(QWidget *)> &answer)
{
    GuiUserInterface ui;
    SeenWindow seen;
    ModalResponder responder([&](QWidget *modal) {
        seen = Read(modal);
        answer(modal);
    });
    return {seen, ui.ShowDeviceCheck(view)};
}

TEST(DeviceCheckWindowTest, ShowsEveryTextOfTheViewUnderTheArrowAndAnswersOkOrCancel)
{
    DeviceCheckView view = NotReadyView();
    const auto [seen, answer] = ShowAndAnswer(view, [](QWidget *modal) {
        QTest::mouseClick(modal->findChild<QPushButton *>(u"CancelButton"_s), Qt::LeftButton);
    });
    EXPECT_FALSE(answer);
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
    EXPECT_TRUE(seen.underArrow);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the cursor was put back";

    // A wrong disk in the drive shows its label; Enter answers OK.
    view.currentLabelShown = true;
    view.currentLabel = u"OTHER"_s;
    const auto [swapped, ok] =
        ShowAndAnswer(view, [](QWidget *modal) { QTest::keyClick(modal, Qt::Key_Return); });
    EXPECT_TRUE(ok);
    EXPECT_TRUE(swapped.currentLabelShown);
    EXPECT_EQ(swapped.texts.value(u"CurrentLabel"_s), u"OTHER"_s);
}

} // namespace
