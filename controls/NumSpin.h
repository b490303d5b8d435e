#pragma once
// TNumSpin: the numeric edit with an up/down button. The button, held or
// clicked, and the Up and Down keys step the value by Increment; quick
// series accelerate; range ends wrap or stop with a beep.
#include "NumEdit.h"
#include "NumStepper.h"

namespace ostan {

class TSpinButton;

class TNumSpin : public TNumEdit {
    Q_OBJECT
    // What a Designer form sets; Increment after Value, as the form loads.
    Q_PROPERTY(double Increment READ IncrementProperty WRITE SetIncrementProperty)
    Q_PROPERTY(bool EditorEnabled READ EditorEnabled WRITE SetEditorEnabled)
    Q_PROPERTY(bool RoundValues READ RoundValues WRITE SetRoundValues)
    Q_PROPERTY(bool Wrap READ Wrap WRITE SetWrap)
public:
    explicit TNumSpin(QWidget* Parent = nullptr);
    ~TNumSpin() override;

    TSpinButton* SpinButton() const { return FSpinButton; }

    bool EditorEnabled() const { return FEditorEnabled; }
    void SetEditorEnabled(bool B) { FEditorEnabled = B; }
    TNumValue Increment() const { return FStepper.Increment(); }
    // Ignored when not above 0 or wider than a set range.
    void SetIncrement(TNumValue X);
    double IncrementProperty() const { return static_cast<double>(Increment()); }
    void SetIncrementProperty(double X) { SetIncrement(X); }
    bool RoundValues() const { return FRoundValues; }
    void SetRoundValues(bool B) { FRoundValues = B; }
    bool Wrap() const { return FWrap; }
    void SetWrap(bool B) { FWrap = B; }

    TNumValue CurrentStep() const { return FStepper.CurrentStep(); }
    int ClickCount() const { return FStepper.ClickCount(); }
    uint32_t LastClickTick() const { return FStepper.LastClickTick(); }

    // One step; Sender is the button or the control itself (arrow keys).
    void UpClick(QObject* Sender);
    void DownClick(QObject* Sender);
    void RoundToIncrement();

    int GetMinHeight() const;
    bool ClipboardEditable() const override { return FEditorEnabled && !isReadOnly(); }

protected:
    void DoExit() override;
    void KeyDown(int& Key, Qt::KeyboardModifiers Shift) override;
    void KeyPress(QChar& Key) override;
    void KeyUp(int& Key, Qt::KeyboardModifiers Shift) override;
    void WMCut() override;
    void WMPaste(const QString& Clip) override;

    void keyPressEvent(QKeyEvent* E) override;
    void resizeEvent(QResizeEvent* E) override;
    void changeEvent(QEvent* E) override;

private:
    TNumStepHost Host();
    void Step(bool Up, QObject* Sender);
    void PlaceButton();

    TSpinButton* FSpinButton = nullptr;
    TNumStepper FStepper;
    bool FEditorEnabled = true;
    bool FWrap = false;
    bool FRoundValues = false;
};

} // namespace ostan
