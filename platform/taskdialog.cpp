#include "taskdialog.h"

#include "taskdialogwindow.h"

#include <algorithm>

// The presenter that shows dialogs now; defined with the presenters below.
TaskDialogPresenter* currentTaskDialogPresenter();

// ---- State -------------------------------------------------------------------

namespace {

struct CommonButtonDef {
    unsigned flag;
    int id;
    const char* text;
};

// The order in which the common buttons stand, left to right.
constexpr CommonButtonDef kCommonButtons[] = {
    {TDCBF_OK_BUTTON, IDOK, "OK"},
    {TDCBF_YES_BUTTON, IDYES, "Yes"},
    {TDCBF_NO_BUTTON, IDNO, "No"},
    {TDCBF_RETRY_BUTTON, IDRETRY, "Retry"},
    {TDCBF_CANCEL_BUTTON, IDCANCEL, "Cancel"},
    {TDCBF_CLOSE_BUTTON, IDCLOSE, "Close"},
};

} // namespace

std::vector<TaskDialogButton> TaskDialogState::pushButtons() const {
    std::vector<TaskDialogButton> result = buttons;
    unsigned flags = commonButtons;
    // A dialog always has a way out: with no button at all it shows OK.
    if (flags == 0 && buttons.empty())
        flags = TDCBF_OK_BUTTON;
    for (const CommonButtonDef& common : kCommonButtons) {
        if (!(flags & common.flag))
            continue;
        const bool disabled = std::find(disabledCommonButtons.begin(), disabledCommonButtons.end(),
                                        common.id) != disabledCommonButtons.end();
        result.push_back({QString::fromLatin1(common.text), common.id, !disabled});
    }
    return result;
}

int TaskDialogState::initialRadioButton() const {
    if (radioButtons.empty())
        return 0;
    for (const TaskDialogButton& radio : radioButtons)
        if (radio.id == defaultRadioButton)
            return radio.id;
    return radioButtons.front().id;
}

bool TaskDialogState::isButtonAvailable(int id) const {
    for (const TaskDialogButton& button : pushButtons())
        if (button.id == id)
            return button.enabled;
    return false;
}

bool TaskDialogState::isCancellable() const {
    // A Cancel button makes Escape and the close box work even without
    // cancellation switched on, as the user expects of any dialog with Cancel.
    return cancellation || isButtonAvailable(IDCANCEL);
}

// ---- The dialog object -----------------------------------------------------------

void CKVLTTaskDialog::AddRadioButton(const QString& text, int id) {
    m_state.radioButtons.push_back({text, id, true});
}

void CKVLTTaskDialog::AddButton(const QString& text, int id) {
    m_state.buttons.push_back({text, id, true});
}

void CKVLTTaskDialog::EnableButton(int id, bool enable) {
    bool found = false;
    for (TaskDialogButton& button : m_state.buttons)
        if (button.id == id) {
            button.enabled = enable;
            found = true;
        }
    if (found)
        return;
    auto& disabled = m_state.disabledCommonButtons;
    disabled.erase(std::remove(disabled.begin(), disabled.end(), id), disabled.end());
    if (!enable)
        disabled.push_back(id);
}

int CKVLTTaskDialog::DoModal() {
    m_result = currentTaskDialogPresenter()->present(m_state, m_pOwner);
    // Showing the dialog again starts from what the user left.
    m_state.defaultRadioButton = m_result.radioButton;
    m_state.verifyChecked = m_result.verifyChecked;
    m_state.inputText = m_result.inputText;
    return m_result.button;
}

// ---- Presenters ------------------------------------------------------------------

namespace {

class QtTaskDialogPresenter final : public TaskDialogPresenter {
  public:
    TaskDialogResult present(const TaskDialogState& state, QWidget* owner) override {
        TaskDialogWindow window(state, owner);
        window.exec();
        return window.result();
    }
};

QtTaskDialogPresenter g_qtPresenter;
Seam<TaskDialogPresenter> g_presenter(g_qtPresenter);

} // namespace

TaskDialogPresenter* currentTaskDialogPresenter() {
    return &g_presenter.current();
}

TaskDialogPresenter* setTaskDialogPresenter(TaskDialogPresenter* presenter) {
    return g_presenter.replace(presenter);
}

TaskDialogResult ScriptedTaskDialogPresenter::present(const TaskDialogState& state,
                                                      QWidget* owner) {
    shown.push_back({state, owner});
    TaskDialogResult declined{IDCANCEL, state.initialRadioButton(), state.verifyChecked,
                              state.inputText};
    if (m_answers.empty())
        return declined;
    const TaskDialogAnswer answer = m_answers.front();
    m_answers.pop_front();

    const bool byCancel = answer.button == IDCANCEL && state.isCancellable();
    if (!byCancel && !state.isButtonAvailable(answer.button)) {
        errors.push_back(
            QStringLiteral("button %1 is not shown or not enabled").arg(answer.button));
        return declined;
    }
    TaskDialogResult result = declined;
    result.button = answer.button;
    if (answer.radioButton) {
        const bool exists =
            std::any_of(state.radioButtons.begin(), state.radioButtons.end(),
                        [&](const TaskDialogButton& r) { return r.id == *answer.radioButton; });
        if (!exists) {
            errors.push_back(
                QStringLiteral("there is no radio button %1").arg(*answer.radioButton));
            return declined;
        }
        result.radioButton = *answer.radioButton;
    }
    if (answer.verifyChecked) {
        if (state.verificationText.isEmpty()) {
            errors.push_back(QStringLiteral("there is no verification check box"));
            return declined;
        }
        result.verifyChecked = *answer.verifyChecked;
    }
    if (answer.inputText) {
        if (!state.inputBox) {
            errors.push_back(QStringLiteral("there is no input box"));
            return declined;
        }
        result.inputText = *answer.inputText;
    }
    return result;
}

void setUpTextQuestion(CKVLTTaskDialog& dialog, const QString& title, const QString& instruction,
                       const QString& content) {
    dialog.SetWindowTitle(title);
    dialog.SetMainInstruction(instruction);
    dialog.SetContent(content);
    dialog.AddInputBox();
    dialog.SetInputBoxText(QString());
    dialog.SetCommonButtons(TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON);
    dialog.SetDefaultButton(IDOK);
    dialog.EnableCancellation(true);
    dialog.SetFooterIcon(TaskIcon::Application);
}
