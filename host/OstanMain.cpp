#include "OstanMain.h"

#include "About.h"
#include "Beep.h"
#include "ButtonFace.h"
#include "PaintPacer.h"
#include "Debug.h"
#include "DeviceChooseDlg.h"
#include "EditActions.h"
#include "ExcelWork.h"
#include "Guard.h"
#include "Help.h"
#include "MainImages.h"
#include "MessageBox.h"
#include "Options.h"
#include "ProgramFiles.h"
#include "Startup.h"
#include "VaComm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

namespace ostan {

namespace {

const QColor Lime(0, 255, 0);
const QColor Yellow(255, 255, 0);
const QColor Red(255, 0, 0);

} // namespace

struct TMainForm::TActionDef {
    QAction* TMainForm::*Field;
    const char* Name;
    const char* Caption;
    const char* Category;
    const char* Shortcut;
    int Image;
    int HelpContext;
    bool Check;
    const char* Hint; // "short|long"
};

const TMainForm::TActionDef TMainForm::ActionDefs[] = {
    {&TMainForm::FileOpen1, "FileOpen1", "&Открыть", "Файл", "Ctrl+O", 7, 20, false,
     "Открыть|Открытие файла"},
    {&TMainForm::FileSave1, "FileSave1", "&Сохранить", "Файл", "Ctrl+S", 8, 30, false,
     "Сохранить|Сохранение данных прибора в файле"},
    {&TMainForm::FileExit1, "FileExit1", "В&ыход", "Файл", "", -1, 0, false,
     "Выход|Выход из программы"},
    {&TMainForm::EditCut1, "EditCut1", "&Вырезать", "Правка", "Ctrl+X", 0, 17, false,
     "Вырезать|Удаление выделенного фрагмента в буфер обмена"},
    {&TMainForm::EditCopy1, "EditCopy1", "&Копировать", "Правка", "Ctrl+C", 1, 17, false,
     "Копировать|Копирование выделенного фрагмента в буфер обмена"},
    {&TMainForm::EditPaste1, "EditPaste1", "Вст&авить", "Правка", "Ctrl+V", 2, 17, false,
     "Вставить|Вставка фрагмента из буфера обмена в текущую позицию"},
    {&TMainForm::AutoDetectDevice, "AutoDetectDevice", "&Поиск адаптера", "Управление", "",
     12, 15, true, "Автоопределение|Сканирование портов для поиска подключенного адаптера"},
    {&TMainForm::AdpReset, "AdpReset", "&Сброс адаптера", "Управление", "", 18, 11, true,
     "Аппаратный сброс адаптера|Повторная инициализация адаптера"},
    {&TMainForm::KZReset, "KZReset", "Сброс &КЗ", "Управление", "", -1, 19, false,
     "Сброс КЗ ПИП'а|Попытка включения ПИП'а после снятия состояния КЗ"},
    {&TMainForm::DebugMode, "DebugMode", "Режим отладки", "Управление", "", 20, 45, false,
     "Отладка|В режиме отладки отображаются данные адаптера"},
    {&TMainForm::SoundOnOff, "SoundOnOff", "&Звук", "Управление", "Ctrl+P", 15, 12, true,
     "Звук вкл./выкл.|Включение либо отключение звукового подтверждения принятых данных"},
    {&TMainForm::SelectPlugin, "SelectPlugin", "&Выбор прибора", "Управление", "Ctrl+D",
     21, 24, false, "Выбор прибора|Выбор подключенного к адаптеру прибора"},
    {&TMainForm::AutoSelectPlugin, "AutoSelectPlugin", "&Автовыбор прибора", "Управление",
     "", -1, 26, true,
     "Автовыбор прибора вкл./выкл.|Режим автоматического определения типа подключенного прибора."},
    {&TMainForm::Options, "Options", "&Настройка", "Управление", "", -1, 0, false,
     "Настройка программы|Настройка параметров программы"},
    {&TMainForm::Help, "Help", "Помощь", "Справка", "", 19, 0, false, ""},
    {&TMainForm::FirmwareVersion, "FirmwareVersion", "Версия прошивки", "Справка", "", -1,
     0, false, ""},
    {&TMainForm::AboutBox1, "AboutBox1", "&О программе", "Справка", "", 11, 0, false,
     "О программе|Информация о версии программы"},
};

namespace {

struct IndicatorDef { const char* Name; const char* Caption; };
const IndicatorDef IndicatorDefs[IndicatorCount] = {
    {"Label6", "  DEV  "}, {"Label5", "  ПИП  "},          {"Label9", "  Прием  "},
    {"Label2", " Ошибка данных "}, {"labKZ", "  КЗ ПИП'а  "}, {"Label7", " Переполн. буф."},
};

QColor ColorOf(IndicatorColor C, const QPalette& P)
{
    switch (C) {
    case IndicatorColor::Lime: return Lime;
    case IndicatorColor::Yellow: return Yellow;
    case IndicatorColor::Red: return Red;
    case IndicatorColor::ButtonFace: break;
    }
    return ButtonFace(P);
}

// Runs a handler on every resize of the watched widget.
class TResizeWatcher : public QObject {
public:
    TResizeWatcher(QWidget* Watched, std::function<void()> OnResize)
        : QObject(Watched), Handler(std::move(OnResize))
    {
        Watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* E) override
    {
        if (E->type() == QEvent::Resize)
            Handler();
        return false;
    }

private:
    std::function<void()> Handler;
};

} // namespace

TMainForm::TMainForm(const TAdapterWaits& Waits, QWidget* Parent)
    : QMainWindow(Parent), VaComm1(new TVaComm(this)), DeviceActiveTimer(Waits.SupervisionMs),
      Link(*VaComm1, DeviceActiveTimer, *this), Adapter(*this, Waits)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Ostan"));
    resize(DesignSize);
    setMinimumSize(DesignSize);
    QFont f(QStringLiteral("Times New Roman"));
    f.setPixelSize(13);
    setFont(f);
    SetHelpContext(this, 10);
    setEnabled(false); // the start-up sequence enables it

    VaComm1->setObjectName(QStringLiteral("VaComm1"));
    VaComm1->SetBaudrate(br115200);
    connect(VaComm1, &TVaComm::OnRxChar, this, &TMainForm::VaComm1RxChar);
    connect(VaComm1, &TVaComm::OnHangUp, this, [this] { Guarded([this] { Link.PortHungUp(); }); });

    TPaintPacer::Instance().Pace(this);

    Images = DrawImageList1();
    CreateActions();
    CreateMenusAndToolBar();
    CreateAdapterStatus();
    PlugInPlaceholder = new QFrame(this);
    PlugInPlaceholder->setObjectName(QStringLiteral("PlugInPlaceholder"));
    PlugInPlaceholder->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    SetHelpContext(PlugInPlaceholder, 10);
    new TResizeWatcher(PlugInPlaceholder, [this] { Guarded([this] { PlugInPlaceholderResize(); }); });
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(AdapterStatus);
    row->addWidget(PlugInPlaceholder, 1);
    setCentralWidget(central);
    CreateStatusBar();

    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    qApp->installEventFilter(this); // key preview: F1 anywhere

    // FormCreate
    SetAppExceptionHandler([this](std::exception_ptr e) { AppException(e); });
    SetApplicationHelpFile(ProgramHelpFile());
    OpenDialog1 = CreateWorkbookDialog(this, false);
    SaveDialog1 = CreateWorkbookDialog(this, true);
    ExcelAvailable = IsExcelInstalled();
    FileOpen1->setEnabled(ExcelAvailable);
    FileSave1->setEnabled(false);
    Link.UpdateLinkState();
    ShowLinkView();
}

TMainForm::~TMainForm()
{
    // The plug-in's panel lives inside PlugInPlaceholder: the plug-in goes first.
    Link.ReleaseRxPacket();
    CurrentPlugin = nullptr;
    qApp->removeEventFilter(this);
    SetAppExceptionHandler({});
    DebugForm.reset();
}

QIcon TMainForm::ImageList1(int Index) const
{
    return Index >= 0 && Index < int(Images.size()) ? Images[size_t(Index)] : QIcon();
}

void TMainForm::CreateActions()
{
    for (const auto& d : ActionDefs) {
        auto* a = new QAction(QString::fromUtf8(d.Caption), this);
        a->setObjectName(QString::fromUtf8(d.Name));
        a->setProperty("category", QString::fromUtf8(d.Category));
        if (*d.Shortcut)
            a->setShortcut(QKeySequence(QString::fromLatin1(d.Shortcut)));
        if (d.Image >= 0)
            a->setIcon(ImageList1(d.Image));
        a->setProperty("imageIndex", d.Image);
        if (d.HelpContext)
            SetHelpContext(a, d.HelpContext);
        a->setCheckable(d.Check);
        const QString hint = QString::fromUtf8(d.Hint);
        if (!hint.isEmpty()) {
            a->setToolTip(hint.section(QLatin1Char('|'), 0, 0));
            a->setStatusTip(hint.section(QLatin1Char('|'), 1));
        }
        this->*d.Field = a;
        addAction(a);
    }
    auto bind = [this](QAction* a, void (TMainForm::*h)()) {
        connect(a, &QAction::triggered, this, [this, h] { Guarded([&] { (this->*h)(); }); });
    };
    bind(AutoDetectDevice, &TMainForm::AutoDetectDeviceExecute);
    bind(AdpReset, &TMainForm::AdpResetExecute);
    bind(KZReset, &TMainForm::KZResetExecute);
    bind(FirmwareVersion, &TMainForm::FirmwareVersionExecute);
    bind(SoundOnOff, &TMainForm::SoundOnOffExecute);
    bind(Options, &TMainForm::OptionsExecute);
    bind(Help, &TMainForm::HelpExecute);
    bind(FileExit1, &TMainForm::FileExit1Execute);
    bind(DebugMode, &TMainForm::DebugModeExecute);
    bind(AboutBox1, &TMainForm::AboutBox1Execute);
    bind(SelectPlugin, &TMainForm::SelectPluginExecute);
    bind(FileOpen1, &TMainForm::FileOpen1Execute);
    bind(FileSave1, &TMainForm::FileSave1Execute);

    EditActions = new TEditActions(EditCut1, EditCopy1, EditPaste1, this);
}

void TMainForm::CreateMenusAndToolBar()
{
    struct MenuDef { const char* Title; const char* Hint; std::vector<QAction*> Items; };
    const MenuDef menus[] = {
        {"&Файл", "Команды управления файлами", {FileOpen1, FileSave1, nullptr, FileExit1}},
        {"&Правка", "Команды правки", {EditCut1, EditCopy1, EditPaste1}},
        {"&Управление", "Управление программой",
         {AutoDetectDevice, AdpReset, KZReset, DebugMode, SoundOnOff, SelectPlugin, nullptr, Options}},
        {"&Справка", "Помощь", {Help, FirmwareVersion, AboutBox1}},
    };
    for (const auto& m : menus) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(m.Title));
        menu->menuAction()->setStatusTip(QString::fromUtf8(m.Hint));
        menu->setToolTipsVisible(false);
        for (QAction* a : m.Items) {
            if (a)
                menu->addAction(a);
            else
                menu->addSeparator();
        }
        menu->installEventFilter(this);
        connect(menu, &QMenu::aboutToShow, EditActions, &TEditActions::Update);
    }

    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    for (QAction* a : {FileOpen1, FileSave1, (QAction*)nullptr, AutoDetectDevice, AdpReset, (QAction*)nullptr,
                       DebugMode, (QAction*)nullptr, SoundOnOff, SelectPlugin}) {
        if (a)
            ToolBar1->addAction(a);
        else
            ToolBar1->addSeparator();
    }
    if (auto* b = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(AutoDetectDevice)))
        b->setObjectName(QStringLiteral("ToolButton8"));
    if (auto* b = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(AdpReset)))
        b->setObjectName(QStringLiteral("ToolButton11"));
}

void TMainForm::CreateStatusBar()
{
    QStatusBar* sb = statusBar();
    sb->setObjectName(QStringLiteral("StatusBar"));
    sb->setSizeGripEnabled(false);
    const int widths[3] = {400, 105, 50};
    for (int i = 0; i < 3; ++i) {
        StatusPanels[i] = new QLabel(sb);
        StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
        StatusPanels[i]->setFixedWidth(widths[i]);
        if (i != 1)
            StatusPanels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        sb->addWidget(StatusPanels[i], i == 2 ? 1 : 0);
    }
    StatusPanels[2]->setMinimumWidth(50);
    StatusPanels[2]->setMaximumWidth(QWIDGETSIZE_MAX);
    StatusPanels[2]->setText(QStringLiteral("Нет связи"));
    ProgressBar2 = new QProgressBar(StatusPanels[1]);
    ProgressBar2->setObjectName(QStringLiteral("ProgressBar2"));
    ProgressBar2->setRange(0, 10);
    ProgressBar2->setTextVisible(false);
    ProgressBar2->setGeometry(1, 2, widths[1] - 2, 17);
}

void TMainForm::CreateAdapterStatus()
{
    AdapterStatus = new QFrame(this);
    AdapterStatus->setObjectName(QStringLiteral("AdapterStatus"));
    AdapterStatus->setFixedWidth(97);
    auto* v = new QVBoxLayout(AdapterStatus);
    v->setContentsMargins(0, 4, 0, 0); // the whole width for the captions
    v->setSpacing(3);
    for (int i = 0; i < IndicatorCount; ++i) {
        auto* l = new QLabel(QString::fromUtf8(IndicatorDefs[i].Caption), AdapterStatus);
        l->setObjectName(QString::fromUtf8(IndicatorDefs[i].Name));
        l->setAutoFillBackground(true);
        l->setAlignment(Qt::AlignCenter);
        l->setEnabled(false);
        IndicatorLabels[i] = l;
    }
    auto pair = [&](Indicator a, Indicator b) {
        auto* h = new QHBoxLayout;
        h->setSpacing(2);
        h->addWidget(IndicatorLabels[a]);
        h->addWidget(IndicatorLabels[b]);
        v->addLayout(h);
    };
    v->addWidget(new QLabel(QStringLiteral("Поиск прибора:"), AdapterStatus));
    pair(Label6, Label5);
    v->addWidget(new QLabel(QStringLiteral("Данные:"), AdapterStatus));
    // Too wide to share a row with its neighbour.
    v->addWidget(IndicatorLabels[Label9]);
    v->addWidget(IndicatorLabels[Label2]);
    v->addWidget(IndicatorLabels[labKZ]);
    butKZReset = new QPushButton(KZReset->text(), AdapterStatus);
    butKZReset->setObjectName(QStringLiteral("butKZReset"));
    SetHelpContext(butKZReset, 19);
    connect(butKZReset, &QPushButton::clicked, KZReset, &QAction::trigger);
    connect(KZReset, &QAction::enabledChanged, butKZReset, &QWidget::setEnabled);
    v->addWidget(butKZReset);
    v->addWidget(IndicatorLabels[Label7]);
    v->addStretch(1);
    DevChooseBut = new QToolButton(AdapterStatus);
    DevChooseBut->setObjectName(QStringLiteral("DevChooseBut"));
    DevChooseBut->setDefaultAction(SelectPlugin);
    DevChooseBut->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    DevChooseBut->setIconSize(QSize(32, 32));
    DevChooseBut->setFixedSize(97, 73);
    SetHelpContext(DevChooseBut, 24);
    v->addWidget(DevChooseBut);
}

// ---- what the link shows ----

void TMainForm::LinkViewChanged()
{
    // The link state text and the actions change with the link's state, not
    // with its frames: they follow at once when they change.
    if (StatusPanels[2]->text() != Link.View().StatusPanelText)
        StatusPanels[2]->setText(Link.View().StatusPanelText);
    AdpReset->setEnabled(Link.View().AdpResetEnabled);
    KZReset->setEnabled(Link.View().KZResetEnabled);
    FirmwareVersion->setEnabled(Link.View().FirmwareVersionEnabled);
    LinkView.AskToPaint();
}

void TMainForm::ShowLinkView()
{
    for (int i = 0; i < IndicatorCount; ++i) {
        const IndicatorState& s = Link.View().Indicators[size_t(i)];
        if (LinkViewShown && ShownIndicators[size_t(i)] == s)
            continue;
        ShownIndicators[size_t(i)] = s;
        QLabel* l = IndicatorLabels[i];
        l->setEnabled(s.Enabled);
        QPalette p = l->palette();
        p.setColor(QPalette::Window, ColorOf(s.Color, palette()));
        l->setPalette(p);
    }
    LinkViewShown = true;
    if (ProgressBar2->value() != Link.Supervisor().ProgressPosition()) {
        // A progress bar repaints itself at once on a new value; this one
        // is painted with the rest of the window.
        ProgressBar2->setUpdatesEnabled(false);
        ProgressBar2->setValue(Link.Supervisor().ProgressPosition());
        ProgressBar2->setUpdatesEnabled(true);
    }
}

void TMainForm::VaComm1RxChar(int) { Guarded([this] { Link.VaComm1RxChar(); }); }

bool TMainForm::PluginActive() const { return bool(CurrentPlugin); }
bool TMainForm::ReceivePacket(const TDynamicByteArray& Packet) { return PluginHost.ReceivePacket(Packet); }
void TMainForm::UnloadPlugin() { PluginHost.Unload(); }
void TMainForm::AutoSelectByDeviceId() { PluginHost.AutoSelectByDeviceId(Link.Receiver().RxFrame(2)); }
bool TMainForm::SoundOn() const { return SoundOnOff->isChecked(); }
bool TMainForm::AutoSelectOn() const { return AutoSelectPlugin->isChecked(); }
bool TMainForm::LogExists() const { return DebugForm != nullptr; }
void TMainForm::AddLogText(const QString& Text, bool SameLine)
{
    if (DebugForm)
        DebugForm->AddText(Text, SameLine);
}

// ---- what the adapter operations and the plug-in host reach ----

QStringList TMainForm::SearchPorts() const { return OptionsDlg ? OptionsDlg->ComPorts : QStringList(); }
QWidget& TMainForm::Placeholder() { return *PlugInPlaceholder; }
void TMainForm::PluginChanged(bool Active) { FileSave1->setEnabled(Active && ExcelAvailable); }

// ---- adapter operations ----

void TMainForm::AutoDetectDeviceExecute() { Adapter.Search(); }
void TMainForm::AdpResetExecute() { Adapter.Reset(); }
void TMainForm::KZResetExecute() { Adapter.ShortCircuitReset(); }
void TMainForm::FirmwareVersionExecute() { Adapter.ShowFirmwareVersion(); }

// ---- settings ----

void TMainForm::StoreOptions()
{
    if (!OptionsDlg)
        return;
    if (Adapter.LivePortIsAResult(OptionsDlg->Port)) {
        OptionsDlg->Port = VaComm1->PortNum();
        OptionsDlg->PortSpeed = VaComm1->Baudrate();
    }
    OptionsDlg->Sound = SoundOnOff->isChecked();
    OptionsDlg->AutoSelectPlugin = AutoSelectPlugin->isChecked();
    if (DeviceChooseDialog)
        OptionsDlg->BLSPinCount = DeviceChooseDialog->BLSPinCount;
}

void TMainForm::ApplyOptions()
{
    if (!OptionsDlg)
        return;
    const bool wasOpen = VaComm1->Active();
    const int speed = OptionsDlg->PortSpeed & 0xFF;
    if (speed != VaComm1->Baudrate()) {
        if (VaComm1->Active())
            VaComm1->Close();
        VaComm1->SetBaudrate(speed);
    }
    if (OptionsDlg->Port != VaComm1->PortNum()) {
        if (VaComm1->Active())
            VaComm1->Close();
        VaComm1->SetPortNum(OptionsDlg->Port);
    }
    if (wasOpen && !VaComm1->Active())
        VaComm1->Open();
    SoundOnOff->setChecked(OptionsDlg->Sound);
    SoundOnOffExecute();
    AutoSelectPlugin->setChecked(OptionsDlg->AutoSelectPlugin);
    if (DeviceChooseDialog)
        DeviceChooseDialog->BLSPinCount = OptionsDlg->BLSPinCount;
}

void TMainForm::ShowOptions() { Options->trigger(); }

void TMainForm::OptionsExecute()
{
    if (!OptionsDlg)
        return;
    StoreOptions();
    if (OptionsDlg->exec() == QDialog::Accepted)
        ApplyOptions();
}

// ---- other handlers ----

void TMainForm::SoundOnOffExecute()
{
    const int image = SoundOnOff->isChecked() ? 16 : 15;
    SoundOnOff->setIcon(ImageList1(image));
    SoundOnOff->setProperty("imageIndex", image);
    SetSoundOn(SoundOnOff->isChecked());
}

void TMainForm::HelpExecute() { WinHelp(ApplicationHelpFile(), HELP_FINDER, 0); }

void TMainForm::FileExit1Execute() { close(); }

void TMainForm::DebugModeExecute()
{
    if (DebugForm)
        DebugForm->ShowBeside(this, PlugInPlaceholder);
}

void TMainForm::AboutBox1Execute() { TAboutBox::Execute(this); }

void TMainForm::SelectPluginExecute()
{
    if (!DeviceChooseDialog)
        return;
    if (DeviceChooseDialog->exec() == QDialog::Accepted)
        ActivatePlugin(DeviceChooseDialog->SelectedModule);
    PlugInPlaceholder->setFocus();
}

void TMainForm::closeEvent(QCloseEvent* E)
{
    // A save under way finishes first; the window closes after it.
    if (Saving) {
        CloseAfterSave = true;
        E->ignore();
        return;
    }
    // Closing is impossible while the window is disabled (the start-up, an
    // adapter operation); the system's request to end is honoured.
    if (!isEnabled() && !EndRequested()) {
        E->ignore();
        return;
    }
    // FormCloseQuery: never refuses.
    Guarded([this] {
        ExcelWork.reset();
        UnloadPlugin();
        StoreOptions();
        if (OptionsDlg)
            OptionsDlg->SaveSettings();
    });
    E->accept();
    QCoreApplication::quit(); // the program ends with its main window, whatever else is open
}

void TMainForm::AppException(std::exception_ptr E)
{
    try {
        std::rethrow_exception(E);
    } catch (const EVaCommError& e) {
        ShowMessageBox(MsgType::Plain, QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        ShowMessageBox(MsgType::Error, QString::fromUtf8(e.what()));
    } catch (...) {
        ShowMessageBox(MsgType::Error, QStringLiteral("Неизвестная ошибка."));
    }
    try {
        UnloadPlugin();
    } catch (...) {
    }
    SetApplicationTerminated(true);
    QCoreApplication::exit(1);
}

void TMainForm::keyPressEvent(QKeyEvent* E)
{
    // Enter that no control took: a focused push button takes it, as the
    // standard dialog keys do; otherwise it presses the default button.
    if ((E->key() == Qt::Key_Return || E->key() == Qt::Key_Enter) && E->modifiers() == Qt::NoModifier) {
        auto* Focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
        if (Focused && Focused->window() == this && Focused->isEnabled())
            Focused->click();
        else
            DevChooseBut->click();
        return;
    }
    QMainWindow::keyPressEvent(E);
}

bool TMainForm::event(QEvent* E)
{
    if (E->type() == QEvent::StatusTip) {
        // The long hint goes to panel 1, not over the whole status bar.
        StatusPanels[0]->setText(static_cast<QStatusTipEvent*>(E)->tip());
        return true;
    }
    return QMainWindow::event(E);
}

void TMainForm::ShowHelpFor(QObject* Watched)
{
    int context = 0;
    if (auto* menu = qobject_cast<QMenu*>(Watched)) {
        if (QAction* a = menu->activeAction())
            context = a->property("helpContext").toInt();
    }
    // Key events reach the focused control first: its context, else its parents'.
    if (context == 0)
        context = HelpContextOf(qobject_cast<QWidget*>(Watched));
    if (context == 0)
        context = HelpContextOf(this);
    if (context != 0)
        WinHelp(ApplicationHelpFile(), HELP_CONTEXT, unsigned(context));
}

bool TMainForm::eventFilter(QObject* Watched, QEvent* E)
{
    if (E->type() == QEvent::ShortcutOverride)
        EditActions->Update(); // a shortcut is matched against the actions' states next
    if (E->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(E)->key() == Qt::Key_F1 &&
        (Watched->isWidgetType() || qobject_cast<QMenu*>(Watched))) {
        ShowHelpFor(Watched);
        return true;
    }
    return QMainWindow::eventFilter(Watched, E);
}

} // namespace ostan
