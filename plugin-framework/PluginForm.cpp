#include "PluginForm.h"

#include "Beep.h"
#include "ButtonFace.h"
#include "CommonInterfacesImp.h"
#include "Image.h"
#include "NumSpin.h"
#include "PaintPacer.h"
#include "SpinButton.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>
#include <stdexcept>

namespace ostan {

// ---------------------------------------------------------------- flags

TFlagLabels::TFlagLabels(QWidget* Form, std::span<const TFlagDef> Table) : Table(Table)
{
    for (const TFlagDef& F : Table) {
        auto* L = Form->findChild<QLabel*>(QLatin1String(F.Label));
        if (!L)
            throw std::logic_error(std::string("the form has no flag label ") + F.Label);
        // Off until the first packet; the accessibility check finds the
        // flags by this mark.
        ShowFlag(0, 1, L, QColor::fromRgba(F.Color));
        L->setProperty("flag", true);
        Labels.push_back(L);
    }
}

void TFlagLabels::Show(uint8_t Value) const
{
    for (size_t i = 0; i < Labels.size(); ++i)
        ShowFlag(Value, Table[i].Mask, Labels[i], QColor::fromRgba(Table[i].Color));
}

// ---------------------------------------------------------------- the form

TPluginForm::TPluginForm(QWidget* Parent) : QWidget(Parent)
{
    setObjectName(QStringLiteral("Form1"));
    setFont(PanelFont());
    QPalette P = palette();
    P.setColor(QPalette::Window, ButtonFace(this));
    setPalette(P);
    setAutoFillBackground(true);
}

TPluginForm::~TPluginForm() = default;

QFont TPluginForm::PanelFont()
{
    QFont F(QStringLiteral("Sans Serif"));
    F.setStyleHint(QFont::SansSerif);
    F.setPixelSize(11);
    // Value fields take a new text with every packet: laying out Latin and
    // Cyrillic text needs no shaping, which would cost most of that.
    F.setStyleStrategy(QFont::PreferNoShaping);
    return F;
}

bool TPluginForm::CheckPacket()
{
    if (!PluginPacket || PluginPacket->InLen() < 2)
        return false;
    uint8_t X = 0;
    for (int i = 2; i <= PluginPacket->InLen(); ++i)
        X ^= PluginPacket->GetIn(i);
    return X == 0;
}

QString TPluginForm::GetColumnCaption(int Index)
{
    if (Index == 0)
        return QStringLiteral("Дата, время");
    if (Index >= 1 && static_cast<size_t>(Index) <= FColumns.size())
        return QString::fromUtf8(FColumns[static_cast<size_t>(Index) - 1].Caption);
    return {};
}

QString TPluginForm::GetColumnValue(int Index)
{
    if (Index == 0)
        return DateTimeText(QDateTime::currentDateTime());
    if (Index >= 1 && static_cast<size_t>(Index) <= FColumns.size())
        return FShown.Text(Component<QLineEdit>(FColumns[static_cast<size_t>(Index) - 1].Component));
    return {};
}

QWidget* TPluginForm::RequireChild(const char* Name, const QMetaObject* Type) const
{
    QObject* Found = findChild<QObject*>(QLatin1String(Name));
    if (!Found || !Found->isWidgetType() || !Type->cast(Found))
        throw std::logic_error(std::string("the form has no ") + Type->className() + " named " + Name);
    return static_cast<QWidget*>(Found);
}

void TPluginForm::FinishForm(const char* Library)
{
    // The form's minimum size may exceed its client area, which the form
    // then states as "clientSize": anchored widgets keep their distances to
    // the edges of that area.
    DesignSize = property("clientSize").toSize();
    if (DesignSize.isEmpty())
        DesignSize = size();
    for (QLineEdit* E : findChildren<QLineEdit*>())
        if (E->isReadOnly() && !qobject_cast<TNumEdit*>(E) && !E->property("plainField").toBool())
            SetValueFieldLook(E);

    for (TImage* I : findChildren<TImage*>()) {
        const QString Path = QStringLiteral(":/%1/%2.jpg").arg(QLatin1String(Library), I->objectName());
        if (QFile::exists(Path))
            I->LoadFromJpegFile(Path);
        static const QStringList Hidden{QStringLiteral("MainImage"), QStringLiteral("ConnectionBLD4"),
                                        QStringLiteral("ConnectionBLD5")};
        if (Hidden.contains(I->objectName()))
            I->hide();
    }

    for (QWidget* W : findChildren<QWidget*>())
        GrowToFit(W, TextFitWidth(W));
    for (QWidget* W : findChildren<QWidget*>()) {
        const QString Anchors = W->property("anchors").toString();
        if (!Anchors.isEmpty())
            Anchored.push_back({W, W->geometry(), Anchors.contains(QLatin1String("left")),
                                Anchors.contains(QLatin1String("top")), Anchors.contains(QLatin1String("right")),
                                Anchors.contains(QLatin1String("bottom"))});
    }
    PlaceComponents();
}

void TPluginForm::GrowToFit(QWidget* W, int Width)
{
    if (Width <= W->width())
        return;
    // Grows away from the edge it keeps to.
    const QString Anchors = W->property("anchors").toString();
    const bool KeepsRight = Anchors.contains(QLatin1String("right")) && !Anchors.contains(QLatin1String("left"));
    QRect G = W->geometry();
    if (KeepsRight)
        G.setLeft(G.right() + 1 - Width);
    else
        G.setWidth(Width);
    W->setGeometry(G);
    // A container (a group box) grows with what it holds.
    QWidget* Parent = W->parentWidget();
    if (Parent && Parent != this && G.right() + 4 > Parent->width())
        GrowToFit(Parent, G.right() + 5);
}

void TPluginForm::HoldPainting()
{
    // The window the panel lives in changes when the program puts it into
    // its placeholder.
    if (PacedWindow != window()) {
        PacedWindow = window();
        TPaintPacer::Instance().Pace(this);
        FShown.Pace();
    }
}

void TPluginForm::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    PlaceComponents();
}

void TPluginForm::PlaceComponents()
{
    if (DesignSize.isEmpty())
        return;
    const int Dx = width() - DesignSize.width();
    const int Dy = height() - DesignSize.height();
    for (const TAnchored& A : Anchored) {
        QRect G = A.Design;
        if (A.Right) {
            if (A.Left)
                G.setWidth(std::max(0, G.width() + Dx));
            else
                G.moveLeft(G.left() + Dx);
        }
        if (A.Bottom) {
            if (A.Top)
                G.setHeight(std::max(0, G.height() + Dy));
            else
                G.moveTop(G.top() + Dy);
        }
        A.Widget->setGeometry(G);
    }
}

void TPluginForm::SetColumns(std::span<const TColumnDef> Table)
{
    for (const TColumnDef& C : Table)
        Component<QLineEdit>(C.Component);
    FColumns = Table;
}

void TPluginForm::SetSpins(std::span<const TSpinDef> Table)
{
    for (const TSpinDef& S : Table) {
        auto* Spin = Component<TNumSpin>(S.Spin);
        Spin->SetDecimals(S.Decimals);
        // The maximum first: a minimum above the present maximum is refused.
        Spin->SetMaxValue(S.MaxValue);
        Spin->SetMinValue(S.MinValue);
        Spin->SetValue(S.Value);
        Spin->SetIncrement(S.Increment);
    }
}

void TPluginForm::SetCommands(std::span<const TCommandDef> Table)
{
    FCommands = Table;
    QStringList Connected;
    for (const TCommandDef& C : Table) {
        auto* B = Component<QAbstractButton>(C.Button);
        if (C.Spin)
            Component<TNumEdit>(C.Spin);
        if (Connected.contains(QLatin1String(C.Button)))
            continue;
        Connected << QLatin1String(C.Button);
        const char* Name = C.Button;
        connect(B, &QAbstractButton::clicked, this, [this, Name] { SendCommands(Name); });
    }
}

void TPluginForm::SendCommands(const char* Button)
{
    for (const TCommandDef& C : FCommands)
        if (qstrcmp(C.Button, Button) == 0)
            SendCommand(C);
}

bool TPluginForm::SendCommand(const TCommandDef& Command)
{
    if (!PluginPacket)
        return false;
    uint8_t Argument = Command.Argument;
    if (Command.Spin) {
        const auto* Spin = Component<TNumEdit>(Command.Spin);
        if (Spin->text().trimmed().isEmpty()) {
            // A calibration value the user does not see is never sent.
            MessageBeep(0);
            return false;
        }
        // As leaving the field would clamp it.
        double V = static_cast<double>(Spin->Value());
        if (Spin->MinValue() != 0 || Spin->MaxValue() != 0)
            V = std::clamp(V, static_cast<double>(Spin->MinValue()), static_cast<double>(Spin->MaxValue()));
        Argument = SpinArgument(V, Command.Scale);
    }
    SendRecord(Command.Operation, Argument);
    return true;
}

void TPluginForm::SendRecord(uint8_t Operation, uint8_t Argument)
{
    PluginPacket->Send({Operation, Argument, 0});
}

// ---------------------------------------------------------------- helpers

QString DateTimeText(const QDateTime& Moment)
{
    return Moment.toString(QStringLiteral("dd.MM.yyyy H:mm:ss"));
}

void SetValueFieldLook(QLineEdit* Edit)
{
    Edit->setReadOnly(true);
    Edit->setFocusPolicy(Qt::ClickFocus);
    QPalette P = Edit->palette();
    P.setColor(QPalette::Base, ButtonFace(Edit));
    Edit->setPalette(P);
}

TShownState* ShownStateOf(QWidget* W)
{
    for (; W; W = W->parentWidget())
        if (auto* Form = qobject_cast<TPluginForm*>(W))
            return &Form->Shown();
    return nullptr;
}

void ShowText(QLineEdit* Edit, const QString& Text)
{
    if (TShownState* S = ShownStateOf(Edit))
        S->SetText(Edit, Text);
    else
        PutText(Edit, Text);
}

void ShowText(QLabel* Label, const QString& Text)
{
    if (TShownState* S = ShownStateOf(Label))
        S->SetText(Label, Text);
    else
        PutText(Label, Text);
}

void ShowBase(QLineEdit* Edit, const QColor& Paint)
{
    if (TShownState* S = ShownStateOf(Edit))
        S->SetBase(Edit, Paint);
    else
        PutBase(Edit, Paint);
}

void ShowValue(QProgressBar* Bar, int Value)
{
    if (TShownState* S = ShownStateOf(Bar))
        S->SetValue(Bar, Value);
    else
        PutValue(Bar, Value);
}

QString ShownText(QLineEdit* Edit)
{
    const TShownState* S = ShownStateOf(Edit);
    return S ? S->Text(Edit) : Edit->text();
}

QString ShownText(QLabel* Label)
{
    const TShownState* S = ShownStateOf(Label);
    return S ? S->Text(Label) : Label->text();
}

int TextFitWidth(const QWidget* W)
{
    const QFontMetrics M = W->fontMetrics();
    if (const auto* L = qobject_cast<const QLabel*>(W)) {
        if (L->wordWrap() || L->text().isEmpty() || L->textFormat() == Qt::RichText)
            return 0;
        // A text that just fits touches what stands beside it.
        constexpr int Spare = 2;
        return L->sizeHint().width() + Spare;
    }
    if (const auto* B = qobject_cast<const QPushButton*>(W)) {
        if (B->text().isEmpty())
            return 0;
        QStyleOptionButton O;
        O.initFrom(B);
        int Contents = M.size(Qt::TextShowMnemonic, B->text()).width();
        if (!B->icon().isNull())
            Contents += B->iconSize().width() + 4;
        const QStyle* S = B->style();
        return Contents + S->pixelMetric(QStyle::PM_ButtonMargin, &O, B) +
               2 * S->pixelMetric(QStyle::PM_DefaultFrameWidth, &O, B) + 2;
    }
    if (qobject_cast<const QCheckBox*>(W) || qobject_cast<const QRadioButton*>(W)) {
        const auto* B = static_cast<const QAbstractButton*>(W);
        return B->text().isEmpty() ? 0 : B->sizeHint().width();
    }
    if (const auto* G = qobject_cast<const QGroupBox*>(W)) {
        if (G->title().isEmpty())
            return 0;
        return M.horizontalAdvance(G->title()) + 20;
    }
    if (const auto* E = qobject_cast<const QLineEdit*>(W)) {
        if (E->text().isEmpty())
            return 0;
        const QMargins T = E->textMargins();
        const auto* Spin = qobject_cast<const TNumSpin*>(E);
        const int Button = Spin && Spin->SpinButton() ? Spin->SpinButton()->width() : 0;
        return M.horizontalAdvance(E->text()) + T.left() + std::max(T.right(), Button) + 8 + (E->hasFrame() ? 4 : 0);
    }
    return 0;
}

} // namespace ostan
