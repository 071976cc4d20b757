// The caption bar shown above a list: a 20-pixel strip with a thin border,
// window-coloured face and a centred icon and title.
#pragma once

#include <QIcon>
#include <QWidget>

class KVLTCaptionBar final : public QWidget {
    Q_OBJECT

  public:
    // A visible child of parent with the window id, title and icon.
    KVLTCaptionBar(QWidget* parent, unsigned windowId, const QString& title,
                   const QIcon& icon = {});

    unsigned windowId() const { return m_windowId; }
    QString caption() const { return m_strCaption; }
    void setCaption(const QString& title);
    QIcon icon() const { return m_icon; }
    void setIcon(const QIcon& icon);

    QSize sizeHint() const override;

    static constexpr int kHeight = 20;
    static constexpr int kBorderSize = 1;
    static constexpr int kIconSize = 16;
    static constexpr int kIconGap = 4;

    // Where the icon and the text go inside a bar of that size; public so the
    // layout can be checked without reading pixels.
    QRect iconRect() const;
    QRect textRect() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    unsigned m_windowId;
    QString m_strCaption;
    QIcon m_icon;
};
