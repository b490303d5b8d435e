#pragma once
// "О программе": the program's version and maker, read from the version
// resource each time a box is made.
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace ostan {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* Owner = nullptr);

    // The main window's "&О программе": a new box owned by Owner, shown
    // modally and released when it closes. Returns the modal result.
    static int Execute(QWidget* Owner);

    QFrame* Panel1;
    QWidget* ProgramIcon;
    QLabel* Comments;
    QLabel* Version;
    QLabel* Copyright;
    QPushButton* OKButton;
};

} // namespace ostan
