#include "ui/QuickViewWindow.h"

#include "platform/DisplayFormats.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImageReader>
#include <QLabel>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStringDecoder>
#include <QVBoxLayout>

namespace {

bool IsText(const QMimeType &type)
{
    return type.name().startsWith(QLatin1String("text/")) ||
           type.inherits(QStringLiteral("text/plain"));
}

bool IsPicture(const QString &path)
{
    QImageReader reader(path);
    return reader.canRead();
}

} // namespace

bool QuickViewWindow::CanShow(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return false;
    return IsText(QMimeDatabase().mimeTypeForFile(path)) || IsPicture(path);
}

QuickViewWindow::QuickViewWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_header(new QLabel(this))
    , m_text(new QPlainTextEdit(this))
    , m_pictureArea(new QScrollArea(this))
    , m_picture(new QLabel)
{
    setObjectName(QStringLiteral("QuickViewWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(640, 480);
    m_header->setObjectName(QStringLiteral("QuickViewHeader"));
    m_header->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setObjectName(QStringLiteral("QuickViewText"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_picture->setObjectName(QStringLiteral("QuickViewPicture"));
    m_picture->setAlignment(Qt::AlignCenter);
    m_pictureArea->setWidget(m_picture);
    m_pictureArea->setWidgetResizable(true);
    m_pictureArea->setAlignment(Qt::AlignCenter);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_header);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_pictureArea, 1);
}

bool QuickViewWindow::ShowFile(const QString &path)
{
    const QFileInfo info(path);
    const bool loaded =
        IsText(QMimeDatabase().mimeTypeForFile(path)) ? LoadText(path) : LoadPicture(path);
    if (!loaded)
        return false;
    setWindowTitle(info.fileName() + QStringLiteral(" - Quick View"));
    m_header->setText(QStringLiteral("%1  (%2)").arg(path, SizeText(info.size(), true)));
    return true;
}

bool QuickViewWindow::LoadText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.read(kTextLimit);
    // Text that is not UTF-8 is most likely of the Windows era.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        QStringDecoder windows("windows-1252");
        text = windows.isValid() ? windows(bytes) : QStringDecoder(QStringDecoder::Latin1)(bytes);
    }
    if (file.size() > kTextLimit)
        text += QStringLiteral("\n...");
    m_text->setPlainText(text);
    m_text->show();
    m_pictureArea->hide();
    return true;
}

bool QuickViewWindow::LoadPicture(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    m_picture->setPixmap(QPixmap::fromImage(image));
    m_pictureArea->show();
    m_text->hide();
    return true;
}
