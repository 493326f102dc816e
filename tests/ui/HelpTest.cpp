#include "exchangewindow/ConvertV1Form.h"
#include "explorer/ArchiveFilesForm.h"
#include "explorer/CatalogueForm.h"
#include "explorer/DatabaseLocationForm.h"
#include "explorer/ExtractForm.h"
#include "explorer/PropertiesForm.h"
#include "explorer/QuickCatalogForm.h"
#include "explorer/TUForm.h"
#include "findwindow/FindForm.h"
#include "media/CatalogOptions.h"
#include "platform/SettingsStore.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestEnvironment.h"
#include "ui/AddingVolumeDialog.h"
#include "ui/CommentsForm.h"
#include "ui/ContextHelp.h"
#include "ui/DeviceCheckWindow.h"
#include "ui/DuplicateCatalogForm.h"
#include "ui/HelpBook.h"
#include "ui/HelpForm.h"
#include "ui/HelpViewer.h"
#include "ui/NodeSelectionForm.h"
#include "ui/ProgressWindow.h"
#include "ui/QuickViewWindow.h"
#include "ui/ReplaceObjectDialog.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QWhatsThis>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The names of a form's controls and menu items that have no context text.
QStringList Untold(QWidget &form)
{
    const QString formClass = QString::fromLatin1(form.metaObject()->className());
    const ContextHelpTexts &texts = ContextHelpTexts::Shipped();
    QStringList missing;
    const auto check = [&](const QString &name) {
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")) &&
            !texts.Find(formClass, name))
            missing << formClass + QLatin1Char('/') + name;
    };
    for (QWidget *control : form.findChildren<QWidget *>())
        check(ContextHelpFilter::NameOf(control));
    for (QAction *action : form.findChildren<QAction *>())
        if (!action->isSeparator())
            check(action->objectName());
    if (!texts.Find(formClass, u"*"_s))
        missing << formClass + u"/*"_s;
    return missing;
}

QString ReadResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class HelpTest : public testing::Test
{
protected:
    void SetUp() override
    {
        InstallContextHelp();
        ASSERT_TRUE(OpenFreshDatabase(m_data, m_folder.path()));
        m_data.RunInTransaction([this] {
            m_disk = AppendCatalogRow(m_data.Catalogs, u"Disk"_s, m_folder.path(),
                                      CatalogSchema::kCatalogsId, CatalogSchema::kHardDiskClass,
                                      false, 46000, 46000, QString(), QString(), 0, 0);
        });
    }
    void TearDown() override
    {
        for (QWidget *window : QApplication::topLevelWidgets())
            if (qobject_cast<HelpViewer *>(window) || qobject_cast<ContextHelpPopup *>(window))
                window->close();
        m_data.CloseDatabase(QString());
    }

    // The popup a click in context-help mode shows for a control.
    ContextHelpPopup *ClickInHelpMode(QWidget *control)
    {
        EnterContextHelp();
        const QPoint centre = control->rect().center();
        QHelpEvent event(QEvent::WhatsThis, centre, control->mapToGlobal(centre));
        QApplication::sendEvent(control, &event);
        return ContextHelpPopup::Current();
    }

    ScriptedUserInterface m_ui;
    QTemporaryDir m_folder;
    SettingsStore m_settings{SettingsStore::kProgramKey};
    TDataShare m_data{&m_settings};
    qint64 m_disk = 0;
};

TEST_F(HelpTest, EveryControlAndMenuItemOfEveryFormHasAText)
{
    TCatalogueForm main(m_data, m_settings);
    std::vector<std::unique_ptr<QWidget>> forms;
    forms.emplace_back(new TFind_Form(m_data, m_settings, 1, nullptr));
    CatalogOptions options;
    forms.emplace_back(new TQuick_Catalog_Form(m_data, options, 3));
    forms.emplace_back(new TArchiveFilesForm(m_data, QString()));
    forms.emplace_back(new TExtractForm(true, nullptr));
    forms.emplace_back(new TComments_Form(m_data));
    forms.emplace_back(
        new TNodeSelectionForm(m_data, TNodeSelectionForm::kSearchStart, u"Select"_s, u"Where"_s));
    forms.emplace_back(new ReplaceObjectDialog({}, {}));
    forms.emplace_back(new TDatabase_Location_Form());
    forms.emplace_back(new DeviceCheckWindow());
    forms.emplace_back(new AddingVolumeDialog({}));
    forms.emplace_back(new ProgressWindow(m_ui));
    forms.emplace_back(new QuickViewWindow());
    forms.emplace_back(new TDuplicateCatalogForm(u"Disk"_s, u"C\\"_s));
    forms.emplace_back(new TConvert_V1_Form(&m_settings));
    forms.emplace_back(new TTUForm(m_data, true, m_folder.path()));
    forms.emplace_back(new THelpForm());
    forms.emplace_back(new HelpViewer(HelpBook::Named(HelpBook::kGuide)));
    // The Properties dialog builds its pages for the kind of its subject.
    const std::pair<qint64, bool> subjects[] = {{CatalogSchema::kDatabaseObjectId, false},
                                                {CatalogSchema::kArchivesId, true},
                                                {CatalogSchema::kCatalogsId, false},
                                                {m_disk, false}};
    for (const auto &[subject, onPool] : subjects) {
        auto properties = std::make_unique<TProperties_Form>(m_data);
        ASSERT_TRUE(properties->SetSubject(false, subject, onPool));
        forms.push_back(std::move(properties));
    }
    QStringList missing = Untold(main);
    for (const auto &form : forms)
        missing << Untold(*form);
    missing.removeDuplicates();
    EXPECT_TRUE(missing.isEmpty()) << qPrintable(missing.join(QLatin1Char('\n')));

    const HelpBook &guide = HelpBook::Named(HelpBook::kGuide);
    EXPECT_FALSE(guide.ContextUrl(HelpBook::kCourseContext).isEmpty());
    for (int context : ContextHelpTexts::Shipped().Contexts())
        EXPECT_FALSE(guide.ContextUrl(context).isEmpty()) << "context " << context;
}

TEST_F(HelpTest, EveryLinkAndPictureOfTheBooksResolves)
{
    static const QRegularExpression reference(u"(?:href|src)=\"([^\"]+)\""_s);
    for (const QString &name : {HelpBook::kGuide, HelpBook::kQuestions}) {
        const HelpBook &book = HelpBook::Named(name);
        ASSERT_TRUE(book.Pages().contains(u"index.html"_s)) << qPrintable(name);
        QStringList targets;
        for (const HelpBook::ContentsEntry &entry : book.Contents())
            targets << u"contents.txt -> "_s + entry.page;
        for (const QString &page : book.Pages()) {
            const QString html = ReadResource(book.PageUrl(page).path().prepend(QLatin1Char(':')));
            for (const auto &match : reference.globalMatch(html))
                if (!match.captured(1).contains(QLatin1Char(':')))
                    targets << page + u" -> "_s + match.captured(1);
        }
        for (const QString &target : std::as_const(targets)) {
            const QUrl from = book.PageUrl(target.section(u" -> "_s, 0, 0));
            const QUrl url = from.resolved(QUrl(target.section(u" -> "_s, 1)));
            const QString file = QLatin1Char(':') + url.path();
            const QString html = ReadResource(file);
            EXPECT_TRUE(QFile::exists(file)) << qPrintable(name + QLatin1Char('/') + target);
            const bool anchored =
                !url.hasFragment() || html.contains(u"id=\"%1\""_s.arg(url.fragment()));
            EXPECT_TRUE(anchored) << qPrintable(name + QLatin1Char('/') + target);
        }
    }
}

TEST_F(HelpTest, SearchListsThePagesHoldingEveryWord)
{
    const HelpBook &guide = HelpBook::Named(HelpBook::kGuide);
    const QList<HelpBook::SearchHit> hits = guide.Search(u"  DUPLICATE   files "_s);
    ASSERT_FALSE(hits.isEmpty());
    EXPECT_EQ(hits.first().page, u"find.html"_s);
    EXPECT_EQ(hits.first().title, u"Finding entries"_s);
    EXPECT_TRUE(guide.Search(u"duplicate zzyzx"_s).isEmpty());
}

TEST_F(HelpTest, HelpWindowKeysAndBackLink)
{
    THelpForm form;
    form.show();
    EXPECT_EQ(form.Pages->currentWidget(), form.CONTENTS);
    EXPECT_FALSE(form.BackLink->isVisible());
    QTest::keyClick(&form, Qt::Key_U, Qt::AltModifier); // a SUPPORT link: not on this page
    EXPECT_TRUE(form.isVisible());
    QTest::keyClick(&form, Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(form.Pages->currentWidget(), form.SUPPORT);
    EXPECT_TRUE(form.BackLink->isVisible());
    QTest::keyClick(&form, Qt::Key_B, Qt::AltModifier);
    EXPECT_EQ(form.Pages->currentWidget(), form.CONTENTS);
    EXPECT_FALSE(form.BackLink->isVisible());
    QTest::keyClick(&form, Qt::Key_T, Qt::AltModifier);
    EXPECT_FALSE(form.isVisible());
    HelpViewer *viewer = HelpViewer::ForBook(HelpBook::kGuide);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->Page->source(), HelpBook::Named(HelpBook::kGuide).ContextUrl(20));

    THelpForm support(true);
    support.show();
    EXPECT_EQ(support.Pages->currentWidget(), support.SUPPORT);
    EXPECT_FALSE(support.BackLink->isVisible());
    QTest::keyClick(&support, Qt::Key_B, Qt::AltModifier);
    EXPECT_EQ(support.Pages->currentWidget(), support.SUPPORT);
    QTest::keyClick(&support, Qt::Key_Escape);
    EXPECT_FALSE(support.isVisible());
    EXPECT_EQ(support.result(), QDialog::Rejected);
}

TEST_F(HelpTest, WebAndMailFailuresAreReported)
{
    QUrl opened;
    OpenWebOrMail(u"www.example.com"_s, true, [&](const QUrl &url) {
        opened = url;
        return true;
    });
    EXPECT_EQ(opened, QUrl(u"http://www.example.com"_s));
    const auto refuse = [](const QUrl &) { return false; };
    OpenWebOrMail(u"www.example.com"_s, true, refuse);
    OpenWebOrMail(u"help@example.com"_s, false, refuse);
    const auto messages = m_ui.TakeMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].caption, u"Internet Browser Error"_s);
    EXPECT_EQ(messages[0].text, u"Dirvanta was unable to invoke an Internet Browser "
                                "to access \"HTTP:\\\\www.example.com\""_s);
    EXPECT_EQ(messages[1].caption, u"Mail Engine Error"_s);
    EXPECT_EQ(messages[1].text, u"Dirvanta was unable to invoke your Mail Engine "
                                "to mail \"help@example.com\""_s);
}

TEST_F(HelpTest, PopupShowsTheControlsTextAndClosesOnKeyClickOrLink)
{
    TConvert_V1_Form form(&m_settings);
    form.show();
    QWidget *control = form.VolumesFile;
    const ContextHelpTexts::Entry *entry = ContextHelpFilter::EntryOf(control);
    ASSERT_TRUE(entry);
    ASSERT_NE(entry->context, 0);

    ContextHelpPopup *popup = ClickInHelpMode(control);
    ASSERT_TRUE(popup);
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
    EXPECT_EQ(popup->Text(), entry->text);
    EXPECT_LE(popup->width(), ContextHelpPopup::kMaxWidth);
    QPointer<ContextHelpPopup> watched = popup;
    QTest::keyClick(popup, Qt::Key_A);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(watched);

    watched = ClickInHelpMode(control);
    QTest::mouseClick(watched, Qt::LeftButton, {}, QPoint(2, 2)); // on the text
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(watched);
    EXPECT_FALSE(HelpViewer::ForBook(HelpBook::kGuide)->isVisible());

    watched = ClickInHelpMode(control);
    QTest::mouseClick(watched, Qt::LeftButton, {}, watched->LinkRect().center());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(watched);
    HelpViewer *viewer = HelpViewer::ForBook(HelpBook::kGuide);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->Page->source(), HelpBook::Named(HelpBook::kGuide).ContextUrl(entry->context));

    // A menu item clicked in context-help mode shows its text instead of running.
    TCatalogueForm main(m_data, m_settings);
    main.show();
    auto *fileMenu = main.findChild<QMenu *>(u"File1"_s);
    auto *exit = main.findChild<QAction *>(u"Exit1"_s);
    EnterContextHelp();
    fileMenu->popup(main.mapToGlobal(QPoint(0, 0)));
    QTest::mouseClick(fileMenu, Qt::LeftButton, {}, fileMenu->actionGeometry(exit).center());
    ASSERT_TRUE(ContextHelpPopup::Current());
    EXPECT_EQ(ContextHelpPopup::Current()->Text(),
              ContextHelpFilter::EntryOf(exit, fileMenu)->text);
    EXPECT_TRUE(main.isVisible());
    ContextHelpPopup::Current()->close();

    // F1 on the focused control shows the same text without the Help button.
    QApplication::setActiveWindow(&form);
    control->setFocus();
    QTest::keyClick(control, Qt::Key_F1);
    ASSERT_TRUE(ContextHelpPopup::Current());
    EXPECT_EQ(ContextHelpPopup::Current()->Text(), entry->text);
}

} // namespace
