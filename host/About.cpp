#include "About.h"

#include "CentreOnScreen.h"
#include "ProgramMark.h"
#include "Version.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace ostan {

namespace {

// The program's picture: the adapter as a teal box with a signal trace and
// the program's name, drawn rather than loaded.
class TProgramIcon : public QWidget {
public:
    explicit TProgramIcon(QWidget* Parent) : QWidget(Parent)
    {
        setAttribute(Qt::WA_TranslucentBackground);
        setFixedSize(265, 50);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor teal = ProgramMarkColour;
        const QRectF box(4, 6, 72, 38);
        DrawProgramMark(p, box.adjusted(-1, -1, 1, 1)); // with its border
        p.setPen(QPen(teal.darker(130), 3));
        p.drawLine(QPointF(box.right(), box.center().y()), QPointF(box.right() + 16, box.center().y()));
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(30);
        f.setBold(true);
        f.setItalic(true);
        p.setFont(f);
        p.setPen(teal);
        p.drawText(QRectF(box.right() + 22, 0, width() - box.right() - 22, height()), Qt::AlignVCenter | Qt::AlignLeft,
                   QStringLiteral("OSTAN"));
    }
};

} // namespace

TAboutBox::TAboutBox(QWidget* Owner)
    : QDialog(Owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                         | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("О программе"));
    setFixedSize(298, 218);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    ProgramIcon = new TProgramIcon(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));

    Comments = new QLabel(QStringLiteral("Программа управления\nтехнологическим адаптером\nдля ремонта и настройки приборов"),
                          Panel1);
    Comments->setObjectName(QStringLiteral("Comments"));
    Comments->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = Comments->font();
    bold.setBold(true);
    Comments->setFont(bold);

    Version = new QLabel(QStringLiteral("Информация о версии не найдена"), Panel1);
    Version->setObjectName(QStringLiteral("Version"));
    Copyright = new QLabel(QStringLiteral("Информация о разработчике не найдена"), Panel1);
    Copyright->setObjectName(QStringLiteral("Copyright"));

    auto* inner = new QVBoxLayout(Panel1);
    inner->setContentsMargins(8, 8, 8, 8);
    inner->addWidget(ProgramIcon, 0, Qt::AlignHCenter);
    for (QLabel* l : {Comments, Version, Copyright}) {
        l->setAlignment(Qt::AlignCenter);
        inner->addWidget(l);
    }

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(Panel1, 1);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    OKButton->setFocus();

    // FormCreate
    const TVersion version;
    const QString text = version.GetVersionText();
    if (!text.isEmpty())
        Version->setText(text);
    if (version.VersionFound)
        Copyright->setText(version.GetLegalText());

    CentreOnPrimaryScreen(*this);
}

int TAboutBox::Execute(QWidget* Owner)
{
    TAboutBox box(Owner);
    return box.exec();
}

} // namespace ostan
