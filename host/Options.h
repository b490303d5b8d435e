#pragma once
// The settings dialog and the settings' storage in the registry store.
#include <QDialog>
#include <QStringList>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace ostan {

class TOptionsDlg : public QDialog {
    Q_OBJECT
public:
    explicit TOptionsDlg(QWidget* Parent = nullptr);

    void LoadSettings();
    void SaveSettings();

    // The working copy of the five settings.
    int Port = 0;
    int PortSpeed = 0;
    bool Sound = false;
    bool AutoSelectPlugin = false;
    int BLSPinCount = 0;
    QStringList ComPorts;

    QFrame* Bevel1 = nullptr;
    QGroupBox* BLSRadioGroup = nullptr;
    QRadioButton* BLSItem4 = nullptr;
    QRadioButton* BLSItem5 = nullptr;
    QLabel* ImageBLS4 = nullptr;
    QLabel* ImageBLS5 = nullptr;
    QCheckBox* SoundCheckBox = nullptr;
    QCheckBox* AutoSelectPluginCheckBox = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

    // The registry key of the settings.
    static const QString SettingsKey;
    // The box for settings that cannot be read, with why when the store
    // itself is at fault (damaged, unreadable, locked).
    static QString ReadErrorText(const QString& Reason);

    int exec() override;
    void done(int Result) override; // FormCloseQuery: OK writes the settings

public slots:
    void FormShow();
    void SoundCheckBoxClick();
    void AutoSelectPluginCheckBoxClick();
    void BLSRadioGroupClick();
    void HelpBtnClick();

private:
    void SelectBLSItem(int Item); // -1: none
    QButtonGroup* BLSButtons = nullptr;
};

} // namespace ostan
