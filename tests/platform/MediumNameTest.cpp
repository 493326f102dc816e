#include "platform/MediumName.h"

#include "support/QtPrinters.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <ctime>

using namespace Qt::StringLiterals;

TEST(MediumNameTest, BytesMapToTextAndBack)
{
    // What the case is, the bytes and their text (null: not checked).
    const std::tuple<const char *, QByteArray, QString> cases[] = {
        {"ASCII", "Read.me", u"Read.me"_s},
        {"valid UTF-8", "caf\xc3\xa9", QString::fromUtf8("caf\xc3\xa9")},
        {"four-byte sequence", "\xf0\x9f\x98\x80.png", QString::fromUtf8("\xf0\x9f\x98\x80.png")},
        {"Latin-1 byte", "caf\xe9", u"caf"_s + QChar(0xEFE9)},
        {"cut sequence", "a\xc3", u"a"_s + QChar(0xEFC3)},
        {"stray continuation", "\x80x", QString(QChar(0xEF80)) + u"x"_s},
        {"overlong slash", "\xc0\xaf", QString(QChar(0xEFC0)) + QChar(0xEFAF)},
        {"surrogate", "\xed\xa0\x80", QString(QChar(0xEFED)) + QChar(0xEFA0) + QChar(0xEF80)},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80", {}},
        // A real character of the escape range is escaped too, byte by byte.
        {"escape-range character", "\xee\xbe\x80",
         QString(QChar(0xEFEE)) + QChar(0xEFBE) + QChar(0xEF80)},
        {"empty", "", QString()}};
    for (const auto &[what, bytes, expected] : cases) {
        SCOPED_TRACE(what);
        const QString text = MediumNameText(bytes);
        if (!expected.isNull() || bytes.isEmpty()) {
            EXPECT_EQ(text, expected);
        }
        EXPECT_EQ(MediumNameBytes(text), bytes);
        // What is stored is valid UTF-8 and survives the database.
        EXPECT_EQ(QString::fromUtf8(text.toUtf8()), text);
        EXPECT_EQ(MediumNameIsPlainText(bytes), text.toUtf8() == bytes);
    }
}

TEST(MediumNameTest, EveryByteStringSurvivesTheRoundTrip)
{
    // Bytes drawn mostly from the ranges where UTF-8 goes wrong.
    QRandomGenerator random(20260714);
    const char alphabet[] = "aZ.\x7f\x80\xbf\xc0\xc2\xc3\xdf\xe0\xe2\xed\xee\xef\xf0\xf4\xf5\xff";
    for (int i = 0; i < 5000; ++i) {
        QByteArray bytes;
        const int length = int(random.bounded(12));
        for (int k = 0; k < length; ++k)
            bytes += alphabet[random.bounded(int(sizeof alphabet - 1))];
        const QString text = MediumNameText(bytes);
        ASSERT_EQ(MediumNameBytes(text), bytes) << bytes.toHex().constData();
        if (MediumNameIsPlainText(bytes)) {
            ASSERT_EQ(text, QString::fromUtf8(bytes)) << bytes.toHex().constData();
        }
    }
}
