#include "filedialogs.h"

#include <QFileDialog>

namespace {

class QtFileDialogs final : public CFileDialogs {
  public:
    QString GetOpenFileName(QWidget* parent, const QString& folder) override {
        return QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), folder,
                                            QStringLiteral("All Files (*)"));
    }
    QString GetSaveFileName(QWidget* parent, const QString& suggested) override {
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Save As"), suggested,
                                            QStringLiteral("All Files (*)"));
    }
};

QtFileDialogs g_standard;
CFileDialogs* g_current = &g_standard;

} // namespace

CFileDialogs& fileDialogs() {
    return *g_current;
}

CFileDialogs* setFileDialogs(CFileDialogs* dialogs) {
    CFileDialogs* previous = g_current == &g_standard ? nullptr : g_current;
    g_current = dialogs ? dialogs : &g_standard;
    return previous;
}
