// The chooser, the writers' dialogs and messages, and the completion step.
#include "kvltlistexport.h"

#include "exportsavedialog.h"
#include "exportwriters.h"
#include "kvltassociation.h"
#include "kvltlistctrl.h"
#include "kvltwinapp.h"
#include "messagebox.h"
#include "progressdialog.h"
#include "taskdialog.h"
#include "variables.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <ctime>
#include <vector>

namespace {

int g_openDelayMs = 1000;
int g_progressDelayMs = CProgressDialog::kShowAfterMs;
QString g_logoPath;
bool g_variablesSet = false;
ReportVariables* g_variables = nullptr;

ReportVariables* reportVariables() {
    if (g_variablesSet)
        return g_variables;
    auto* app = qobject_cast<CKVLTWinApp*>(QCoreApplication::instance());
    return app != nullptr ? app->GetReport() : nullptr;
}

// $name (and %name) references of a title or notes text, expanded through
// the report variables. A text without "$" is taken as it is, so a lone
// percent sign never changes.
QString expandVariables(const QString& text) {
    ReportVariables* variables = reportVariables();
    if (variables == nullptr || !text.contains(QLatin1Char('$')))
        return text;
    const QByteArray in = text.toUtf8();
    std::vector<char> out(size_t(in.size()) * 4 + 4096);
    variables->expandText(variables, in.constData(), out.data(), out.size(), 0);
    return QString::fromUtf8(out.data());
}

// Waits without blocking the window: paints and timers go on, the user's
// input waits.
void waitMs(int milliseconds) {
    if (milliseconds <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

// ------------------------------------------------------------------ settings

void CKVLTListExport::SetOpenDelay(int nMilliseconds) {
    g_openDelayMs = nMilliseconds;
}

void CKVLTListExport::SetProgressDelay(int nMilliseconds) {
    g_progressDelayMs = nMilliseconds;
}

std::unique_ptr<CProgressDialog> CKVLTListExport::Progress(const QString& strPath) const {
    return std::make_unique<CProgressDialog>(
        Owner(), QStringLiteral("Exporting to %1").arg(QFileInfo(strPath).fileName()), true,
        g_progressDelayMs);
}

void CKVLTListExport::SetReportVariables(ReportVariables* pVariables) {
    g_variablesSet = pVariables != nullptr;
    g_variables = pVariables;
}

void CKVLTListExport::SetLogoPath(const QString& strPath) {
    g_logoPath = strPath;
}

QString CKVLTListExport::LogoPath() {
    if (!g_logoPath.isEmpty())
        return g_logoPath;
    return QString::fromStdString(
        exportLogoPath(QCoreApplication::applicationDirPath().toStdString()));
}

void CKVLTListExport::InstallCommandKeys(std::optional<QStringList> recipients) {
    CKVLTListCtrl::SetCommandKeyHandler([recipients](CKVLTListCtrl& list, char key) {
        switch (key) {
        case 'E':
            CKVLTListExport(list).ExportList(QStringLiteral("Export"), recipients);
            return true;
        case 'P':
            CKVLTListExport(list).ExportPDF(QStringLiteral("List Print"), EXPORT_OPEN_PRINT);
            return true;
        default:
            return false;
        }
    });
}

// ------------------------------------------------------------------ the list as a table

ExportTable CKVLTListExport::ListTable(const CKVLTListCtrl& list) {
    ExportTable table;
    const int columns = list.GetColumnCount();
    table.reportExcluded.assign(size_t(columns), false);
    table.reportFlags.assign(size_t(columns), 0);
    for (int column = 0; column < columns; ++column) {
        table.titles.push_back(list.GetColumnTitle(column).toStdString());
        table.reportExcluded[size_t(column)] = list.m_mapReportExcluded.contains(unsigned(column));
        table.reportFlags[size_t(column)] = list.m_mapReportColumnFlags.value(unsigned(column), 0);
    }
    table.itemCount = uint64_t(list.GetItemCount());
    table.chosenCount = uint64_t(list.GetSelectedCount());
    const CKVLTListCtrl* source = &list;
    table.nextChosen = [source](int64_t row) {
        return int64_t(source->GetNextItem(int(row), CKVLTListCtrl::LVNI_SELECTED));
    };
    table.cell = [source](uint64_t row, int column, std::string& text) {
        text = source->GetItemText(int(row), column).toStdString();
    };
    return table;
}

QWidget* CKVLTListExport::Owner() const {
    return &m_list;
}

// ------------------------------------------------------------------ the chooser

void CKVLTListExport::ExportList(const QString& strCaption,
                                 const std::optional<QStringList>& recipients) {
    if (m_list.RequireSelection(false, 0) == 0)
        return;

    CKVLTTaskDialog dialog(Owner());
    dialog.SetWindowTitle(QStringLiteral("Export Type Selection"));
    dialog.SetMainInstruction(QStringLiteral(
        "You can export this list to different formats.\nPlease select an export type:"));
    dialog.EnableCancellation(true);
    dialog.SetVerificationText(QStringLiteral("Open file when export is complete"));
    dialog.SetVerifyCheckState(true);
    dialog.AddRadioButton(QStringLiteral("Adobe Acrobat File (PDF)"), IDC_EXPORT_PDF);
    dialog.AddRadioButton(QStringLiteral("Comma Delimited File (CSV)"), IDC_EXPORT_CSV);
    dialog.AddRadioButton(QStringLiteral("JavaScript Object Notation (JSON)"), IDC_EXPORT_JSON);
    if (recipients)
        dialog.AddRadioButton(QStringLiteral("Email"), IDC_EXPORT_EMAIL);
    dialog.AddRadioButton(QStringLiteral("Microsoft Excel"), IDC_EXPORT_EXCEL);
    dialog.AddRadioButton(QStringLiteral("Text File"), IDC_EXPORT_TEXT);
    dialog.AddRadioButton(QStringLiteral("XML File (XML)"), IDC_EXPORT_XML);
    dialog.SetDefaultRadioButton(IDC_EXPORT_PDF);
    if (m_list.GetSelectedCount() < m_list.GetItemCount())
        dialog.AddButton(QStringLiteral("Select All"), IDC_EXPORT_SELECT_ALL);
    dialog.SetCommonButtons(TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON);
    dialog.SetDefaultButton(IDOK);
    dialog.SetFooterIcon(TaskIcon::Information);

    int button = IDCANCEL;
    for (;;) {
        dialog.SetFooter(QStringLiteral("The export will contain %1 selected records (of %2 "
                                        "available).")
                             .arg(unsigned(m_list.GetSelectedCount()))
                             .arg(unsigned(m_list.GetItemCount())));
        button = dialog.DoModal();
        if (button != IDC_EXPORT_SELECT_ALL)
            break;
        m_list.SelectAllItems();
        dialog.EnableButton(IDC_EXPORT_SELECT_ALL, false);
        dialog.SetDefaultButton(IDOK);
        dialog.SetDefaultRadioButton(dialog.GetSelectedRadioButtonId());
    }
    if (button != IDOK)
        return;

    const unsigned openMode =
        dialog.IsVerificationChecked() ? EXPORT_OPEN_OPEN : EXPORT_OPEN_NOTHING;
    switch (dialog.GetSelectedRadioButtonId()) {
    case IDC_EXPORT_CSV:
        ExportCSV(openMode);
        break;
    case IDC_EXPORT_EMAIL:
        MailList(strCaption, recipients.value_or(QStringList()));
        break;
    case IDC_EXPORT_TEXT:
        ExportText(strCaption, QString(), openMode);
        break;
    case IDC_EXPORT_XML:
        ExportXML(openMode);
        break;
    case IDC_EXPORT_EXCEL:
        ExportExcel(openMode);
        break;
    case IDC_EXPORT_PDF:
        ExportPDF(strCaption, openMode);
        break;
    case IDC_EXPORT_JSON:
        ExportJSON(strCaption, QString(), openMode);
        break;
    default:
        break;
    }
}

// ------------------------------------------------------------------ shared steps

QString CKVLTListExport::ExportFileName(const QString& strExtension) {
    return QString::fromStdString(exportFileName(strExtension.toStdString(), std::time(nullptr)));
}

QString CKVLTListExport::AskPath(const QString& strFilter, const QString& strDefaultExtension,
                                 const QString& strExtension) const {
    return exportSaveFileName({ExportFileName(strExtension), strFilter, strDefaultExtension});
}

void CKVLTListExport::ShowFailure(const ExportResult& result) const {
    switch (result.status) {
    case ExportStatus::Done:
    case ExportStatus::Cancelled:
        return;
    case ExportStatus::OpenFailed:
        kvltMessageBox(exportErrorText(result), {}, MsgIcon::None, MsgButtons::Ok, Owner());
        return;
    case ExportStatus::WriteFailed:
    case ExportStatus::PdfFailed:
        kvltMessageBox(exportErrorText(result), exportErrorCaption(result), MsgIcon::Error,
                       MsgButtons::Ok, Owner());
        return;
    }
}

void CKVLTListExport::ExportComplete(const QString& strDisplayName, unsigned nRecords,
                                     const QString& strPath, unsigned nOpenMode) {
    switch (nOpenMode) {
    case EXPORT_OPEN_ASK: {
        const QString question =
            QStringLiteral("Exported %1 records.\n\nWould you like to open the exported %2 File?")
                .arg(nRecords)
                .arg(strDisplayName);
        if (kvltMessageBox(question.toStdString(), "Open File", MsgIcon::None, MsgButtons::YesNo,
                           Owner()) != MsgAnswer::Yes)
            return;
        [[fallthrough]];
    }
    case EXPORT_OPEN_OPEN:
        waitMs(g_openDelayMs);
        CKVLTAssociation(strPath).Open();
        return;
    case EXPORT_OPEN_PRINT:
        CKVLTAssociation(strPath).Print();
        return;
    default:
        return;
    }
}

QString CKVLTListExport::ReportTitle(const QString& strCaption) {
    if (m_list.m_strReportTitle.isEmpty())
        m_list.m_strReportTitle = strCaption;
    return expandVariables(m_list.m_strReportTitle);
}

QString CKVLTListExport::ReportNotes() const {
    return expandVariables(m_list.m_strReportSubtitle);
}

// ------------------------------------------------------------------ the writers

bool CKVLTListExport::ExportCSV(unsigned nOpenMode) {
    if (m_list.GetColumnCount() == 0 || m_list.GetItemCount() == 0)
        return false;
    const QString path = AskPath(QStringLiteral("CSV File (*.csv)|*.csv|"), QStringLiteral("*.csv"),
                                 QStringLiteral("csv"));
    if (path.isEmpty())
        return false;
    const ExportResult result =
        exportCsv(ListTable(m_list), path.toStdString(), Progress(path).get());
    if (!result) {
        ShowFailure(result);
        return false;
    }
    ExportComplete(QStringLiteral("CSV"), unsigned(result.rows), path, nOpenMode);
    return true;
}

bool CKVLTListExport::ExportText(const QString& strCaption, const QString& strOutputPath,
                                 unsigned nOpenMode) {
    return ExportReport(strCaption, strOutputPath, nOpenMode, false);
}

bool CKVLTListExport::ExportJSON(const QString& strCaption, const QString& strOutputPath,
                                 unsigned nOpenMode) {
    return ExportReport(strCaption, strOutputPath, nOpenMode, true);
}

bool CKVLTListExport::ExportReport(const QString& strCaption, const QString& strOutputPath,
                                   unsigned nOpenMode, bool bJson) {
    if (m_list.GetColumnCount() == 0 || m_list.GetItemCount() == 0)
        return false;
    QString path = strOutputPath;
    if (path.isEmpty()) {
        path = bJson ? AskPath(QStringLiteral("JSON File (*.json)|*.json|"),
                               QStringLiteral("*.json"), QStringLiteral("json"))
                     : AskPath(QStringLiteral("Text File (*.txt)|*.txt|"), QStringLiteral("*.txt"),
                               QStringLiteral("txt"));
        if (path.isEmpty())
            return false;
    }
    ReportExportOptions options;
    // The text export keeps the format the report writer's environment names.
    options.keepEnvironmentFormat = !bJson;
    options.format = REPORT_JSON;
    options.title = ReportTitle(strCaption).toStdString();
    options.notes = ReportNotes().toStdString();
    const ExportResult result =
        exportReport(ListTable(m_list), options, path.toStdString(), Progress(path).get());
    if (!result) {
        ShowFailure(result);
        return false;
    }
    ExportComplete(bJson ? QStringLiteral("JSON") : QStringLiteral("Text"), unsigned(result.rows),
                   path, nOpenMode);
    return true;
}

bool CKVLTListExport::ExportXML(unsigned nOpenMode) {
    if (m_list.GetColumnCount() == 0 || m_list.GetItemCount() == 0)
        return false;
    const QString path = AskPath(QStringLiteral("XML File (*.xml)|*.xml|"), QStringLiteral("*.xml"),
                                 QStringLiteral("xml"));
    if (path.isEmpty())
        return false;
    const ExportResult result =
        exportXml(ListTable(m_list), path.toStdString(), Progress(path).get());
    if (!result) {
        ShowFailure(result);
        return false;
    }
    ExportComplete(QStringLiteral("XML"), unsigned(result.rows), path, nOpenMode);
    return true;
}

bool CKVLTListExport::ExportExcel(unsigned nOpenMode) {
    if (m_list.GetColumnCount() == 0 || m_list.GetItemCount() == 0)
        return false;
    const QString path = AskPath(QStringLiteral("Microsoft Excel File (*.xls)|*.xls|"),
                                 QStringLiteral("*.XLS"), QStringLiteral("xls"));
    if (path.isEmpty())
        return false;
    const ExportResult result =
        exportXls(ListTable(m_list), path.toStdString(), Progress(path).get());
    if (!result) {
        ShowFailure(result);
        return false;
    }
    ExportComplete(QStringLiteral("XLS"), unsigned(result.rows), path, nOpenMode);
    return true;
}
