// The task dialog: a prompt with a main instruction, content, radio buttons,
// an input box, a verification check box, push buttons and a footer.
//
// Callers fill one CKVLTTaskDialog, call DoModal and read the results. The
// dialog is shown by the current TaskDialogPresenter: the Qt dialog in the
// application, a ScriptedTaskDialogPresenter in tests. The same object may be
// shown again after changes; each showing starts from the user's last radio
// choice, check state and input text unless the caller sets them anew.
#pragma once

#include "seam.h"

#include <QString>
#include <deque>
#include <optional>
#include <vector>

class QWidget;

// Push button ids of the common buttons; the same numbers as the platform's
// dialog answers (OK is 1, Cancel 2).
enum : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDRETRY = 4,
    IDYES = 6,
    IDNO = 7,
    IDCLOSE = 8,
};

// Common button flags for SetCommonButtons, combinable.
enum TaskCommonButton : unsigned {
    TDCBF_OK_BUTTON = 0x01,
    TDCBF_YES_BUTTON = 0x02,
    TDCBF_NO_BUTTON = 0x04,
    TDCBF_CANCEL_BUTTON = 0x08,
    TDCBF_RETRY_BUTTON = 0x10,
    TDCBF_CLOSE_BUTTON = 0x20,
};

enum class TaskIcon { None, Information, Warning, Error, Application };

struct TaskDialogButton {
    QString text;
    int id = 0;
    bool enabled = true;
};

// Everything the user would see when the dialog shows.
struct TaskDialogState {
    QString windowTitle; // empty: the application's name
    QString mainInstruction;
    QString content;
    QString footer;
    TaskIcon footerIcon = TaskIcon::None;
    bool cancellation = false;                  // Escape and the close box answer IDCANCEL
    std::vector<TaskDialogButton> radioButtons; // in the order added; enabled is unused
    int defaultRadioButton = 0;                 // no radio of this id: the first radio is selected
    std::vector<TaskDialogButton> buttons;      // extra push buttons, in the order added
    unsigned commonButtons = 0;                 // TDCBF_ flags; none and no extra button: OK alone
    int defaultButton = IDOK;
    std::vector<int> disabledCommonButtons;
    QString verificationText; // empty: no check box
    bool verifyChecked = false;
    bool inputBox = false;
    QString inputText;

    // Push buttons in the order shown: the extra buttons, then the common
    // buttons (OK, Yes, No, Retry, Cancel, Close) with their texts.
    std::vector<TaskDialogButton> pushButtons() const;
    // The radio id selected when the dialog shows; 0 when there are no radios.
    int initialRadioButton() const;
    bool isButtonAvailable(int id) const; // shown and enabled
    // Escape and the close box end the dialog: cancellation is on, or Cancel is shown.
    bool isCancellable() const;
};

// What the user did: the button that closed the dialog and the final states.
struct TaskDialogResult {
    int button = IDCANCEL;
    int radioButton = 0;
    bool verifyChecked = false;
    QString inputText;
};

class TaskDialogPresenter {
  public:
    virtual ~TaskDialogPresenter() = default;
    virtual TaskDialogResult present(const TaskDialogState& state, QWidget* owner) = 0;
};

// Replaces the presenter; nullptr restores the Qt dialog. Returns the previous one.
TaskDialogPresenter* setTaskDialogPresenter(TaskDialogPresenter* presenter);

class CKVLTTaskDialog {
  public:
    explicit CKVLTTaskDialog(QWidget* owner = nullptr) : m_pOwner(owner) {}

    void SetWindowTitle(const QString& title) { m_state.windowTitle = title; }
    void SetMainInstruction(const QString& text) { m_state.mainInstruction = text; }
    void SetContent(const QString& text) { m_state.content = text; }
    void SetFooter(const QString& text) { m_state.footer = text; }
    void SetFooterIcon(TaskIcon icon) { m_state.footerIcon = icon; }
    void EnableCancellation(bool enable = true) { m_state.cancellation = enable; }
    void AddRadioButton(const QString& text, int id);
    void SetDefaultRadioButton(int id) { m_state.defaultRadioButton = id; }
    void AddButton(const QString& text, int id);
    void SetCommonButtons(unsigned flags) { m_state.commonButtons = flags; }
    void SetDefaultButton(int id) { m_state.defaultButton = id; }
    void EnableButton(int id, bool enable = true);
    void SetVerificationText(const QString& text) { m_state.verificationText = text; }
    void SetVerifyCheckState(bool checked = true) { m_state.verifyChecked = checked; }
    void AddInputBox() { m_state.inputBox = true; }
    void SetInputBoxText(const QString& text) { m_state.inputText = text; }

    // Shows the dialog modally over its owner; returns the id of the push
    // button that closed it (IDCANCEL for Escape and the close box).
    int DoModal();

    int GetSelectedRadioButtonId() const { return m_result.radioButton; }
    bool IsVerificationChecked() const { return m_result.verifyChecked; }
    QString GetInputBoxText() const { return m_result.inputText; }

    const TaskDialogState& GetState() const { return m_state; }

  private:
    QWidget* m_pOwner = nullptr;
    TaskDialogState m_state;
    TaskDialogResult m_result;
};

// Sets dialog up as a question answered with one line of text: title,
// instruction and content, an empty input box, OK (the default) and Cancel,
// Escape cancelling, the application's icon in the footer.
void setUpTextQuestion(CKVLTTaskDialog& dialog, const QString& title, const QString& instruction,
                       const QString& content);

// An answer for a scripted showing; unset parts keep what the dialog showed.
struct TaskDialogAnswer {
    int button = IDOK;
    std::optional<int> radioButton{};
    std::optional<bool> verifyChecked{};
    std::optional<QString> inputText{};
};

// Records every showing and returns queued answers. With the queue empty the
// dialog is declined (IDCANCEL), so callers that show it again always stop.
// An answer naming a button that is not shown or not enabled, or a radio id
// that does not exist, is recorded in errors and declined. Installs itself
// while it lives.
class ScriptedTaskDialogPresenter final : public TaskDialogPresenter {
  public:
    TaskDialogResult present(const TaskDialogState& state, QWidget* owner) override;
    void queue(const TaskDialogAnswer& answer) { m_answers.push_back(answer); }

    struct Shown {
        TaskDialogState state;
        QWidget* owner = nullptr;
    };
    std::vector<Shown> shown;
    std::vector<QString> errors;

  private:
    std::deque<TaskDialogAnswer> m_answers;
    SeamInstallation<TaskDialogPresenter, setTaskDialogPresenter> m_installed{this};
};
