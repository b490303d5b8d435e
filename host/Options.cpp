#include "Options.h"

#include "CentreOnScreen.h"
#include "Guard.h"
#include "Help.h"
#include "MessageBox.h"
#include "Picture.h"
#include "Registry.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>

namespace ostan {

const QString TOptionsDlg::SettingsKey = QStringLiteral("\\SOFTWARE\\Vantrel\\Ostan\\Settings");

namespace {

// A cable picture from the program's resources, decoded as a form picture is.
QPixmap CablePicture(const char* Name)
{
    QFile f(QStringLiteral(":/ostan/host/%1").arg(QLatin1String(Name)));
    if (!f.open(QIODevice::ReadOnly))
        return QPixmap();
    TPicture picture;
    picture.LoadFromJpeg(f.readAll());
    return QPixmap::fromImage(picture.Graphic());
}

} // namespace

TOptionsDlg::TOptionsDlg(QWidget* Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("OptionsDlg"));
    setWindowTitle(QStringLiteral("Настройка программы"));
    setFixedSize(290, 227);
    SetHelpContext(this, 110);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 274, 177);

    BLSRadioGroup = new QGroupBox(QStringLiteral("Тип переходника"), this);
    BLSRadioGroup->setObjectName(QStringLiteral("BLSRadioGroup"));
    BLSRadioGroup->setGeometry(16, 16, 113, 73);
    SetHelpContext(BLSRadioGroup, 110);
    BLSItem4 = new QRadioButton(QStringLiteral("ROD-4"), BLSRadioGroup);
    BLSItem5 = new QRadioButton(QStringLiteral("DAR-5"), BLSRadioGroup);
    BLSItem4->setGeometry(10, 22, 95, 20);
    BLSItem5->setGeometry(10, 46, 95, 20);
    BLSButtons = new QButtonGroup(this);
    BLSButtons->addButton(BLSItem4, 0);
    BLSButtons->addButton(BLSItem5, 1);

    ImageBLS4 = new QLabel(this);
    ImageBLS5 = new QLabel(this);
    ImageBLS4->setObjectName(QStringLiteral("ImageBLS4"));
    ImageBLS5->setObjectName(QStringLiteral("ImageBLS5"));
    for (auto* img : {ImageBLS4, ImageBLS5}) {
        img->setGeometry(144, 20, 129, 65);
        img->setScaledContents(true);
        img->hide();
    }
    ImageBLS4->setPixmap(CablePicture("CableROD4.jpg"));
    ImageBLS5->setPixmap(CablePicture("CableDAR5.jpg"));

    SoundCheckBox = new QCheckBox(QStringLiteral("Звук"), this);
    SoundCheckBox->setObjectName(QStringLiteral("SoundCheckBox"));
    SoundCheckBox->setGeometry(16, 104, 250, 20);
    SetHelpContext(SoundCheckBox, 12);
    AutoSelectPluginCheckBox = new QCheckBox(QStringLiteral("Автовыбор прибора"), this);
    AutoSelectPluginCheckBox->setObjectName(QStringLiteral("AutoSelectPluginCheckBox"));
    AutoSelectPluginCheckBox->setGeometry(16, 132, 250, 20);
    SetHelpContext(AutoSelectPluginCheckBox, 110);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setGeometry(16, 194, 80, 25);
    CancelBtn = new QPushButton(QStringLiteral("Отмена"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(104, 194, 80, 25);
    HelpBtn = new QPushButton(QStringLiteral("&Помощь"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    HelpBtn->setGeometry(192, 194, 80, 25);

    connect(OKBtn, &QPushButton::clicked, this, [this] { Guarded([this] { accept(); }); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &TOptionsDlg::HelpBtnClick);
    connect(SoundCheckBox, &QCheckBox::toggled, this, &TOptionsDlg::SoundCheckBoxClick);
    connect(AutoSelectPluginCheckBox, &QCheckBox::toggled, this, &TOptionsDlg::AutoSelectPluginCheckBoxClick);
    connect(BLSButtons, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            BLSRadioGroupClick();
    });

    // FormCreate
    LoadSettings();
}

void TOptionsDlg::LoadSettings()
{
    // Read access: a user who cannot write the store still gets the port
    // list and the settings.
    TRegistry reg(RegAccess::Read);
    reg.SetRootKey(HKey::LocalMachine);
    try {
        if (reg.OpenKeyReadOnly(QStringLiteral("hardware\\devicemap\\serialcomm"))) {
            for (const QString& name : reg.GetValueNames()) {
                const QString port = reg.ReadString(name);
                if (port.left(3).toUpper() == QLatin1String("COM"))
                    ComPorts << port;
            }
        }
        reg.CloseKey();
        if (!reg.OpenKeyReadOnly(SettingsKey))
            throw ERegistryException("settings key missing");
        Port = reg.ReadInteger(QStringLiteral("Port"));
        PortSpeed = reg.ReadInteger(QStringLiteral("PortSpeed"));
        Sound = reg.ReadBool(QStringLiteral("Sound"));
        AutoSelectPlugin = reg.ReadBool(QStringLiteral("AutoSelectPlugin"));
        BLSPinCount = reg.ReadInteger(QStringLiteral("BLSPinCount"));
        reg.CloseKey();
    } catch (const ERegistryException&) {
        // A damaged store was set aside, here or by an earlier reader: say
        // where; a store that cannot be read at all: say why. A value or key
        // that is missing (the first start) needs no word.
        QString Reason = TakeStoreDamageReport();
        if (Reason.isEmpty())
            Reason = StoreReadFailure();
        ShowMessageBox(MsgType::Error, ReadErrorText(Reason));
    }
}

QString TOptionsDlg::ReadErrorText(const QString& Reason)
{
    const QString Text = QStringLiteral("Ошибка чтения реестра.\rПроверьте настройки программы и перезапустите ее.");
    return Reason.isEmpty() ? Text : Text + QStringLiteral("\r\r") + Reason;
}

void TOptionsDlg::SaveSettings()
{
    TRegistry reg(RegAccess::All);
    reg.SetRootKey(HKey::LocalMachine);
    if (!reg.OpenKey(QStringLiteral("\\SOFTWARE\\Vantrel"), true))
        return;
    if (!reg.OpenKey(QStringLiteral("\\SOFTWARE\\Vantrel\\Ostan"), true))
        return;
    if (!reg.KeyExists(SettingsKey))
        reg.CreateKey(SettingsKey);
    if (!reg.OpenKey(SettingsKey, false))
        return;
    // One transaction: a save cut short leaves the previous five whole.
    reg.BeginUpdate();
    reg.WriteInteger(QStringLiteral("Port"), Port);
    reg.WriteInteger(QStringLiteral("PortSpeed"), PortSpeed);
    reg.WriteInteger(QStringLiteral("Sound"), Sound ? 1 : 0);
    reg.WriteInteger(QStringLiteral("AutoSelectPlugin"), AutoSelectPlugin ? 1 : 0);
    reg.WriteInteger(QStringLiteral("BLSPinCount"), BLSPinCount);
    reg.EndUpdate();
    reg.CloseKey();
}

int TOptionsDlg::exec()
{
    if (ApplicationTerminated())
        return QDialog::Rejected; // the program is ending: a dialog closes at once as cancelled
    FormShow();
    // Centred on the screen at every showing; moved, it is no longer placed
    // over the main window by the toolkit.
    CentreOnPrimaryScreen(*this);
    return QDialog::exec();
}

void TOptionsDlg::done(int Result)
{
    if (Result == QDialog::Accepted)
        SaveSettings();
    QDialog::done(Result);
}

void TOptionsDlg::FormShow()
{
    AutoSelectPluginCheckBox->setChecked(AutoSelectPlugin);
    SoundCheckBox->setChecked(Sound);
    SelectBLSItem(BLSPinCount == 4 ? 0 : BLSPinCount == 5 ? 1 : -1);
}

void TOptionsDlg::SelectBLSItem(int Item)
{
    if (Item < 0) {
        BLSButtons->setExclusive(false);
        BLSItem4->setChecked(false);
        BLSItem5->setChecked(false);
        BLSButtons->setExclusive(true);
    } else {
        BLSButtons->button(Item)->setChecked(true);
    }
    BLSRadioGroupClick();
}

void TOptionsDlg::SoundCheckBoxClick() { Sound = SoundCheckBox->isChecked(); }

void TOptionsDlg::AutoSelectPluginCheckBoxClick() { AutoSelectPlugin = AutoSelectPluginCheckBox->isChecked(); }

void TOptionsDlg::BLSRadioGroupClick()
{
    if (BLSItem4->isChecked()) {
        BLSPinCount = 4;
        ImageBLS5->hide();
        ImageBLS4->show();
    } else if (BLSItem5->isChecked()) {
        BLSPinCount = 5;
        ImageBLS4->hide();
        ImageBLS5->show();
    } else {
        BLSPinCount = 0;
        ImageBLS4->hide();
        ImageBLS5->hide();
    }
}

void TOptionsDlg::HelpBtnClick() { WinHelp(ApplicationHelpFile(), HELP_CONTEXT, 110); }

} // namespace ostan
