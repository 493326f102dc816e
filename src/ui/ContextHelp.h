#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QAction;

// The context help of every window: one table of short texts keyed by the
// form's class and the control's (or menu item's) object name, each with the
// context number of the user guide page that says more.
class ContextHelpTexts final
{
public:
    struct Entry
    {
        QString text;
        int context = 0;
    };

    // The table shipped in :/help/controls.txt: "[FormClass]" sections of
    // "Name = text" or "Name N = text" lines, N the context; the section "[*]"
    // holds names every form shares, and a form's "*" entry answers for the
    // form itself.
    static const ContextHelpTexts &Shipped();
    void Read(const QString &table);

    // The entry of a control of a form: its own name, else the name without
    // its trailing digits (Open1, Open2 and Open3 share "Open"), in the
    // form's section and then in the shared one. Null when there is none.
    const Entry *Find(const QString &formClass, const QString &name) const;
    // Every context number of the table, for the check that each has a page.
    QList<int> Contexts() const;

private:
    QHash<QString, Entry> m_entries; // "FormClass/Name"
};

// The popup of one text: word-wrapped within 300 pixels on the help
// window's cream, with the "Dirvanta Help..." link under it when the text
// has a context. Closes on any key, click or loss of focus; F1 or a click on
// the link opens the user guide at the context first.
class ContextHelpPopup final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ContextHelpPopup)

public:
    static constexpr int kMaxWidth = 300;

    ContextHelpPopup(const ContextHelpTexts::Entry &entry, QWidget *owner);
    void ShowAt(const QPoint &globalPos);

    static ContextHelpPopup *Current();
    QString Text() const { return m_entry.text; }
    QRect LinkRect() const { return m_linkRect; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void OpenMore();

    ContextHelpTexts::Entry m_entry;
    QRect m_textRect;
    QRect m_linkRect;
};

// The application-wide watcher that answers the What's This mode a form's
// Help button starts (a click on a control or on a menu item) and F1 on a
// focused control with the control's popup.
class ContextHelpFilter final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ContextHelpFilter)

public:
    explicit ContextHelpFilter(QObject *parent = nullptr);

    // The entry of a widget: its own or its nearest named parent's within its form.
    static const ContextHelpTexts::Entry *EntryOf(QWidget *widget);
    static const ContextHelpTexts::Entry *EntryOf(QAction *action, QWidget *menu);
    // The name a control is known by in the table: its object name (a tool
    // button's action's), else a button's caption.
    static QString NameOf(QWidget *control);
    // The class name of the form a widget (or a menu of the form) belongs to.
    static QString FormClassOf(QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool MenuItemClicked(QWidget *menu, QMouseEvent *event);
};

// Installs the watcher on the application once.
void InstallContextHelp();
// A form's Help button: the question-mark cursor until the next click.
void EnterContextHelp();
