#include "platform/UserInterface.h"

#include "platform/ProgressOperations.h"
#include "support/HeadlessUserInterface.h"
#include "support/ScriptedUserInterface.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString Repeated(char16_t c, int count)
{
    return QString(count, QChar(c));
}

TEST(MessageCut, CutsCaptionAndTextAtTheirLimitsNeverSplittingASurrogatePair)
{
    // caption length, text length, and what the box is given of them
    const int rows[][4] = {{0, 0, 0, 0},
                           {99, 254, 99, 254},
                           {100, 255, 100, 255},
                           {101, 256, 100, 255},
                           {400, 1000, 100, 255}};
    for (const auto &row : rows) {
        ScriptedUserInterface ui;
        ui.ShowInformation(Repeated(u'c', row[0]), Repeated(u't', row[1]));
        const RecordedMessage m = ui.TakeSingleMessage();
        EXPECT_EQ(m.caption.size(), row[2]);
        EXPECT_EQ(m.text.size(), row[3]);
    }
    // U+1F4BE (a floppy disk) is two UTF-16 units; the 100th unit is its first half.
    const QString emoji = QString::fromUcs4(U"\U0001F4BE");
    ScriptedUserInterface ui;
    ui.ShowError(Repeated(u'c', 99) + emoji, Repeated(u't', 253) + emoji + u'x');
    const RecordedMessage m = ui.TakeSingleMessage();
    EXPECT_EQ(m.caption, Repeated(u'c', 99));
    EXPECT_EQ(m.text, Repeated(u't', 253) + emoji);
}

// Whatever the box answers, each kind gives only the answers of its buttons.
TEST(MessageAnswers, EachKindAnswersOnlyWithItsOwnButtons)
{
    using A = MessageAnswer;
    for (const A box : {A::Ok, A::Cancel, A::Yes, A::No, A::Retry}) {
        HeadlessUserInterface ui([box](MessageKind) { return box; });
        const auto answer = [&ui](MessageKind kind) { return ui.Message(kind, u"c"_s, u"t"_s); };
        SCOPED_TRACE(static_cast<int>(box));
        EXPECT_EQ(answer(MessageKind::Error), A::Ok);
        EXPECT_EQ(answer(MessageKind::Information), A::Ok);
        EXPECT_EQ(answer(MessageKind::Question), box == A::Yes ? A::Yes : A::No);
        EXPECT_EQ(ui.AskYesNo(u"c"_s, u"t"_s), box == A::Yes);
        EXPECT_EQ(answer(MessageKind::OkCancel), box == A::Ok ? A::Ok : A::Cancel);
        EXPECT_EQ(answer(MessageKind::RetryCancel), box == A::Retry ? A::Retry : A::Cancel);
    }
}

TEST(PumpMessages, RunsOnlyAfterTheIntervalAndRestartsFromTheLastPump)
{
    ScriptedUserInterface ui;
    qint64 now = 1000;
    ui.SetTickSource([&now] { return now; });

    // Each row: the tick, the interval of a pump at that tick, and how many
    // times events ran so far. 1100 is exactly the interval: not yet; 1201 is
    // 100 after the last pump, not after the start; a zero interval on the
    // same tick: nothing has passed.
    const std::tuple<qint64, int, int> rows[] = {{1000, 100, 0}, {1100, 100, 0}, {1101, 100, 1},
                                                 {1101, 100, 1}, {1201, 100, 1}, {1202, 100, 2},
                                                 {1202, 0, 2},   {1203, 0, 3}};
    for (const auto &[tick, interval, count] : rows) {
        now = tick;
        ui.PumpMessages(interval);
        EXPECT_EQ(ui.ProcessEventsCount(), count) << "at " << tick;
    }
}

TEST(Progress, ShowAndCloseClearTheCancelFlagAndRecordTheOperation)
{
    ScriptedUserInterface ui;
    ui.SetCancelled(true);
    ui.ShowProgress(ProgressOperation::ExportData);
    EXPECT_EQ(std::make_tuple(ui.Cancelled(), ui.ProgressVisible(), ui.ProgressWindowOpen()),
              std::make_tuple(false, true, true));
    EXPECT_EQ(ui.ProgressOperation(), ProgressOperation::ExportData);

    ui.SetCancelled(true);
    ui.CloseProgress();
    EXPECT_FALSE(ui.Cancelled() || ui.ProgressVisible() || ui.ProgressWindowOpen());
    EXPECT_EQ(ui.ProgressOperations(), std::vector<int>{ProgressOperation::ExportData});
}

// The rows the progress window tests (GuiProgress) do not already show; they
// also play the animation of every row.
TEST(ProgressOperations, RowsWithSpecialPartsAndNoRowsOutsideTheTable)
{
    EXPECT_EQ(ProgressLayoutFor(-1), nullptr);
    EXPECT_EQ(ProgressLayoutFor(ProgressOperation::Count), nullptr);
    for (int op = 0; op < ProgressOperation::Count; ++op)
        EXPECT_TRUE(ProgressLayoutFor(op)->caption.endsWith(u"...")) << "operation " << op;

    const ProgressLayout &compress = *ProgressLayoutFor(ProgressOperation::CompressDatabase);
    EXPECT_EQ(compress.caption, u"Compressing Database...");
    EXPECT_TRUE(compress.showFileNameLine);
    const ProgressLayout &freeing = *ProgressLayoutFor(ProgressOperation::FreeArchiveVolume);
    EXPECT_TRUE(freeing.showStatusLine && freeing.showProgressBar && !freeing.hideCancel);
    const ProgressLayout &extract = *ProgressLayoutFor(ProgressOperation::ExtractFiles);
    EXPECT_TRUE(extract.showStatusLine && extract.showProgressBar && !extract.showFileNameLine);

    const ProgressLayout &catalog = *ProgressLayoutFor(ProgressOperation::CatalogMedia);
    EXPECT_EQ(catalog.pathLine, u"Validating the Catalog Media...");
    EXPECT_FALSE(catalog.showStatusLine || catalog.showFileNameLine || catalog.showProgressBar ||
                 catalog.hideCancel);
}

} // namespace
