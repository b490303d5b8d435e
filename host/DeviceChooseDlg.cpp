#include "DeviceChooseDlg.h"

#include "ButtonFace.h"
#include "Guard.h"
#include "Image.h"
#include "MessageBox.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace ostan {

namespace {

const QColor SkyBlue(166, 202, 240);
const QColor MoneyGreen(192, 220, 192);
// The description under the list, from 214 to 8 pixels above the foot.
constexpr int DescriptionHeight = 331 - 214 - 8;

QFrame* MakePanel(QWidget* Parent, const char* Name, const QColor& Color, const QRect& Geometry, TImage*& Image,
                  const char* ImageName)
{
    auto* Panel = new QFrame(Parent);
    Panel->setObjectName(QString::fromLatin1(Name));
    Panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel->setAutoFillBackground(true);
    QPalette P = Panel->palette();
    P.setColor(QPalette::Window, Color);
    Panel->setPalette(P);
    Panel->setGeometry(Geometry);
    Image = new TImage(Panel);
    Image->Stretch = Image->Proportional = Image->Center = true;
    Image->setObjectName(QString::fromLatin1(ImageName));
    auto* Fill = new QVBoxLayout(Panel);
    Fill->setContentsMargins(2, 2, 2, 2);
    Fill->addWidget(Image);
    return Panel;
}

} // namespace

TDeviceChooseDialog::TDeviceChooseDialog(QWidget* Parent, const QString& ProgramFolder) : QDialog(Parent)
{
    setObjectName(QStringLiteral("DeviceChooseDialog"));
    setWindowTitle(QStringLiteral("Выбор прибора"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(500, 331);

    auto label = [this](const char* Text, int X) {
        auto* L = new QLabel(QString::fromUtf8(Text), this);
        L->move(X, 6);
        return L;
    };
    Label1 = label("Доступные модули", 8);
    Label2 = label("Внешний вид прибора", 170);
    Label3 = label("Подключение к адаптеру", 332);

    DeviceListBox = new QListWidget(this);
    DeviceListBox->setObjectName(QStringLiteral("DeviceListBox"));
    DeviceListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    DeviceListBox->setGeometry(8, 24, 152, 185);
    DeviceListBox->viewport()->installEventFilter(this);
    DeviceListBox->installEventFilter(this);
    // A click, and a move of the selection by keyboard.
    connect(DeviceListBox, &QListWidget::itemClicked, this, [this] { DeviceListBoxClick(); });
    connect(DeviceListBox, &QListWidget::itemSelectionChanged, this, [this] { DeviceListBoxClick(); });

    FullDescriptionMemo = new QPlainTextEdit(this);
    FullDescriptionMemo->setObjectName(QStringLiteral("FullDescriptionMemo"));
    FullDescriptionMemo->setReadOnly(true);
    FullDescriptionMemo->setFrameStyle(QFrame::NoFrame);
    QPalette MemoPalette = FullDescriptionMemo->palette();
    MemoPalette.setColor(QPalette::Base, ButtonFace(MemoPalette));
    FullDescriptionMemo->setPalette(MemoPalette);
    // Down to the dialog's foot (the buttons stand right of it): the longest
    // description shows whole.
    FullDescriptionMemo->setGeometry(8, 214, 152, DescriptionHeight);

    ImagePanel = MakePanel(this, "ImagePanel", SkyBlue, QRect(170, 24, 152, 252), DeviceImage, "DeviceImage");
    ConnectionPanel1 =
        MakePanel(this, "ConnectionPanel1", MoneyGreen, QRect(332, 24, 152, 252), ConnectionImage1, "ConnectionImage1");

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(328, 294, 75, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    CancelBtn = new QPushButton(QStringLiteral("Отмена"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(409, 294, 75, 25);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    // An error of the creation handler goes to the exception handler; the
    // dialog itself is made all the same.
    Guarded([&] { FormCreate(ProgramFolder); });
}

TDeviceChooseDialog::~TDeviceChooseDialog() = default; // FormDestroy: the scan goes with the dialog

void TDeviceChooseDialog::FormCreate(const QString& ProgramFolder)
{
    DeviceListBox->clear();
    PluginScan = std::make_unique<TPluginScan>(QStringLiteral("Plugins"), ProgramFolder);
    PluginScan->Scan();
    for (const auto& Info : PluginScan->Modules)
        AddToList(Info.get());
    FitListToCaptions();
}

void TDeviceChooseDialog::FitListToCaptions()
{
    // A caption wider than the list widens the list and its description, and
    // moves the pictures and buttons to the right: no caption is cut.
    constexpr int ListWidth = 152;
    QListWidget* L = DeviceListBox;
    L->ensurePolished();
    int Needed = L->sizeHintForColumn(0) + 2 * L->frameWidth() + 4;
    if (L->count() * L->sizeHintForRow(0) > 185 - 2 * L->frameWidth())
        Needed += L->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, L);
    const int D = std::max(0, Needed - ListWidth);
    L->setGeometry(8, 24, ListWidth + D, 185);
    FullDescriptionMemo->setGeometry(8, 214, ListWidth + D, DescriptionHeight);
    Label2->move(170 + D, 6);
    Label3->move(332 + D, 6);
    ImagePanel->move(170 + D, 24);
    ConnectionPanel1->move(332 + D, 24);
    OKBtn->move(328 + D, 294);
    CancelBtn->move(409 + D, 294);
    setFixedSize(500 + D, 331);
}

void TDeviceChooseDialog::AddToList(TDLLInfo* Info)
{
    // Sorted by caption, ignoring case; an equal caption goes after its equals.
    int Row = 0;
    while (Row < DeviceListBox->count()
           && QString::compare(DeviceListBox->item(Row)->text(), Info->Caption, Qt::CaseInsensitive) <= 0)
        ++Row;
    auto* Item = new QListWidgetItem(Info->Caption);
    Item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void*>(Info)));
    DeviceListBox->insertItem(Row, Item);
}

TDLLInfo* TDeviceChooseDialog::EntryOf(const QListWidgetItem* Item)
{
    return Item ? static_cast<TDLLInfo*>(Item->data(Qt::UserRole).value<void*>()) : nullptr;
}

QListWidgetItem* TDeviceChooseDialog::SelectedItem() const
{
    const QList<QListWidgetItem*> Items = DeviceListBox->selectedItems();
    return Items.isEmpty() ? nullptr : Items.front();
}

void TDeviceChooseDialog::ShowSelected()
{
    const TDLLInfo* Info = EntryOf(SelectedItem());
    if (!Info)
        return;
    SelectedModule = Info->ModuleName;
    FullDescriptionMemo->setPlainText(Info->HasError ? Info->Description + QLatin1Char('\n') + Info->ErrorString
                                                     : Info->Description);
    DeviceImage->SetPicture(Info->DevicePicture.get());
    DeviceImage->setVisible(Info->DevicePicture != nullptr);
    const TPicture* Connection =
        BLSPinCount == 5 ? Info->ConnectionPictureBLS5.get() : Info->ConnectionPictureBLS4.get();
    ConnectionImage1->SetPicture(Connection);
    ConnectionImage1->setVisible(Connection != nullptr);
}

bool TDeviceChooseDialog::SelectByModuleName(const QString& ModuleName)
{
    if (!PluginScan)
        return false;
    TDLLInfo* Found = nullptr;
    for (const auto& Info : PluginScan->Modules) {
        if (Info->ModuleName == ModuleName) {
            Found = Info.get();
            break;
        }
    }
    if (!Found)
        return false;
    // The item of that very entry, so that SelectedModule names the library
    // found even when another one has the same caption.
    const QSignalBlocker Quiet(DeviceListBox);
    for (int Row = 0; Row < DeviceListBox->count(); ++Row) {
        QListWidgetItem* Item = DeviceListBox->item(Row);
        if (EntryOf(Item) == Found) {
            DeviceListBox->setCurrentItem(Item);
            SelectedModule = Found->ModuleName;
            return true;
        }
    }
    DeviceListBox->clearSelection();
    DeviceListBox->setCurrentRow(-1);
    return false;
}

void TDeviceChooseDialog::DeviceListBoxClick() { ShowSelected(); }

void TDeviceChooseDialog::DeviceListBoxDblClick() { OKBtn->click(); }

int TDeviceChooseDialog::exec()
{
    if (ApplicationTerminated())
        return QDialog::Rejected; // the program is ending: a dialog closes at once as cancelled
    return QDialog::exec();
}

void TDeviceChooseDialog::done(int Result)
{
    if (Result == QDialog::Accepted && !SelectedItem()) {
        ShowMessageBox(MsgType::Error, QStringLiteral("Необходимо выбрать прибор."));
        return;
    }
    QDialog::done(Result);
}

void TDeviceChooseDialog::showEvent(QShowEvent* E)
{
    QDialog::showEvent(E);
    if (!E->spontaneous())
        ShowSelected();
}

bool TDeviceChooseDialog::MoveSelectionByKey(int Key)
{
    const int Count = DeviceListBox->count();
    // The current item alone is only the focus frame: with nothing selected
    // the first key selects from the top.
    const int Current = SelectedItem() ? DeviceListBox->currentRow() : -1;
    int Row;
    switch (Key) {
    case Qt::Key_Home: Row = 0; break;
    case Qt::Key_End: Row = Count - 1; break;
    case Qt::Key_Down: Row = Current < 0 ? 0 : std::min(Current + 1, Count - 1); break;
    case Qt::Key_Up: Row = Current < 0 ? 0 : std::max(Current - 1, 0); break;
    default: return false;
    }
    // The view's own handling moves only the current item: with nothing
    // selected yet, a key that stays on it (one entry, Up on the first)
    // would select nothing.
    if (Count > 0)
        DeviceListBox->setCurrentRow(Row, QItemSelectionModel::ClearAndSelect);
    return true;
}

bool TDeviceChooseDialog::eventFilter(QObject* Watched, QEvent* E)
{
    if (Watched == DeviceListBox && E->type() == QEvent::KeyPress) {
        const auto* Key = static_cast<QKeyEvent*>(E);
        if ((Key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && MoveSelectionByKey(Key->key()))
            return true;
    }
    if (Watched == DeviceListBox->viewport() && E->type() == QEvent::MouseButtonDblClick) {
        DeviceListBoxDblClick();
        return true;
    }
    return QDialog::eventFilter(Watched, E);
}

} // namespace ostan
