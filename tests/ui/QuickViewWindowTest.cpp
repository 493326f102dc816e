#include "ui/QuickViewWindow.h"

#include "support/QtPrinters.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class QuickViewWindowTest : public testing::Test
{
protected:
    QString Write(const QString &name, const QByteArray &content)
    {
        QFile file(m_folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    }

    QTemporaryDir m_folder;
};

TEST_F(QuickViewWindowTest, ShowsTextCutAtTheLimitAndPicturesAndRefusesTheRest)
{
    const QString notes = Write(u"notes.txt"_s, "caf\xe9 au lait\n");
    const QString source = Write(u"main.c"_s, "int main() {}\n");
    const QString picture = m_folder.filePath(u"dot.png"_s);
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(picture));
    const QString binary = Write(u"data.bin"_s, QByteArray("\x00\x01\x02\x03", 4));

    EXPECT_TRUE(QuickViewWindow::CanShow(notes));
    EXPECT_TRUE(QuickViewWindow::CanShow(source));
    EXPECT_TRUE(QuickViewWindow::CanShow(picture));
    EXPECT_FALSE(QuickViewWindow::CanShow(binary));
    EXPECT_FALSE(QuickViewWindow::CanShow(m_folder.path()));

    QuickViewWindow text;
    ASSERT_TRUE(text.ShowFile(notes));
    // Text that is not UTF-8 is read as the Windows code page.
    EXPECT_EQ(text.findChild<QPlainTextEdit *>()->toPlainText(), u"caf\u00e9 au lait\n"_s);
    EXPECT_EQ(text.windowTitle(), u"notes.txt - Quick View"_s);

    QuickViewWindow photo;
    ASSERT_TRUE(photo.ShowFile(picture));
    const QLabel *shown = photo.findChild<QLabel *>(u"QuickViewPicture"_s);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->pixmap().size(), QSize(3, 2));

    ASSERT_TRUE(
        text.ShowFile(Write(u"big.txt"_s, QByteArray(QuickViewWindow::kTextLimit + 10, 'a'))));
    const QString cut = text.findChild<QPlainTextEdit *>()->toPlainText();
    EXPECT_EQ(cut.size(), QuickViewWindow::kTextLimit + 4);
    EXPECT_TRUE(cut.endsWith(u"\n..."_s));
}

} // namespace
