#include "Help.h"

#include "RegularFile.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

namespace ostan {

namespace {

// Far above the help file's size: no file the window should show.
constexpr qint64 HelpSizeCap = qint64(8) << 20;

HelpHandler& Handler()
{
    static HelpHandler h;
    return h;
}

QString& HelpFile()
{
    static QString f;
    return f;
}

class THelpWindow : public QWidget {
public:
    THelpWindow()
    {
        setWindowTitle(QStringLiteral("Ostan - справка"));
        resize(640, 480);
        auto* v = new QVBoxLayout(this);
        // The search row shows whole or not at all.
        SearchRow = new QWidget(this);
        auto* h = new QHBoxLayout(SearchRow);
        h->setContentsMargins(0, 0, 0, 0);
        Search = new QLineEdit(SearchRow);
        Search->setPlaceholderText(QStringLiteral("Поиск"));
        auto* find = new QPushButton(QStringLiteral("Найти"), SearchRow);
        auto* label = new QLabel(QStringLiteral("Найти:"), SearchRow);
        label->setBuddy(Search);
        h->addWidget(label);
        h->addWidget(Search, 1);
        h->addWidget(find);
        v->addWidget(SearchRow);
        Browser = new QTextBrowser(this);
        v->addWidget(Browser, 1);
        auto doFind = [this] {
            if (!Browser->find(Search->text())) {
                QTextCursor c = Browser->textCursor();
                c.movePosition(QTextCursor::Start);
                Browser->setTextCursor(c);
                Browser->find(Search->text());
            }
        };
        connect(find, &QPushButton::clicked, this, doFind);
        connect(Search, &QLineEdit::returnPressed, this, doFind);
    }
    void ShowAt(const QString& File, const QString& Anchor, bool Finder)
    {
        const QUrl url = QUrl::fromLocalFile(File);
        if (Browser->source() != url) {
            // The file is HTML whatever its extension says; it is read only
            // when it is a regular file of a help file's size.
            if (const std::optional<QByteArray> Html = ReadRegularFile(File, HelpSizeCap))
                Browser->setHtml(QString::fromUtf8(*Html));
            Browser->setSource(QUrl()); // keep setHtml's content
        }
        if (Anchor.isEmpty())
            Browser->scrollToAnchor(QStringLiteral("contents"));
        else
            Browser->scrollToAnchor(Anchor);
        SearchRow->setVisible(Finder);
        show();
        raise();
        activateWindow();
        if (Finder)
            Search->setFocus();
        else
            Browser->setFocus(); // the keys scroll the text at once
    }
    QWidget* SearchRow;
    QLineEdit* Search;
    QTextBrowser* Browser;

protected:
    void keyPressEvent(QKeyEvent* E) override
    {
        // Closed from the keyboard as a dialog is: also where no window frame offers a close box.
        if (E->key() == Qt::Key_Escape && E->modifiers() == Qt::NoModifier)
            close();
        else
            QWidget::keyPressEvent(E);
    }
};

// A modal dialog blocks every window but its own: the help opened from one
// belongs to it, so that it can be read and closed while the dialog is open.
void BelongTo(THelpWindow& Window, QWidget* Owner)
{
    if (Window.parentWidget() == Owner)
        return;
    const QRect Place = Window.geometry();
    Window.setParent(Owner, Window.windowFlags() | Qt::Window);
    Window.setGeometry(Place);
}

} // namespace

HelpHandler SetHelpHandler(HelpHandler H)
{
    HelpHandler old = std::move(Handler());
    Handler() = std::move(H);
    return old;
}

bool WinHelp(const QString& File, unsigned Command, unsigned Data)
{
    if (Handler())
        return Handler()(File, Command, Data);
    if (File.isEmpty() || !QFile::exists(File))
        return false;
    static QPointer<THelpWindow> window;
    if (!window)
        window = new THelpWindow;
    BelongTo(*window, QApplication::activeModalWidget());
    window->ShowAt(File, Command == HELP_CONTEXT ? QStringLiteral("ctx%1").arg(Data) : QString(),
                   Command == HELP_FINDER);
    return true;
}

QString ApplicationHelpFile() { return HelpFile(); }
void SetApplicationHelpFile(const QString& File) { HelpFile() = File; }

int HelpContextOf(const QWidget* W)
{
    for (const QObject* o = W; o; o = o->parent()) {
        const QVariant v = o->property("helpContext");
        if (v.isValid() && v.toInt() != 0)
            return v.toInt();
    }
    return 0;
}

void SetHelpContext(QObject* Object, int Context) { Object->setProperty("helpContext", Context); }

} // namespace ostan
