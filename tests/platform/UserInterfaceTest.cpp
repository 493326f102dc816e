#include "platform/UserInterface.h"

#include "platform/ProgressOperations.h"
#include "support/ScriptedUserInterface.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A front end whose box always returns the same answer, whatever the kind,
// to show what the message routine makes of it.
class FixedAnswerUserInterface final : public UserInterface
{
public:
    explicit FixedAnswerUserInterface(MessageAnswer answer)
        : m_answer(answer)
    {
    }

    void SetProgressStatus(const QString &) override {}
    void SetProgressFileName(const QString &) override {}
    void SetProgressPath(const QString &) override {}
    void SetProgressRange(qint64) override {}
    void SetProgressPosition(qint64) override {}
    bool ShowDeviceCheck(const DeviceCheckView &) override { return false; }
    QString ChooseFolder(const QString &, const QString &) override { return {}; }
    QString ChooseOpenFile(const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString ChooseSaveFile(const QString &, const QString &, const QString &, const QString &,
                           const QString &) override
    {
        return {};
    }

protected:
    MessageAnswer ShowMessage(MessageKind, const QString &, const QString &, MessageIcon) override
    {
        return m_answer;
    }
    void ProcessEvents() override {}
    void OpenProgressWindow(int) override {}
    void CloseProgressWindow() override {}

private:
    MessageAnswer m_answer;
};

QString Repeated(char16_t c, int count)
{
    return QString(count, QChar(c));
}

struct CutCase
{
    int captionLength;
    int textLength;
    int expectedCaption;
    int expectedText;
};

class MessageCut : public testing::TestWithParam<CutCase>
{
};

TEST_P(MessageCut, CutsCaptionAndText)
{
    const CutCase c = GetParam();
    ScriptedUserInterface ui;
    ui.ShowInformation(Repeated(u'c', c.captionLength), Repeated(u't', c.textLength));
    const RecordedMessage m = ui.TakeSingleMessage();
    EXPECT_EQ(m.caption.size(), c.expectedCaption);
    EXPECT_EQ(m.text.size(), c.expectedText);
}

INSTANTIATE_TEST_SUITE_P(Limits, MessageCut,
                         testing::Values(CutCase{0, 0, 0, 0}, CutCase{99, 254, 99, 254},
                                         CutCase{100, 255, 100, 255}, CutCase{101, 256, 100, 255},
                                         CutCase{400, 1000, 100, 255}));

TEST(MessageCutText, NeverSplitsASurrogatePair)
{
    // U+1F4BE (a floppy disk) is two UTF-16 units; the 100th unit is its first half.
    const QString emoji = QString::fromUcs4(U"\U0001F4BE");
    ScriptedUserInterface ui;
    ui.ShowError(Repeated(u'c', 99) + emoji, Repeated(u't', 253) + emoji + u'x');
    const RecordedMessage m = ui.TakeSingleMessage();
    EXPECT_EQ(m.caption, Repeated(u'c', 99));
    EXPECT_EQ(m.text, Repeated(u't', 253) + emoji);
}

TEST(MessageAnswers, NonQuestionsAlwaysAnswerOk)
{
    for (const MessageAnswer boxAnswer :
         {MessageAnswer::Ok, MessageAnswer::Cancel, MessageAnswer::Yes, MessageAnswer::No}) {
        FixedAnswerUserInterface ui(boxAnswer);
        for (const MessageKind kind : {MessageKind::Error, MessageKind::Information})
            EXPECT_EQ(ui.Message(kind, u"c"_s, u"t"_s), MessageAnswer::Ok)
                << "box answered " << static_cast<int>(boxAnswer);
    }
}

TEST(MessageAnswers, QuestionsAnswerOnlyYesOrNo)
{
    const std::pair<MessageAnswer, MessageAnswer> cases[] = {
        {MessageAnswer::Yes, MessageAnswer::Yes},
        {MessageAnswer::No, MessageAnswer::No},
        {MessageAnswer::Ok, MessageAnswer::No},
        {MessageAnswer::Cancel, MessageAnswer::No},
    };
    for (const auto &[boxAnswer, expected] : cases) {
        FixedAnswerUserInterface ui(boxAnswer);
        EXPECT_EQ(ui.Message(MessageKind::Question, u"c"_s, u"t"_s), expected)
            << "box answered " << static_cast<int>(boxAnswer);
        EXPECT_EQ(ui.AskYesNo(u"c"_s, u"t"_s), expected == MessageAnswer::Yes);
    }
}

TEST(PumpMessages, RunsOnlyAfterTheIntervalAndRestartsFromTheLastPump)
{
    ScriptedUserInterface ui;
    qint64 now = 1000;
    ui.SetTickSource([&now] { return now; });

    ui.PumpMessages(100);
    now = 1100; // exactly the interval: not yet
    ui.PumpMessages(100);
    EXPECT_EQ(ui.ProcessEventsCount(), 0);

    now = 1101;
    ui.PumpMessages(100);
    ui.PumpMessages(100);
    EXPECT_EQ(ui.ProcessEventsCount(), 1);

    now = 1201; // 100 after the last pump, not after the start
    ui.PumpMessages(100);
    EXPECT_EQ(ui.ProcessEventsCount(), 1);
    now = 1202;
    ui.PumpMessages(100);
    EXPECT_EQ(ui.ProcessEventsCount(), 2);

    ui.PumpMessages(0); // same tick: nothing has passed
    EXPECT_EQ(ui.ProcessEventsCount(), 2);
    now = 1203;
    ui.PumpMessages(0);
    EXPECT_EQ(ui.ProcessEventsCount(), 3);
}

TEST(Progress, ShowAndCloseClearTheCancelFlagAndRecordTheOperation)
{
    ScriptedUserInterface ui;
    ui.SetCancelled(true);
    ui.ShowProgress(ProgressOperation::ExportData);
    EXPECT_FALSE(ui.Cancelled());
    EXPECT_TRUE(ui.ProgressVisible());
    EXPECT_TRUE(ui.ProgressWindowOpen());
    EXPECT_EQ(ui.ProgressOperation(), ProgressOperation::ExportData);

    ui.SetCancelled(true);
    ui.CloseProgress();
    EXPECT_FALSE(ui.Cancelled());
    EXPECT_FALSE(ui.ProgressVisible());
    EXPECT_FALSE(ui.ProgressWindowOpen());
    EXPECT_EQ(ui.ProgressOperations(), std::vector<int>{ProgressOperation::ExportData});
}

TEST(ProgressOperations, NumbersOutsideTheTableHaveNoLayout)
{
    EXPECT_EQ(ProgressLayoutFor(-1), nullptr);
    EXPECT_EQ(ProgressLayoutFor(ProgressOperation::Count), nullptr);
    for (int op = 0; op < ProgressOperation::Count; ++op) {
        const ProgressLayout *layout = ProgressLayoutFor(op);
        ASSERT_NE(layout, nullptr) << "operation " << op;
        EXPECT_TRUE(layout->caption.endsWith(u"...")) << "operation " << op;
        EXPECT_GE(layout->animation, 179) << "operation " << op;
        EXPECT_LE(layout->animation, 186) << "operation " << op;
    }
}

// The rows the progress window tests (GuiProgress) do not already show.
TEST(ProgressOperations, RowsWithSpecialParts)
{
    const ProgressLayout &compress = *ProgressLayoutFor(ProgressOperation::CompressDatabase);
    EXPECT_EQ(compress.caption, u"Compressing Database...");
    EXPECT_TRUE(compress.showFileNameLine);

    const ProgressLayout &freeing = *ProgressLayoutFor(ProgressOperation::FreeArchiveVolume);
    EXPECT_TRUE(freeing.showStatusLine && freeing.showProgressBar);
    EXPECT_FALSE(freeing.hideCancel);

    const ProgressLayout &extract = *ProgressLayoutFor(ProgressOperation::ExtractFiles);
    EXPECT_TRUE(extract.showStatusLine && extract.showProgressBar);
    EXPECT_FALSE(extract.showFileNameLine);

    const ProgressLayout &catalog = *ProgressLayoutFor(ProgressOperation::CatalogMedia);
    EXPECT_EQ(catalog.pathLine, u"Validating the Catalog Media...");
    EXPECT_FALSE(catalog.showStatusLine || catalog.showFileNameLine || catalog.showProgressBar ||
                 catalog.hideCancel);
}

} // namespace
