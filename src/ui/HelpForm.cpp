#include "ui/HelpForm.h"

#include "platform/UserInterface.h"
#include "ui/HelpBook.h"
#include "ui/HelpViewer.h"

#include <QDesktopServices>
#include <QFrame>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStackedWidget>
#include <QUrl>

const char *const kSupportWebAddress = "www.example.com/dirvanta";
const char *const kSupportMailAddress = "support@example.com";
const char *const kSupportTelephone = "+1 555 0100 97";

namespace {

constexpr int kWidth = 471;
constexpr int kHeight = 409;
constexpr int kPictureSize = 32;
const QColor kLinkBlue(0, 0, 192);

// "&Help" as rich text with the Alt key underlined.
QString MnemonicHtml(const QString &caption)
{
    QString html;
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) {
            html += QStringLiteral("<u>") + QString(caption[++i]).toHtmlEscaped() +
                    QStringLiteral("</u>");
            continue;
        }
        html += QString(caption[i]).toHtmlEscaped();
    }
    return html;
}

QChar MnemonicKey(const QString &caption)
{
    const int at = int(caption.indexOf(QLatin1Char('&')));
    return at >= 0 && at + 1 < caption.size() ? caption[at + 1].toUpper() : QChar();
}

// The pictures of the links, painted rather than shipped (the help file
// link shows the program's icon).
QPixmap Picture(const char *name)
{
    QPixmap pixmap(kPictureSize, kPictureSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1.5));
    const QString picture = QString::fromLatin1(name);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(18);
    painter.setFont(font);
    if (picture == QLatin1String("SEARCH")) {
        painter.setBrush(QColor(220, 240, 255));
        painter.drawEllipse(QRectF(4, 4, 17, 17));
        painter.setPen(QPen(QColor(120, 70, 20), 4, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(19, 19), QPointF(28, 28));
    } else if (picture == QLatin1String("COURSE")) {
        // An open book.
        painter.setBrush(QColor(255, 250, 225));
        painter.drawPolygon(QPolygonF({{2, 8}, {16, 11}, {16, 28}, {2, 25}}));
        painter.drawPolygon(QPolygonF({{30, 8}, {16, 11}, {16, 28}, {30, 25}}));
        for (int y = 14; y <= 22; y += 4) {
            painter.drawLine(QPointF(5, y), QPointF(13, y + 1));
            painter.drawLine(QPointF(19, y + 1), QPointF(27, y));
        }
    } else if (picture == QLatin1String("SUPPORT")) {
        // A life ring.
        painter.setBrush(QColor(230, 40, 40));
        painter.drawEllipse(QRectF(2, 2, 28, 28));
        painter.setBrush(Qt::white);
        painter.drawPie(QRectF(2, 2, 28, 28), 20 * 16, 50 * 16);
        painter.drawPie(QRectF(2, 2, 28, 28), 200 * 16, 50 * 16);
        painter.setBrush(QColor(255, 255, 232));
        painter.drawEllipse(QRectF(10, 10, 12, 12));
    } else {
        // HELP and FAQ: a question mark on a page or in a speech bubble.
        const bool faq = picture == QLatin1String("FAQ");
        painter.setBrush(faq ? QColor(255, 240, 160) : QColor(200, 225, 255));
        QPainterPath shape;
        if (faq) {
            shape.addRoundedRect(QRectF(2, 3, 28, 20), 6, 6);
            shape.moveTo(8, 22);
            shape.lineTo(6, 30);
            shape.lineTo(15, 22);
        } else {
            shape.addRect(QRectF(6, 2, 20, 28));
        }
        painter.drawPath(shape.simplified());
        painter.drawText(QRectF(2, faq ? 1 : 4, 28, 24), Qt::AlignCenter, QStringLiteral("?"));
    }
    return pixmap;
}

QLabel *PlainLabel(const QString &text, QWidget *parent, const QString &name)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}

} // namespace

HelpLink::HelpLink(const QString &caption, QWidget *parent)
    : QLabel(parent)
{
    setText(QStringLiteral("<b>") + MnemonicHtml(caption) + QStringLiteral("</b>"));
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, kLinkBlue);
    setPalette(colours);
    setCursor(Qt::WhatsThisCursor);
}

void HelpLink::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}

THelpForm::THelpForm(bool supportOnly, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_supportOnly(supportOnly)
{
    setObjectName(QStringLiteral("HelpForm"));
    setWindowTitle(QStringLiteral("Dirvanta 97 Help"));
    setFixedSize(kWidth, kHeight);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Cream());
    setPalette(colours);
    setAutoFillBackground(true);

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(rect());

    Pages = new QStackedWidget(panel);
    Pages->setObjectName(QStringLiteral("Pages"));
    Pages->setGeometry(8, 8, kWidth - 16, 318);
    CONTENTS = new QWidget(Pages);
    CONTENTS->setObjectName(QStringLiteral("CONTENTS"));
    SUPPORT = new QWidget(Pages);
    SUPPORT->setObjectName(QStringLiteral("SUPPORT"));
    Pages->addWidget(CONTENTS);
    Pages->addWidget(SUPPORT);
    BuildContentsPage();
    BuildSupportPage();

    auto *line = new QFrame(panel);
    line->setObjectName(QStringLiteral("Bevel1"));
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(12, 332, kWidth - 24, 2);
    auto *hint =
        PlainLabel(QStringLiteral("To select an option, click the blue text with the mouse."),
                   panel, QStringLiteral("HintLabel"));
    hint->setAlignment(Qt::AlignCenter);
    hint->setGeometry(12, 340, kWidth - 24, 20);

    BackLink = new HelpLink(QStringLiteral("< &Back"), panel);
    BackLink->setObjectName(QStringLiteral("BackLink"));
    BackLink->setGeometry(16, 372, 100, 22);
    ReturnLink = new HelpLink(QStringLiteral("&Return to Dirvanta 97..."), panel);
    ReturnLink->setObjectName(QStringLiteral("ReturnLink"));
    ReturnLink->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ReturnLink->setGeometry(kWidth - 236, 372, 220, 22);
    m_links.append({QLatin1Char('B'), BackLink, [this] { ShowContentsPage(); }});
    m_links.append({QLatin1Char('R'), ReturnLink, [this] { accept(); }});
    for (const Link &link : std::as_const(m_links))
        connect(link.label, &HelpLink::clicked, this, link.action);

    if (supportOnly)
        ShowSupportPage();
    else
        ShowContentsPage();
}

QColor THelpForm::Cream()
{
    // The colour value 15269887 read as blue, green, red.
    return QColor(255, 255, 232);
}

void THelpForm::AddLink(QWidget *page, int top, const char *name, const char *caption,
                        const char *explanation, const QPixmap &picture,
                        std::function<void()> action)
{
    auto *image = new QLabel(page);
    image->setObjectName(QString::fromLatin1(name) + QStringLiteral("Picture"));
    image->setPixmap(picture);
    image->setGeometry(8, top, kPictureSize, kPictureSize);
    const QString text = QString::fromUtf8(caption);
    auto *link = new HelpLink(text, page);
    link->setObjectName(QString::fromLatin1(name));
    link->setGeometry(52, top, 380, 18);
    auto *note = PlainLabel(QString::fromUtf8(explanation), page,
                            QString::fromLatin1(name) + QStringLiteral("Note"));
    note->setGeometry(52, top + 18, 390, 32);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_links.append({MnemonicKey(text), link, std::move(action)});
}

void THelpForm::OpenBookAndClose(int command, const QString &book)
{
    OpenHelp(command, book);
    accept();
}

void THelpForm::BuildContentsPage()
{
    const auto open = [this](int command, const QString &book) {
        return [this, command, book] { OpenBookAndClose(command, book); };
    };
    auto *heading =
        PlainLabel(QStringLiteral("<b>Dirvanta 97 Help</b>"), CONTENTS, QStringLiteral("Heading"));
    heading->setGeometry(8, 4, 400, 22);
    AddLink(CONTENTS, 34, "HelpFileLink", "Dirvanta 97 &Help File...",
            "The user guide: every window, menu command and dialog, with its contents.",
            QPixmap(QStringLiteral(":/help/program.png")), open(0, HelpBook::kGuide));
    AddLink(CONTENTS, 90, "SearchLink", "&Search Help File for...",
            "Finds the pages of the user guide that speak of the words you type.",
            Picture("SEARCH"), open(-1, HelpBook::kGuide));
    AddLink(CONTENTS, 146, "CourseLink", "&Take our Dirvanta 97 Course...",
            "Short lessons: a first catalog, a search and an archive, step by step.",
            Picture("COURSE"), open(HelpBook::kCourseContext, HelpBook::kGuide));
    AddLink(CONTENTS, 202, "FaqLink", "&Frequently Asked Questions...",
            "Answers to the questions users ask most often.", Picture("FAQ"),
            open(0, HelpBook::kQuestions));
    AddLink(CONTENTS, 258, "SupportLink", "&Getting Support...",
            "Where to turn when the help files do not answer your question.", Picture("SUPPORT"),
            [this] { ShowSupportPage(); });
}

void THelpForm::BuildSupportPage()
{
    auto *heading = PlainLabel(QStringLiteral("<b>Getting Support</b>"), SUPPORT,
                               QStringLiteral("SupportHeading"));
    heading->setGeometry(8, 4, 400, 22);
    auto *note = PlainLabel(QStringLiteral("Most questions are answered in the help files: please "
                                           "try them first. The routes below are in our order "
                                           "of preference."),
                            SUPPORT, QStringLiteral("SupportNote"));
    note->setGeometry(8, 26, kWidth - 32, 36);
    const QString web = QString::fromLatin1(kSupportWebAddress);
    const QString mail = QString::fromLatin1(kSupportMailAddress);
    AddLink(SUPPORT, 70, "UseHelpLink", "1. &Use the Help and Frequently Asked Questions Files",
            "Opens the frequently asked questions; the user guide is linked from there.",
            Picture("HELP"), [this] { OpenBookAndClose(0, HelpBook::kQuestions); });
    AddLink(SUPPORT, 126, "WebLink", "2. Visit our &Internet web site",
            qPrintable(QStringLiteral("News, updates and answers at ") + web + QLatin1Char('.')),
            Picture("SEARCH"), [web] { OpenWebOrMail(web, true); });
    AddLink(SUPPORT, 182, "MailLink", "3. &E-mail our support team",
            qPrintable(QStringLiteral("Write to ") + mail +
                       QStringLiteral(" with the version from Help > About.")),
            Picture("SUPPORT"), [mail] { OpenWebOrMail(mail, false); });
    auto *phone =
        PlainLabel(QStringLiteral("4. Telephone support: ") +
                       QString::fromLatin1(kSupportTelephone) + QStringLiteral(" (working days)."),
                   SUPPORT, QStringLiteral("TelephoneLabel"));
    phone->setGeometry(52, 250, 390, 22);
}

void THelpForm::ShowContentsPage()
{
    if (m_supportOnly)
        return;
    Pages->setCurrentWidget(CONTENTS);
    BackLink->setVisible(false);
}

void THelpForm::ShowSupportPage()
{
    Pages->setCurrentWidget(SUPPORT);
    BackLink->setVisible(!m_supportOnly);
}

void THelpForm::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() == Qt::AltModifier && event->key() >= Qt::Key_A &&
        event->key() <= Qt::Key_Z) {
        const QChar key(char16_t(event->key()));
        for (const Link &link : std::as_const(m_links)) {
            // Only the links of the page shown answer (the bottom two always).
            if (link.key != key || !link.label->isVisibleTo(this))
                continue;
            link.action();
            return;
        }
    }
    QDialog::keyPressEvent(event); // Escape rejects
}

void ShowHelpWindow()
{
    THelpForm form;
    form.exec();
}

void ShowSupportWindow()
{
    THelpForm form(true);
    form.exec();
}

void OpenWebOrMail(const QString &address, bool web,
                   const std::function<bool(const QUrl &)> &opener)
{
    const QUrl url((web ? QStringLiteral("http://") : QStringLiteral("mailto:")) + address);
    const bool opened = opener ? opener(url) : QDesktopServices::openUrl(url);
    if (opened)
        return;
    if (web)
        UI().ShowError(QStringLiteral("Internet Browser Error"),
                       QStringLiteral("Dirvanta was unable to invoke an Internet Browser to "
                                      "access \"HTTP:\\\\%1\"")
                           .arg(address));
    else
        UI().ShowError(QStringLiteral("Mail Engine Error"),
                       QStringLiteral("Dirvanta was unable to invoke your Mail Engine to mail "
                                      "\"%1\"")
                           .arg(address));
}
