// How a chosen menu entry or a pressed accelerator reaches its target: as a
// CommandEvent carrying the entry's command id, sent synchronously, the way
// the platform sends a command message to a window.
//
// A target handles commands in its event() override:
//
//     if (e->type() == CommandEvent::eventType()) {
//         auto* command = static_cast<CommandEvent*>(e);
//         if (command->id() == ID_SCAN_INCOMING) { OnScanIncoming(); command->accept(); }
//         return true;
//     }
#pragma once

#include "seam.h"

#include <QEvent>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

class QAction;
class QMenu;
class QObject;
class QWidget;

class CommandEvent final : public QEvent {
  public:
    explicit CommandEvent(unsigned id);
    static QEvent::Type eventType();
    unsigned id() const { return m_nId; }

  private:
    unsigned m_nId;
};

// Sends the command to the target at once; true when the target accepted it.
// A null target or a command id of 0 sends nothing and answers false.
bool sendCommand(QObject* target, unsigned id);

// From now on every command entry chosen in the menu (submenus included)
// reaches the target as its command id.
void routeMenuCommands(QMenu* menu, QObject* target);

// Shows the popup at a screen position, waits for the choice and sends the
// chosen entry's command id to the target. Returns the chosen command id, or 0
// when the menu was dismissed (or the entry carries no id).
unsigned trackPopupMenu(QMenu* menu, const QPoint& globalPos, QObject* target);

// Installs the accelerator table on the window: each shortcut, wherever the
// focus is inside the window, sends its command to the target, ahead of the
// focused widget's own key handling.
void installAccelerators(QWidget* window, unsigned tableId, QObject* target);

// ---- Seam for tests ---------------------------------------------------------

// What a popup menu showed, one node per entry.
struct MenuSnapshot {
    QString text;    // full text, "&" and tab label included; empty for separators
    unsigned id = 0; // command id; 0 for popups and separators
    bool separator = false;
    bool checked = false;
    bool enabled = true;
    std::vector<MenuSnapshot> items; // entries of a popup

    // The entry reached by following texts; nullptr when there is none.
    const MenuSnapshot* find(const QStringList& path) const;
    // Texts of the direct entries, separators as "-".
    QStringList texts() const;
};

MenuSnapshot snapshotMenu(const QMenu* menu);

// Decides which entry of a popup is chosen. The default one shows the menu
// and lets the user choose.
class PopupMenuTracker {
  public:
    virtual ~PopupMenuTracker() = default;
    virtual QAction* track(QMenu* menu, const QPoint& globalPos) = 0;
};

// Replaces the tracker; nullptr restores the interactive one. Returns the previous one.
PopupMenuTracker* setPopupMenuTracker(PopupMenuTracker* tracker);

// Records every popup (its entries and position) and chooses queued entries,
// by command id or by a path of texts; when the queue is empty the menu is
// dismissed. Installs itself while it lives.
class ScriptedMenuTracker final : public PopupMenuTracker {
  public:
    QAction* track(QMenu* menu, const QPoint& globalPos) override;

    void chooseId(unsigned id) { m_choices.push_back({id, {}}); }
    void choosePath(const QStringList& path) { m_choices.push_back({0, path}); }
    void dismiss() { m_choices.push_back({0, {}}); }

    struct Shown {
        MenuSnapshot menu;
        QPoint position;
    };
    std::vector<Shown> shown;
    // Choices that named no enabled entry of the menu they were meant for.
    QStringList errors;

  private:
    struct Choice {
        unsigned id;
        QStringList path;
    };
    std::deque<Choice> m_choices;
    SeamInstallation<PopupMenuTracker, setPopupMenuTracker> m_installed{this};
};
