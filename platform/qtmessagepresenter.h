// The application's message boxes: a Qt dialog for kvltMessageBox.
//
// The owner of a request is the QWidget the box belongs to (or none). The box
// is modal to that window and answers with the button pressed; Escape and the
// close box answer Cancel where the box has one, No for Yes/No, else OK.
#pragma once

#include "messagebox.h"

#include <memory>

class QMessageBox;

class QtMessagePresenter final : public MessagePresenter {
  public:
    MsgAnswer present(const MessageRequest& request) override;

    // The box as it would be shown, without showing it.
    static std::unique_ptr<QMessageBox> createBox(const MessageRequest& request);
};
