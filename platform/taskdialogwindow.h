// The Qt window of the task dialog: built from a TaskDialogState, run modally,
// read back as a TaskDialogResult. Child widgets carry object names
// ("mainInstruction", "content", "inputBox", "radio_<id>", "button_<id>",
// "verification", "footer", "footerIcon") so that tests can find them.
#pragma once

#include "taskdialog.h"

#include <QDialog>
#include <map>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;

class TaskDialogWindow final : public QDialog {
    Q_OBJECT

  public:
    TaskDialogWindow(const TaskDialogState& state, QWidget* owner);

    // What the user did so far: the button that closed the window (IDCANCEL
    // while it is open) and the states of the radios, check box and input box.
    TaskDialogResult result() const;

    QPushButton* pushButton(int id) const;
    QAbstractButton* radioButton(int id) const;

    static QIcon taskIcon(TaskIcon icon);

  public slots:
    void reject() override; // Escape: Cancel when the dialog may be cancelled

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void finish(int button);

    bool m_cancellable = false;
    bool m_bInitialVerify = false; // answered when there is no check box
    int m_nButton = IDCANCEL;
    QButtonGroup* m_radios = nullptr;
    QCheckBox* m_verification = nullptr;
    QLineEdit* m_inputBox = nullptr;
    std::map<int, QPushButton*> m_buttons;
};
