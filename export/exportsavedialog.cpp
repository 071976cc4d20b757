#include "exportsavedialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

class QtExportSaveDialog final : public CExportSaveDialog {
  public:
    QString GetSaveFileName(const ExportSaveRequest& request) override {
        QFileDialog dialog(nullptr, QStringLiteral("Save As"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilters(qtNameFilters(request.filter));
        QString extension = request.defaultExtension;
        extension.remove(QStringLiteral("*."));
        dialog.setDefaultSuffix(extension.toLower());
        dialog.setDirectory(m_strFolder.isEmpty() ? QDir::homePath() : m_strFolder);
        dialog.selectFile(request.suggestedName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        const QString path = dialog.selectedFiles().constFirst();
        m_strFolder = QFileInfo(path).absolutePath();
        return path;
    }

  private:
    QString m_strFolder; // of the last export, for this run
};

QtExportSaveDialog g_standard;
CExportSaveDialog* g_current = &g_standard;

} // namespace

QString exportSaveFileName(const ExportSaveRequest& request) {
    return g_current->GetSaveFileName(request);
}

CExportSaveDialog* setExportSaveDialog(CExportSaveDialog* dialog) {
    CExportSaveDialog* previous = g_current == &g_standard ? nullptr : g_current;
    g_current = dialog ? dialog : &g_standard;
    return previous;
}

QStringList qtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << parts.at(i);
    return filters;
}

ScriptedExportSaveDialog::ScriptedExportSaveDialog() : m_previous(setExportSaveDialog(this)) {}

ScriptedExportSaveDialog::~ScriptedExportSaveDialog() {
    setExportSaveDialog(m_previous);
}

QString ScriptedExportSaveDialog::GetSaveFileName(const ExportSaveRequest& request) {
    requests.push_back(request);
    if (m_answers.empty())
        return {};
    QString answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}
