#include "ui/GuiUserInterface.h"

#include "platform/ProgressOperations.h"
#include "store/DatabaseError.h"
#include "support/ModalResponder.h"
#include "support/QtPrinters.h"
#include "support/ScriptedUserInterface.h"
#include "ui/ElidedLabel.h"
#include "ui/ProgressAnimation.h"
#include "ui/ProgressWindow.h"
#include "ui/SegmentedMeter.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct SeenBox
{
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QWidget *parent = nullptr;
};

// Runs `ask` and answers the modal dialog it opens by running `answer` on it.
template<typename Dialog>
void Answer(const std::function<void()> &ask, const std::function<void(Dialog *)> &answer)
{
    ModalResponder responder([&](QWidget *modal) {
        auto *dialog = qobject_cast<Dialog *>(modal);
        ASSERT_TRUE(dialog) << "the modal widget is not a " << Dialog::staticMetaObject.className();
        answer(dialog);
    });
    ask();
}

// Answers the message box `ask` shows and returns what the box looked like.
SeenBox AnswerBox(const std::function<void()> &ask,
                  const std::function<void(QMessageBox *)> &answer)
{
    SeenBox seen;
    Answer<QMessageBox>(ask, [&](QMessageBox *box) {
        seen = {box->windowTitle(),     box->text(),        box->textFormat(), box->icon(),
                box->standardButtons(), box->parentWidget()};
        answer(box);
    });
    return seen;
}

// Boxes belong to the main window; Enter answers Yes and Escape No.
TEST(MessageBoxKinds, ShowTitleTextIconAndButtonsOfTheMainWindowAndAnswerTheClickOrKey)
{
    using Box = QMessageBox;
    using A = MessageAnswer;
    // The kind and icon asked for, the icon and buttons shown, the click and its answer.
    const std::tuple<MessageKind, MessageIcon, Box::Icon, Box::StandardButtons, Box::StandardButton,
                     A>
        rows[] = {
            {MessageKind::Error, MessageIcon::Stop, Box::Critical, Box::Ok, Box::Ok, A::Ok},
            // The kind decides the icon of errors, whatever the caller passed.
            {MessageKind::Error, MessageIcon::Question, Box::Critical, Box::Ok, Box::Ok, A::Ok},
            {MessageKind::Information, MessageIcon::Information, Box::Information, Box::Ok, Box::Ok,
             A::Ok},
            {MessageKind::Question, MessageIcon::Question, Box::Question, Box::Yes | Box::No,
             Box::Yes, A::Yes},
            {MessageKind::Question, MessageIcon::Warning, Box::Warning, Box::Yes | Box::No, Box::No,
             A::No},
            {MessageKind::Question, MessageIcon::Stop, Box::Critical, Box::Yes | Box::No, Box::Yes,
             A::Yes},
            {MessageKind::Question, MessageIcon::None, Box::NoIcon, Box::Yes | Box::No, Box::No,
             A::No},
            {MessageKind::OkCancel, MessageIcon::Warning, Box::Warning, Box::Ok | Box::Cancel,
             Box::Cancel, A::Cancel},
            {MessageKind::RetryCancel, MessageIcon::Question, Box::Warning,
             Box::Retry | Box::Cancel, Box::Retry, A::Retry}};
    GuiUserInterface ui;
    QWidget main;
    main.show();
    ui.SetMainWindow(&main);
    // A file name that looks like markup must show as it is.
    const QString text = u"Cannot open <b>notes</b>.txt"_s + kParagraphBreak + u"Check it."_s;
    for (const auto &[kind, icon, shownIcon, buttons, click, expected] : rows) {
        SCOPED_TRACE(testing::Message() << "kind " << int(kind) << " icon " << int(icon));
        MessageAnswer answer = A::Ok;
        const SeenBox seen = AnswerBox(
            [&] { answer = ui.Message(kind, u"Dirvanta Catalog"_s, text, icon); },
            [&](QMessageBox *box) { QTest::mouseClick(box->button(click), Qt::LeftButton); });
        EXPECT_EQ(seen.title, u"Dirvanta Catalog"_s);
        EXPECT_EQ(seen.text, text);
        EXPECT_EQ(seen.format, Qt::PlainText);
        EXPECT_EQ(seen.icon, shownIcon);
        EXPECT_EQ(seen.buttons, buttons);
        EXPECT_EQ(seen.parent, &main);
        EXPECT_EQ(answer, expected);
    }
    for (const auto &[key, expected] :
         {std::pair{Qt::Key_Return, A::Yes}, {Qt::Key_Escape, A::No}}) {
        MessageAnswer answer = A::Cancel;
        AnswerBox([&] { answer = ui.Message(MessageKind::Question, u"Q"_s, u"Go on?"_s); },
                  [key](QMessageBox *box) { QTest::keyClick(box, key); });
        EXPECT_EQ(answer, expected) << "key " << key;
    }
}

TEST(AddingVolumeDialog, ShowsTheVolumeDetailsAndEnterAnswersOk)
{
    GuiUserInterface ui;
    AddingVolumeView view;
    view.caption = u"Adding Archive Volume "_s;
    view.drive = u"/media/user/stick"_s;
    view.volumeName = u"Archive Volume 3"_s;
    view.diskLabel = u"DVARC0003"_s;
    QStringList shown;
    bool answer = false;
    Answer<QDialog>([&] { answer = ui.ShowAddingVolume(view); },
                    [&](QDialog *dialog) {
                        shown << dialog->windowTitle();
                        for (const char *name : {"Drive", "VolumeName", "DiskLabel"})
                            shown << dialog->findChild<QLabel *>(QString::fromLatin1(name))->text();
                        QTest::keyClick(dialog, Qt::Key_Return);
                    });
    EXPECT_TRUE(answer);
    EXPECT_EQ(shown, QStringList({u"Adding Archive Volume"_s, view.drive, view.volumeName,
                                  view.diskLabel}));
}

// Each of the four buttons gives its number; Escape is Abort.
TEST(DuplicateFileBox, ButtonsAnswerSixFiveSevenTwo)
{
    GuiUserInterface ui;
    const std::pair<QString, int> cases[] = {
        {u"&Yes"_s, 6}, {u"&Yes to All"_s, 5}, {u"&No"_s, 7}, {u"&Abort"_s, 2}, {QString(), 2}};
    for (const auto &[buttonText, expected] : cases) {
        int answer = -1;
        const SeenBox seen =
            AnswerBox([&] { answer = ui.AskDuplicateFile(u"/data/out/report.txt"_s); },
                      [&](QMessageBox *box) {
                          for (QAbstractButton *button : box->buttons())
                              if (button->text() == buttonText)
                                  button->click();
                          if (buttonText.isEmpty())
                              QTest::keyClick(box, Qt::Key_Escape);
                      });
        EXPECT_EQ(answer, expected) << buttonText.toStdString();
        EXPECT_EQ(seen.title, u"Duplicate File"_s);
        EXPECT_TRUE(seen.text.startsWith(u"File: report.txt\nFolder: /data/out\n\n"_s))
            << seen.text.toStdString();
    }
}

TEST(FolderChooser, OffersFoldersOnlyAndReturnsTheChosenOne)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    GuiUserInterface ui;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    bool dirsOnly = false;
    QString title;
    QString chosen;
    Answer<QFileDialog>(
        [&] { chosen = ui.ChooseFolder(u"Choose the Catalog Folder"_s, QDir::tempPath()); },
        [&](QFileDialog *dialog) {
            mode = dialog->fileMode();
            dirsOnly = dialog->testOption(QFileDialog::ShowDirsOnly);
            title = dialog->windowTitle();
            dialog->setDirectory(folder.path());
            static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides it
        });
    EXPECT_EQ(std::make_pair(mode, dirsOnly), std::make_pair(QFileDialog::Directory, true));
    EXPECT_EQ(title, u"Choose the Catalog Folder"_s);
    EXPECT_EQ(chosen, QDir::cleanPath(folder.path()));

    Answer<QDialog>([&] { chosen = ui.ChooseFolder(u"Choose"_s, QDir::tempPath()); },
                    [](QDialog *dialog) { dialog->reject(); });
    EXPECT_TRUE(chosen.isEmpty());
}

TEST(SaveFileChooser, AddsTheDefaultEndingBeforeAskingAboutReplacing)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile existing(folder.filePath(u"backup.DVX"_s));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    GuiUserInterface ui;
    QString question;
    QString chosen;
    Answer<QFileDialog>(
        [&] {
            chosen = ui.ChooseSaveFile(u"Export"_s, folder.path(), QString(),
                                       u"Export Files (*.DVX)"_s, u"DVX"_s);
        },
        [&](QFileDialog *dialog) {
            auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
            ASSERT_TRUE(name) << "the dialog has no file name edit";
            name->setText(u"backup"_s);
            // QDialog::accept reaches QFileDialog::accept, which asks about replacing.
            question = AnswerBox([dialog] { static_cast<QDialog *>(dialog)->accept(); },
                                 [](QMessageBox *box) { box->button(QMessageBox::Yes)->click(); })
                           .text;
        });
    EXPECT_TRUE(question.contains(u"backup.DVX"_s)) << question.toStdString();
    EXPECT_EQ(chosen, folder.filePath(u"backup.DVX"_s));
}

class GuiProgress : public testing::Test
{
protected:
    template<typename T>
    T *Part(const char *name)
    {
        T *part =
            m_ui.Progress() ? m_ui.Progress()->findChild<T *>(QString::fromLatin1(name)) : nullptr;
        if (!part)
            ADD_FAILURE() << "no part " << name << " in the progress window";
        return part;
    }

    // "1" for each named part that is visible, "0" for one that is hidden.
    std::string Shown(std::initializer_list<const char *> names)
    {
        std::string shown;
        for (const char *name : names)
            shown += Part<QWidget>(name) && Part<QWidget>(name)->isVisible() ? '1' : '0';
        return shown;
    }

    void TearDown() override { m_ui.CloseProgress(); }

    GuiUserInterface m_ui;
};

TEST_F(GuiProgress, ShowsThePartsOfEachOperation)
{
    m_ui.ShowProgress(ProgressOperation::CreateTemporaryArchive);
    ProgressWindow *window = m_ui.Progress();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->windowTitle(), u"Creating Temporary Archive on Hard Disk..."_s);
    EXPECT_EQ(Part<ElidedLabel>("PathLine")->text(), u"Building Archive List. Please Wait..."_s);
    EXPECT_EQ(Shown({"FileNameLine", "StatusLine", "ProgressBar", "CancelButton"}), "1111");
    EXPECT_TRUE(Part<QLabel>("StatusLine")->text().isEmpty());
    auto *bar = Part<SegmentedMeter>("ProgressBar");
    EXPECT_EQ(std::make_tuple(bar->Maximum(), bar->Position()), std::make_tuple(100, 0));

    m_ui.SetProgressStatus(u"1,234 files"_s);
    // Totals beyond the range of int reach the bar whole.
    m_ui.SetProgressRange(10'000'000'000);
    m_ui.SetProgressPosition(2'500'000'000);
    EXPECT_EQ(bar->Percent(), 25);
    m_ui.CloseProgress();
    EXPECT_FALSE(window->isVisible());

    // The next operation starts from its own layout, not from what was left.
    m_ui.ShowProgress(ProgressOperation::CompressDatabase);
    EXPECT_EQ(m_ui.Progress(), window);
    EXPECT_EQ(Part<ElidedLabel>("FileNameLine")->text(), u"Important: Do not interrupt"_s);
    EXPECT_EQ(Shown({"CancelButton", "ProgressBar", "StatusLine"}), "000");
    m_ui.SetProgressPath(u"/catalogs/main"_s);
    m_ui.CloseProgress();

    m_ui.ShowProgress(ProgressOperation::FreeArchiveVolume);
    EXPECT_EQ(Part<ElidedLabel>("PathLine")->text(), u"/catalogs/main"_s);
    EXPECT_EQ(Part<ElidedLabel>("FileNameLine")->text(), u"Building Archive Sets List..."_s);
    EXPECT_EQ(Part<SegmentedMeter>("ProgressBar")->Position(), 0);
    EXPECT_TRUE(Part<QLabel>("StatusLine")->text().isEmpty());
}

// The scan starts without the status line, the file name and the bar, and
// brings them up as its work asks: the status line first, then the others.
// The window's frame cannot close it.
TEST_F(GuiProgress, HiddenPartsComeUpWhenTheWorkAsksAndTheFrameCannotClose)
{
    m_ui.ShowProgress(ProgressOperation::CatalogMedia);
    EXPECT_EQ(Shown({"StatusLine", "FileNameLine", "ProgressBar"}), "000");
    m_ui.ShowProgressParts(true, false, false);
    EXPECT_EQ(Shown({"StatusLine", "ProgressBar"}), "10");
    m_ui.ShowProgressParts(false, true, true);
    EXPECT_EQ(Shown({"FileNameLine", "ProgressBar"}), "11");

    EXPECT_FALSE(m_ui.Progress()->close());
    m_ui.Progress()->windowHandle()->close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_ui.Progress()->isVisible());
    EXPECT_TRUE(m_ui.ProgressVisible());
}

TEST_F(GuiProgress, CancelAsksForTidyUpAndLeavesTheWindowOpen)
{
    m_ui.ShowProgress(ProgressOperation::ExportData);
    QPushButton *cancel = Part<QPushButton>("CancelButton");
    ASSERT_NE(cancel, nullptr);
    ASSERT_FALSE(m_ui.Cancelled());

    // The click arrives while the operation lets events run.
    QTimer::singleShot(0, cancel, [cancel] { QTest::mouseClick(cancel, Qt::LeftButton); });
    qint64 now = 0;
    m_ui.SetTickSource([&now] { return now; });
    for (int i = 0; i < 100 && !m_ui.Cancelled(); ++i) {
        now += 100;
        m_ui.PumpMessages(50);
    }
    EXPECT_TRUE(m_ui.Cancelled());
    EXPECT_FALSE(cancel->isEnabled());
    EXPECT_FALSE(Part<ProgressAnimation>("AnimationPanel")->IsPlaying());
    EXPECT_EQ(Part<ElidedLabel>("FileNameLine")->text(), u"Please Wait...."_s);
    EXPECT_EQ(Part<ElidedLabel>("PathLine")->text(), u"Performing Tidy-up"_s);
    EXPECT_EQ(Shown({"AnimationPanel", "ProgressBar", "StatusLine"}), "000");
    EXPECT_TRUE(m_ui.Progress()->isVisible());

    m_ui.CloseProgress();
    EXPECT_FALSE(m_ui.Progress()->isVisible());
    EXPECT_FALSE(m_ui.Cancelled());

    m_ui.ShowProgress(ProgressOperation::ExportData);
    EXPECT_TRUE(cancel->isEnabled());
    EXPECT_EQ(Shown({"ProgressBar", "AnimationPanel"}), "11");
}

TEST_F(GuiProgress, EachOperationPlaysItsOwnAnimationUntilClosed)
{
    for (int operation = 0; operation < ProgressOperation::Count; ++operation) {
        SCOPED_TRACE(operation);
        m_ui.ShowProgress(operation);
        auto *panel = Part<ProgressAnimation>("AnimationPanel");
        ASSERT_NE(panel, nullptr);
        EXPECT_TRUE(panel->isVisible() && panel->IsPlaying());
        EXPECT_EQ(panel->Current(), ProgressLayoutFor(operation)->animation);
        EXPECT_EQ(m_ui.Progress()->Animation(), panel->Current());
        m_ui.CloseProgress();
        EXPECT_FALSE(panel->IsPlaying());
        EXPECT_FALSE(panel->isVisibleTo(m_ui.Progress()));
    }
}

TEST_F(GuiProgress, SitsBelowTheMainWindowsCornerOrCentred)
{
    m_ui.ShowProgress(ProgressOperation::CatalogMedia);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint offCentre = m_ui.Progress()->frameGeometry().center() - screen.center();
    EXPECT_LE(offCentre.manhattanLength(), 2);
    m_ui.CloseProgress();

    QWidget main;
    main.setGeometry(100, 120, 500, 400);
    main.show();
    m_ui.SetMainWindow(&main);
    m_ui.ShowProgress(ProgressOperation::CatalogMedia);
    EXPECT_EQ(m_ui.Progress()->frameGeometry().topLeft(),
              main.frameGeometry().topLeft() + QPoint(40, 60));
    m_ui.CloseProgress();
}

TEST_F(GuiProgress, LongLinesAreElidedFromTheLeftWithoutWideningTheWindow)
{
    m_ui.ShowProgress(ProgressOperation::ReadArchiveVolume);
    const int width = m_ui.Progress()->width();
    QString path;
    for (int i = 0; i < 40; ++i)
        path += u"/a rather long folder name"_s;
    path += u"/last file.txt"_s;
    m_ui.SetProgressFileName(path);

    auto *line = Part<ElidedLabel>("FileNameLine");
    EXPECT_EQ(line->text(), path);
    EXPECT_TRUE(line->elidedText().startsWith(QChar(0x2026))) << line->elidedText().toStdString();
    EXPECT_TRUE(line->elidedText().endsWith(u"last file.txt"_s));
    EXPECT_EQ(m_ui.Progress()->width(), width);
}

// An object whose event handler fails as one reaching a damaged database would.
class FailingReceiver final : public QObject
{
public:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            throw EDatabaseError(u"database disk image is malformed"_s);
        return QObject::event(event);
    }
};

TEST(GuardedApplicationTest, AFailureThatReachesTheEventLoopIsShownAndTheLoopCarriesOn)
{
    ScriptedUserInterface ui;
    FailingReceiver receiver;
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    bool later = false;
    QTimer::singleShot(0, [&] { later = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(later) << "events after the failure are still delivered";
    const RecordedMessage box = ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"Database Error"_s);
    EXPECT_EQ(box.text, u"database disk image is malformed"_s);
}

} // namespace
