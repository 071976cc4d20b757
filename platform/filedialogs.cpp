#include "filedialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

class QtFileDialogs final : public FileDialogs {
  public:
    QString getOpenFileName(QWidget* parent, const QString& folder) override {
        return QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), folder,
                                            QStringLiteral("All Files (*)"));
    }
    QString getSaveFileName(QWidget* parent, const QString& suggested) override {
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Save As"), suggested,
                                            QStringLiteral("All Files (*)"));
    }
    QString getExportFileName(const ExportSaveRequest& request) override {
        QFileDialog dialog(nullptr, QStringLiteral("Save As"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilters(qtNameFilters(request.filter));
        QString extension = request.defaultExtension;
        extension.remove(QStringLiteral("*."));
        dialog.setDefaultSuffix(extension.toLower());
        dialog.setDirectory(m_exportFolder.isEmpty() ? QDir::homePath() : m_exportFolder);
        dialog.selectFile(request.suggestedName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        const QString path = dialog.selectedFiles().constFirst();
        m_exportFolder = QFileInfo(path).absolutePath();
        return path;
    }

  private:
    QString m_exportFolder; // of the last export, for this run
};

QtFileDialogs g_standard;
Seam<FileDialogs> g_dialogs(g_standard);

} // namespace

FileDialogs& fileDialogs() {
    return g_dialogs.current();
}

FileDialogs* setFileDialogs(FileDialogs* dialogs) {
    return g_dialogs.replace(dialogs);
}

QStringList qtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << parts.at(i);
    return filters;
}

QString ScriptedFileDialogs::getOpenFileName(QWidget*, const QString& folder) {
    openFolders.push_back(folder);
    return nextAnswer();
}

QString ScriptedFileDialogs::getSaveFileName(QWidget*, const QString& suggested) {
    saveSuggestions.push_back(suggested);
    return nextAnswer();
}

QString ScriptedFileDialogs::getExportFileName(const ExportSaveRequest& request) {
    requests.push_back(request);
    return nextAnswer();
}

QString ScriptedFileDialogs::nextAnswer() {
    if (m_answers.empty())
        return {};
    QString answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}
