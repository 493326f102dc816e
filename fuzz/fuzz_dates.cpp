// The date texts read from outside: the import's date-times, the Find
// window's date fields and the ZIP engine's member dates. A date-time the
// import reads must read back the same from the text the export writes.
#include "FuzzSupport.h"
#include "exchange/ExportFormat.h"
#include "find/SearchSettings.h"
#include "media/FilePackages.h"
#include "platform/DayCount.h"

#include <cmath>

namespace {

// Day counts of years 100 to 9999, the years an export text can hold.
constexpr double kFirstDay = -657434;
constexpr double kLastDay = 2958465;

// Seconds from one day count to another. Not a plain difference: before
// 1900 the fraction of a negative day count still counts forward.
double SecondsBetween(double from, double to)
{
    QDate fromDate, toDate;
    QTime fromTime, toTime;
    SplitDayCount(from, fromDate, fromTime);
    SplitDayCount(to, toDate, toTime);
    return double(fromDate.daysTo(toDate)) * 86400 + fromTime.msecsTo(toTime) / 1000.0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    PrepareFuzzProcess();
    const QString text = QString::fromUtf8(FuzzBytes(data, size));
    ParseSearchDate(text);
    MemberDateTime(text);
    const std::optional<std::optional<double>> read = ParseExportDateTime(text);
    if (read && *read && **read >= kFirstDay && **read <= kLastDay) {
        const QString written = ExportDateTimeText(**read);
        const std::optional<std::optional<double>> again = ParseExportDateTime(written);
        FuzzCheck(again && *again && std::abs(SecondsBetween(**read, **again)) < 1,
                  "an export date-time does not read back");
    }
    return 0;
}
