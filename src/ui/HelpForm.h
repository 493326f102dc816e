#pragma once

#include <QDialog>
#include <QLabel>

#include <functional>

class QStackedWidget;
class QUrl;

// A bold blue caption with an underlined Alt key that acts when clicked.
class HelpLink final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpLink)

public:
    HelpLink(const QString &caption, QWidget *parent);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// The help window: a borderless cream page of blue links to the user guide,
// its search, the course, the frequently asked questions and the SUPPORT
// page, closed by "&Return to Dirvanta 97..." or Escape.
class THelpForm final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(THelpForm)

public:
    // The support page first, with no way back, for the second entry.
    explicit THelpForm(bool supportOnly = false, QWidget *parent = nullptr);

    // The window's colour, as the popup help shares it.
    static QColor Cream();

    void ShowContentsPage();
    void ShowSupportPage();

    QStackedWidget *Pages = nullptr;
    QWidget *CONTENTS = nullptr;
    QWidget *SUPPORT = nullptr;
    HelpLink *BackLink = nullptr;
    HelpLink *ReturnLink = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Link
    {
        QChar key;
        HelpLink *label;
        std::function<void()> action;
    };

    void AddLink(QWidget *page, int top, const char *name, const char *caption,
                 const char *explanation, const QPixmap &picture, std::function<void()> action);
    void OpenBookAndClose(int command, const QString &book);
    void BuildContentsPage();
    void BuildSupportPage();

    QList<Link> m_links;
    bool m_supportOnly = false;
};

// The help window at its contents, modal.
void ShowHelpWindow();
// The help window at its support page, with no Back link.
void ShowSupportWindow();

// Opens the maker's web site ("HTTP://" + address) or a mail to the address
// ("MAILTO:" + address) with the desktop's programs, and says so in an error
// box when none takes it. The opener is the desktop's unless a test gives one.
void OpenWebOrMail(const QString &address, bool web,
                   const std::function<bool(const QUrl &)> &opener = {});

// The maker's support routes.
extern const char *const kSupportWebAddress;
extern const char *const kSupportMailAddress;
extern const char *const kSupportTelephone;
