// The small borderless about window of the application base: name, picture,
// build date and a legal notice. Created hidden at start-up; any key press or
// mouse button press while it is shown hides it again and goes no further.
#pragma once

#include <QFont>
#include <QWidget>

class CKVLTWinApp;

class CKVLTAboutWnd : public QWidget {
    Q_OBJECT
  public:
    explicit CKVLTAboutWnd(CKVLTWinApp& app);

    // Shows the window and notes that it is shown.
    void ShowWindow();
    bool IsShown() const { return m_bShown; }

    static constexpr int kWidth = 400;
    static constexpr int kHeight = 250;

  protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

  private:
    void HideWindow();

    bool m_bShown = false;
    CKVLTWinApp* m_pApp;
    QFont m_fontTitle;
    QFont m_fontText;
    QFont m_fontSmall;
};
