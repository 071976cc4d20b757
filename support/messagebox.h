// The one way the product tells the user something in a box.
//
// Every message goes through kvltMessageBox, which hands it to the current
// presenter: the Qt dialog in the application, standard error in the
// command-line tool, a ScriptedPresenter in tests. This header is Qt-free.
#pragma once

#include "seam.h"

#include <deque>
#include <string>
#include <vector>

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
// Same numbers as the answers of the Windows message box.
enum class MsgAnswer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct MessageRequest {
    std::string text;
    std::string caption; // never empty: the application's name when none was given
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    void* owner = nullptr; // the window the box belongs to, or none
};

class MessagePresenter {
  public:
    virtual ~MessagePresenter() = default;
    virtual MsgAnswer present(const MessageRequest& request) = 0;
};

// Shows a box through the current presenter and returns the answer.
// An empty caption becomes the application's name.
MsgAnswer kvltMessageBox(const std::string& text, const std::string& caption = {},
                         MsgIcon icon = MsgIcon::None, MsgButtons buttons = MsgButtons::Ok,
                         void* owner = nullptr);

// Replaces the presenter; nullptr restores the standard-error presenter.
// Returns the previous one. The caller keeps ownership.
MessagePresenter* setMessagePresenter(MessagePresenter* presenter);

// The caption of boxes that have none of their own.
void setApplicationName(const std::string& name);
const std::string& applicationName();

// Writes "caption: text" to standard error and answers the affirmative button
// of the box (OK, or Yes). The command-line tool's presenter.
class StderrPresenter final : public MessagePresenter {
  public:
    MsgAnswer present(const MessageRequest& request) override;
};

// Records every box and returns queued answers; when the queue is empty it
// answers the affirmative button. For tests.
class ScriptedPresenter final : public MessagePresenter {
  public:
    MsgAnswer present(const MessageRequest& request) override;
    void queue(MsgAnswer answer) { m_answers.push_back(answer); }

    std::vector<MessageRequest> shown;

  private:
    std::deque<MsgAnswer> m_answers;
    SeamInstallation<MessagePresenter, setMessagePresenter> m_installed{this};
};

// The affirmative answer of a button set: Ok for Ok/OkCancel, Yes for the Yes sets,
// Retry for RetryCancel.
MsgAnswer affirmativeAnswer(MsgButtons buttons);
