#include "app/cli/TerminalUserInterface.h"

#include "platform/ProgressOperations.h"
#include "store/CatalogSchema.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kErase = u"\r\x1b[K"_s;

// A terminal user interface over in-memory streams.
struct Terminal
{
    explicit Terminal(bool interactive, AnswerPolicy policy = AnswerPolicy::Ask,
                      const QString &typed = {})
        : input(typed)
        , ui(outStream, errStream, inStream, interactive, policy)
    {
    }

    // What is left of the input: shows whether a line was read.
    QString Unread() { return inStream.readAll(); }

    QString out;
    QString err;
    QString input;
    QTextStream outStream{&out};
    QTextStream errStream{&err};
    QTextStream inStream{&input, QIODevice::ReadOnly};
    TerminalUserInterface ui;
};

TEST(TerminalMessages, GoToTheErrorStreamAsCaptionAndText)
{
    const struct
    {
        MessageKind kind;
        QString caption;
        QString text;
        QString expected;
    } cases[] = {
        {MessageKind::Error, u"Open Catalog"_s,
         u"Cannot open the file."_s + kParagraphBreak + u"Check it."_s,
         u"error: Open Catalog: Cannot open the file.\n\nCheck it.\n"_s},
        {MessageKind::Information, u"Export"_s, u"12 records written."_s,
         u"Export: 12 records written.\n"_s},
        {MessageKind::Information, QString(), u"No caption."_s, u"No caption.\n"_s},
    };
    for (const auto &c : cases) {
        for (const bool interactive : {false, true}) {
            Terminal t(interactive);
            EXPECT_EQ(t.ui.Message(c.kind, c.caption, c.text, MessageIcon::Stop),
                      MessageAnswer::Ok);
            EXPECT_EQ(t.err, c.expected);
            EXPECT_TRUE(t.out.isEmpty()) << "results only on the output stream";
        }
    }
}

TEST(TerminalQuestions, AFlagAnswersElseTheTypedLineOrWithoutATerminalNo)
{
    const struct
    {
        bool terminal;
        AnswerPolicy policy;
        QString typed;
        MessageAnswer expected;
        QString printed; // after the prompt
    } cases[] = {
        {false, AnswerPolicy::Ask, u"y\n"_s, MessageAnswer::No,
         u"no (not a terminal; --yes agrees)\n"_s},
        {false, AnswerPolicy::No, u"y\n"_s, MessageAnswer::No, u"no (--no)\n"_s},
        {false, AnswerPolicy::Yes, u"y\n"_s, MessageAnswer::Yes, u"yes (--yes)\n"_s},
        {true, AnswerPolicy::No, u"y\n"_s, MessageAnswer::No, u"no (--no)\n"_s},
        {true, AnswerPolicy::Ask, u"y\n"_s, MessageAnswer::Yes, {}},
        {true, AnswerPolicy::Ask, u"Yes\n"_s, MessageAnswer::Yes, {}},
        {true, AnswerPolicy::Ask, u" YES \n"_s, MessageAnswer::Yes, {}},
        {true, AnswerPolicy::Ask, u"n\n"_s, MessageAnswer::No, {}},
        {true, AnswerPolicy::Ask, u"\n"_s, MessageAnswer::No, {}},
        {true, AnswerPolicy::Ask, u"yep\n"_s, MessageAnswer::No, {}},
        {true, AnswerPolicy::Ask, QString(), MessageAnswer::No, u"\n"_s}, // end of input
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.terminal ? "terminal, typed " + c.typed.toStdString() : "no terminal");
        // A second line follows every typed answer, to show what is read.
        const QString input = c.typed.isEmpty() ? QString() : c.typed + u"rest\n"_s;
        Terminal t(c.terminal, c.policy, input);
        EXPECT_EQ(t.ui.Message(MessageKind::Question, u"Delete"_s, u"Delete it?"_s), c.expected);
        EXPECT_EQ(t.err, u"Delete: Delete it? [y/N] "_s + c.printed);
        const bool reads = c.terminal && c.policy == AnswerPolicy::Ask && !input.isEmpty();
        EXPECT_EQ(t.Unread(), reads ? u"rest\n"_s : input);
    }
}

// "Duplicate File" takes the four answers of the engine's question.
TEST(TerminalQuestions, DuplicateFileAnswersYesYesToAllNoOrAbort)
{
    const std::pair<QString, int> cases[] = {
        {u"y\n"_s, 6}, {u"a\n"_s, 5}, {u"n\n"_s, 7}, {u"b\n"_s, 2}, {QString(), 7}};
    for (const auto &[typed, expected] : cases) {
        Terminal t(true, AnswerPolicy::Ask, typed);
        EXPECT_EQ(t.ui.AskDuplicateFile(u"/dest/docs/a.txt"_s), expected) << typed.toStdString();
        EXPECT_TRUE(t.err.contains(u"Duplicate File: \"a.txt\" already exists in /dest/docs."_s))
            << t.err.toStdString();
    }
}

TEST(TerminalProgress, OnlyAnErrorStreamThatIsATerminalShowsIt)
{
    for (const bool terminal : {false, true}) {
        Terminal t(terminal);
        t.ui.SetQuiet(terminal);
        t.ui.ShowProgress(ProgressOperation::CatalogMedia);
        t.ui.SetProgressPath(u"/media/disk/photos"_s);
        t.ui.SetProgressStatus(u"10 files"_s);
        t.ui.SetProgressRange(10);
        t.ui.SetProgressPosition(5);
        t.ui.CloseProgress();
        EXPECT_EQ(t.err, QString()) << "terminal " << terminal;
    }
    // Questions need a terminal at both ends; progress only at the error end.
    Terminal t(false);
    t.ui.SetProgressTerminal(true);
    t.ui.ShowProgress(ProgressOperation::CatalogMedia);
    t.ui.SetProgressPath(u"/media/disk/photos"_s);
    EXPECT_TRUE(t.err.endsWith(u"/media/disk/photos"_s)) << t.err.toStdString();
}

TEST(TerminalProgress, AfterASecondTheLineCountsStepsAndRateAndIsCutToTheWidth)
{
    Terminal t(true);
    qint64 now = 1000;
    t.ui.SetTickSource([&now] { return now; });
    t.ui.ShowProgress(ProgressOperation::CatalogMedia);
    for (int step = 1; step <= 30; ++step)
        t.ui.SetProgressPosition(step);
    now += 2000;
    t.ui.SetProgressPath(u"/media/disk/photos"_s);
    EXPECT_TRUE(t.err.endsWith(u"30 (15/s)  /media/disk/photos"_s)) << t.err.toStdString();

    // Long lines are cut from the left to the width.
    const ScopedEnvironment width("COLUMNS", u"30"_s);
    now += 2000;
    t.ui.SetProgressPath(u"/media/disk/a/very/long/path/to/the/folder/photos"_s);
    const QString line = t.err.section(kErase, -1);
    EXPECT_EQ(line.size(), 29);
    EXPECT_TRUE(line.startsWith(QChar(0x2026)));
    EXPECT_TRUE(line.endsWith(u"/folder/photos"_s));
}

TEST(TerminalProgress, OnATerminalOneLineIsRedrawnAFewTimesASecond)
{
    Terminal t(true);
    qint64 now = 1000;
    t.ui.SetTickSource([&now] { return now; });
    t.ui.ShowProgress(ProgressOperation::ExtractFiles);
    t.ui.SetProgressRange(200);
    QString expected = u"Extract Files...\n"_s + kErase;
    EXPECT_EQ(t.err, expected) << "the first update draws at once";

    now += TerminalUserInterface::kStatusIntervalMs - 1;
    t.ui.SetProgressPosition(50);
    t.ui.SetProgressFileName(u"a.txt"_s);
    EXPECT_EQ(t.err, expected) << "too soon to redraw";

    now += 1;
    t.ui.SetProgressStatus(u"3 of 8"_s);
    expected += kErase + u" 25%  3 of 8  a.txt"_s;
    EXPECT_EQ(t.err, expected);

    // A message first clears the line, so the two do not run together.
    t.ui.ShowError(u"Extract"_s, u"Disk full."_s);
    expected += kErase + u"error: Extract: Disk full.\n"_s;
    EXPECT_EQ(t.err, expected);

    now += 1;
    t.ui.SetProgressPosition(200);
    expected += kErase + u"100%  3 of 8  a.txt"_s;
    t.ui.CloseProgress();
    expected += kErase;
    EXPECT_EQ(t.err, expected);
}

TEST(TerminalChoosers, OnATerminalTheyAskUntilTheAnswerFitsWithoutOneTheyCancel)
{
    Terminal none(false, AnswerPolicy::Yes, u"/tmp\n"_s);
    EXPECT_TRUE(none.ui.ChooseFolder(u"Folder"_s, QDir::tempPath()).isEmpty());
    EXPECT_TRUE(none.ui.ChooseOpenFile(u"Open"_s, QDir::tempPath(), {}).isEmpty());
    EXPECT_TRUE(none.ui.ChooseSaveFile(u"Save"_s, QDir::tempPath(), u"x.txt"_s, {}, {}).isEmpty());
    EXPECT_TRUE(none.err.isEmpty());
    EXPECT_EQ(none.Unread(), u"/tmp\n"_s);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = QDir::cleanPath(dir.path());
    const QString missing = folder + u"/missing"_s;

    Terminal t(true, AnswerPolicy::Ask, missing + u'\n' + folder + u"/\n"_s);
    EXPECT_EQ(t.ui.ChooseFolder(u"Catalog folder"_s, QDir::tempPath()), folder);
    EXPECT_TRUE(t.err.contains(u"not a folder: "_s + missing));

    Terminal cancelled(true, AnswerPolicy::Ask, u"\n"_s);
    EXPECT_TRUE(cancelled.ui.ChooseSaveFile(u"Save"_s, folder, u"x.txt"_s, {}, {}).isEmpty());

    Terminal ended(true);
    EXPECT_TRUE(ended.ui.ChooseOpenFile(u"Open"_s, folder, {}).isEmpty());
}

DeviceCheckView WrongDiskView()
{
    DeviceCheckView view;
    view.caption = u"Insert Disk -- /media/user/HOLIDAY"_s;
    view.heading = u"Insert Cataloged Disk in Drive."_s;
    view.message = u"The Disk in the drive, is not the expected disk or the disks Label has been "
                   u"changed."_s;
    view.currentDiskCaption = u"Current Disk in Drive:"_s;
    view.currentLabel = u"OTHER"_s;
    view.currentDrive = u"/media/user"_s;
    view.requiredDrive = u"/media/user/HOLIDAY"_s;
    view.requiredLabel = u"HOLIDAY"_s;
    view.nameCaption = u"Catalog Name:"_s;
    view.name = u"Photos"_s;
    view.driveClass = CatalogSchema::kRemovableDiskClass;
    return view;
}

const QString kWrongDiskText =
    u"Insert Disk -- /media/user/HOLIDAY\n"
    u"Insert Cataloged Disk in Drive.\n"
    u"The Disk in the drive, is not the expected disk or the disks Label has been changed.\n"
    u"  Current Disk in Drive: /media/user  Disk Label: OTHER\n"
    u"  Required Disk: /media/user/HOLIDAY  Disk Label: HOLIDAY\n"
    u"  Catalog Name: Photos\n"_s;

TEST(TerminalDeviceCheck, OnATerminalEnterTriesAgainAndQGivesUp)
{
    const struct
    {
        QString typed;
        bool ok;
    } cases[] = {
        {u"\n"_s, true},     {u"yes\n"_s, true}, {u"q\n"_s, false},
        {u" Q \n"_s, false}, {QString(), false}, // end of input
    };
    for (const auto &c : cases) {
        Terminal t(true, AnswerPolicy::Yes, c.typed);
        t.ui.Beep();
        EXPECT_EQ(t.ui.ShowDeviceCheck(WrongDiskView()), c.ok) << c.typed.toStdString();
        EXPECT_TRUE(t.err.startsWith(u'\a' + kWrongDiskText)) << t.err.toStdString();
        EXPECT_TRUE(t.err.contains(u"Press Enter when the disk is ready, or q to cancel: "_s));
        EXPECT_TRUE(t.out.isEmpty());
    }
}

TEST(TerminalDeviceCheck, WithoutATerminalItGivesUpAndSaysHowToWait)
{
    Terminal t(false, AnswerPolicy::Yes);
    DeviceCheckView view = WrongDiskView();
    view.nameCaption = u"Archive Name"_s;
    view.currentDiskCaption = u"Drive Not Ready:"_s;
    view.currentLabelShown = false;
    view.currentDrive = view.requiredDrive;
    t.ui.Beep();
    EXPECT_FALSE(t.ui.ShowDeviceCheck(view));
    EXPECT_EQ(t.err, QString(kWrongDiskText)
                             .replace(u"Current Disk in Drive: /media/user  Disk Label: OTHER"_s,
                                      u"Drive Not Ready: /media/user/HOLIDAY"_s)
                             .replace(u"Catalog Name:"_s, u"Archive Name:"_s) +
                         u"cancelled (not a terminal; --wait waits for the disk)\n"_s);
}

TEST(TerminalDeviceCheck, WaitingLooksAgainAndPrintsOnlyChanges)
{
    for (const bool interactive : {false, true}) {
        Terminal t(interactive, AnswerPolicy::Ask, u"q\n"_s);
        t.ui.SetWaitForMedium(true, 0);
        DeviceCheckView view = WrongDiskView();
        t.ui.Beep();
        EXPECT_TRUE(t.ui.ShowDeviceCheck(view));
        t.ui.Beep();
        EXPECT_TRUE(t.ui.ShowDeviceCheck(view));
        view.currentLabel = u"THIRD"_s;
        EXPECT_TRUE(t.ui.ShowDeviceCheck(view));
        EXPECT_EQ(t.err, kWrongDiskText + QString(kWrongDiskText).replace(u"OTHER"_s, u"THIRD"_s))
            << "interactive " << interactive;
        EXPECT_EQ(t.Unread(), u"q\n"_s) << "nothing is read while waiting";
    }
}

} // namespace
