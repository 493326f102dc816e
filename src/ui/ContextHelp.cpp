#include "ui/ContextHelp.h"

#include "ui/HelpBook.h"
#include "ui/HelpForm.h"
#include "ui/HelpViewer.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHelpEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QToolButton>
#include <QWhatsThis>

namespace {

const QString kShared = QStringLiteral("*");
const QString kMoreText = QStringLiteral("Dirvanta Help...");
constexpr int kMargin = 6;

QString Key(const QString &form, const QString &name)
{
    return form + QLatin1Char('/') + name;
}

QString WithoutTrailingDigits(const QString &name)
{
    qsizetype end = name.size();
    while (end > 0 && name[end - 1].isDigit())
        --end;
    return name.left(end);
}

QPointer<ContextHelpPopup> g_current;

} // namespace

const ContextHelpTexts &ContextHelpTexts::Shipped()
{
    static const ContextHelpTexts texts = [] {
        ContextHelpTexts table;
        QFile file(QStringLiteral(":/help/controls.txt"));
        if (file.open(QIODevice::ReadOnly))
            table.Read(QString::fromUtf8(file.readAll()));
        return table;
    }();
    return texts;
}

void ContextHelpTexts::Read(const QString &table)
{
    QString form = kShared;
    for (const QString &raw : table.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            form = line.mid(1, line.size() - 2);
            continue;
        }
        // Names may hold blanks and colons (labels named by their caption):
        // the text follows " = ", and a number closing the name is the context.
        const qsizetype equals = line.indexOf(QStringLiteral(" = "));
        if (equals < 0)
            continue;
        QString name = line.left(equals).trimmed();
        Entry entry;
        entry.text = line.mid(equals + 3).trimmed();
        const qsizetype blank = name.lastIndexOf(QLatin1Char(' '));
        bool numbered = false;
        const int context = blank > 0 ? name.mid(blank + 1).toInt(&numbered) : 0;
        if (numbered) {
            entry.context = context;
            name = name.left(blank);
        }
        m_entries.insert(Key(form, name), entry);
    }
}

const ContextHelpTexts::Entry *ContextHelpTexts::Find(const QString &formClass,
                                                      const QString &name) const
{
    const QString fullName = name.trimmed();
    if (fullName.isEmpty())
        return nullptr;
    const QString shortName = WithoutTrailingDigits(fullName);
    for (const QString &form : {formClass, kShared}) {
        for (const QString &candidate : {fullName, shortName}) {
            const auto found = m_entries.constFind(Key(form, candidate));
            if (found != m_entries.constEnd() && !candidate.isEmpty())
                return &found.value();
        }
    }
    return nullptr;
}

QList<int> ContextHelpTexts::Contexts() const
{
    QList<int> contexts;
    for (const Entry &entry : m_entries)
        if (entry.context != 0 && !contexts.contains(entry.context))
            contexts << entry.context;
    return contexts;
}

ContextHelpPopup::ContextHelpPopup(const ContextHelpTexts::Entry &entry, QWidget *owner)
    : QWidget(owner, Qt::Popup | Qt::FramelessWindowHint)
    , m_entry(entry)
{
    setObjectName(QStringLiteral("ContextHelpPopup"));
    setAttribute(Qt::WA_DeleteOnClose);
    if (owner)
        setFont(owner->window()->font());
    const QFontMetrics metrics(font());
    const int width = kMaxWidth - 2 * kMargin;
    m_textRect = metrics.boundingRect(QRect(kMargin, kMargin, width, 10000),
                                      Qt::TextWordWrap | Qt::AlignLeft, entry.text);
    int height = m_textRect.bottom() + kMargin;
    if (entry.context != 0) {
        QFont linkFont = font();
        linkFont.setUnderline(true);
        const QFontMetrics linkMetrics(linkFont);
        m_linkRect = QRect(kMargin, height, linkMetrics.horizontalAdvance(kMoreText) + 2,
                           linkMetrics.height());
        height = m_linkRect.bottom() + kMargin;
    }
    resize(qMax(m_textRect.right(), m_linkRect.right()) + kMargin + 1, height + 1);
}

ContextHelpPopup *ContextHelpPopup::Current()
{
    return g_current;
}

void ContextHelpPopup::ShowAt(const QPoint &globalPos)
{
    if (g_current)
        g_current->close();
    g_current = this;
    QPoint at = globalPos + QPoint(4, 8);
    if (const QScreen *screen = QGuiApplication::screenAt(globalPos)) {
        const QRect area = screen->availableGeometry();
        at.setX(qBound(area.left(), at.x(), area.right() - width()));
        at.setY(qBound(area.top(), at.y(), area.bottom() - height()));
    }
    move(at);
    show();
    activateWindow();
    setFocus();
}

void ContextHelpPopup::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), THelpForm::Cream());
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawText(m_textRect, Qt::TextWordWrap | Qt::AlignLeft, m_entry.text);
    if (m_entry.context == 0)
        return;
    QFont linkFont = font();
    linkFont.setUnderline(true);
    painter.setFont(linkFont);
    painter.setPen(QColor(0, 128, 0));
    painter.drawText(m_linkRect, Qt::AlignLeft, kMoreText);
}

void ContextHelpPopup::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1)
        OpenMore();
    close();
}

void ContextHelpPopup::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_linkRect.contains(event->position().toPoint()))
        OpenMore();
    close();
}

bool ContextHelpPopup::event(QEvent *event)
{
    if (event->type() == QEvent::WindowDeactivate)
        close();
    return QWidget::event(event);
}

void ContextHelpPopup::OpenMore()
{
    if (m_entry.context != 0)
        OpenHelp(m_entry.context, HelpBook::kGuide);
}

ContextHelpFilter::ContextHelpFilter(QObject *parent)
    : QObject(parent)
{
}

QString ContextHelpFilter::FormClassOf(QWidget *widget)
{
    QWidget *window = widget->window();
    // A menu is a window of its own; its form is the window it was made for.
    while (qobject_cast<QMenu *>(window) && window->parentWidget())
        window = window->parentWidget()->window();
    return QString::fromLatin1(window->metaObject()->className());
}

QString ContextHelpFilter::NameOf(QWidget *control)
{
    if (auto *button = qobject_cast<QToolButton *>(control); button && button->defaultAction())
        return button->defaultAction()->objectName();
    if (!control->objectName().isEmpty())
        return control->objectName();
    // A button made without a name is known by its caption: "&Add " is "Add".
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        return button->text().remove(QLatin1Char('&')).trimmed();
    return QString();
}

const ContextHelpTexts::Entry *ContextHelpFilter::EntryOf(QWidget *widget)
{
    const QString form = FormClassOf(widget);
    const ContextHelpTexts &texts = ContextHelpTexts::Shipped();
    for (QWidget *control = widget; control; control = control->parentWidget()) {
        if (const auto *entry = texts.Find(form, NameOf(control)))
            return entry;
        if (control->isWindow())
            break;
    }
    return texts.Find(form, kShared);
}

const ContextHelpTexts::Entry *ContextHelpFilter::EntryOf(QAction *action, QWidget *menu)
{
    return ContextHelpTexts::Shipped().Find(FormClassOf(menu), action->objectName());
}

bool ContextHelpFilter::MenuItemClicked(QWidget *widget, QMouseEvent *event)
{
    auto *menu = qobject_cast<QMenu *>(widget);
    QAction *action = menu ? menu->actionAt(event->position().toPoint()) : nullptr;
    if (!action || action->menu() || action->isSeparator())
        return false;
    const ContextHelpTexts::Entry *entry = EntryOf(action, menu);
    if (!entry)
        return false;
    const QPoint at = menu->mapToGlobal(menu->actionGeometry(action).center());
    QWidget *owner = menu;
    while (qobject_cast<QMenu *>(owner->window()) && owner->parentWidget())
        owner = owner->parentWidget();
    QWhatsThis::leaveWhatsThisMode();
    while (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    (new ContextHelpPopup(*entry, owner->window()))->ShowAt(at);
    return true;
}

bool ContextHelpFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (!watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    switch (event->type()) {
    case QEvent::QueryWhatsThis:
        if (!EntryOf(widget))
            return false;
        event->accept();
        return true;
    case QEvent::WhatsThis:
        if (const auto *entry = EntryOf(widget)) {
            QWhatsThis::leaveWhatsThisMode();
            (new ContextHelpPopup(*entry, widget->window()))
                ->ShowAt(static_cast<QHelpEvent *>(event)->globalPos());
            event->accept();
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        return QWhatsThis::inWhatsThisMode() &&
               MenuItemClicked(widget, static_cast<QMouseEvent *>(event));
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier ||
            qobject_cast<ContextHelpPopup *>(widget) || widget != QApplication::focusWidget())
            return false;
        const auto *entry = EntryOf(widget);
        if (!entry)
            return false;
        (new ContextHelpPopup(*entry, widget->window()))
            ->ShowAt(widget->mapToGlobal(widget->rect().center()));
        return true;
    }
    default:
        return false;
    }
}

void InstallContextHelp()
{
    static QPointer<ContextHelpFilter> filter;
    if (!filter && qApp) {
        filter = new ContextHelpFilter(qApp);
        qApp->installEventFilter(filter);
    }
}

void EnterContextHelp()
{
    InstallContextHelp();
    QWhatsThis::enterWhatsThisMode();
}
