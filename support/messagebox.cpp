#include "messagebox.h"

#include <cstdio>

namespace {
StderrPresenter g_stderrPresenter;
Seam<MessagePresenter> g_presenter(g_stderrPresenter);
std::string g_applicationName = "Strovane Offline Scanner";
} // namespace

MsgAnswer affirmativeAnswer(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return MsgAnswer::Yes;
    case MsgButtons::RetryCancel:
        return MsgAnswer::Retry;
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
        break;
    }
    return MsgAnswer::Ok;
}

MsgAnswer kvltMessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                         MsgButtons buttons, void* owner) {
    MessageRequest request{text, caption.empty() ? g_applicationName : caption, icon, buttons,
                           owner};
    return g_presenter.current().present(request);
}

MessagePresenter* setMessagePresenter(MessagePresenter* presenter) {
    return g_presenter.replace(presenter);
}

void setApplicationName(const std::string& name) {
    g_applicationName = name;
}
const std::string& applicationName() {
    return g_applicationName;
}

MsgAnswer StderrPresenter::present(const MessageRequest& request) {
    std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
    std::fflush(stderr);
    return affirmativeAnswer(request.buttons);
}

MsgAnswer ScriptedPresenter::present(const MessageRequest& request) {
    shown.push_back(request);
    if (m_answers.empty())
        return affirmativeAnswer(request.buttons);
    MsgAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}
