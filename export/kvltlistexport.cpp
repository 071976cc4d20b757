// The chooser, the writers' dialogs and messages, and the completion step.
#include "kvltlistexport.h"

#include "exportwriters.h"
#include "filedialogs.h"
#include "kvltassociation.h"
#include "kvltlistctrl.h"
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

// A title or notes text with $name replaced from the report variables;
// every other character, "%" included, stays as it stands.
QString expandVariables(ReportVariables* variables, const QString& text) {
    if (variables == nullptr || !text.contains(QLatin1Char('$')))
        return text;
    return QString::fromStdString(expandVariableNames(variables, text.toStdString()));
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

std::unique_ptr<CProgressDialog> CKVLTListExport::Progress(const QString& strPath) const {
    return std::make_unique<CProgressDialog>(
        Owner(), QStringLiteral("Exporting to %1").arg(QFileInfo(strPath).fileName()), true,
        m_environment.progressDelayMs);
}

QString CKVLTListExport::LogoPath() const {
    if (!m_environment.logoPath.isEmpty())
        return m_environment.logoPath;
    return QString::fromStdString(
        exportLogoPath(QCoreApplication::applicationDirPath().toStdString()));
}

void CKVLTListExport::InstallCommandKeys(std::optional<QStringList> recipients,
                                         ExportEnvironment environment) {
    CKVLTListCtrl::SetCommandKeyHandler([recipients, environment](CKVLTListCtrl& list, char key) {
        switch (key) {
        case 'E':
            CKVLTListExport(list, environment).ExportList(QStringLiteral("Export"), recipients);
            return true;
        case 'P':
            CKVLTListExport(list, environment)
                .ExportPDF(QStringLiteral("List Print"), EXPORT_OPEN_PRINT);
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
    for (int column = 0; column < columns; ++column)
        table.titles.push_back(list.GetColumnTitle(column).toStdString());
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
    for (size_t i = 0; i < kExportFormatCount; ++i) {
        const ExportFormat& format = kExportFormats[i];
        if (!format.needsRecipients || recipients)
            dialog.AddRadioButton(QString::fromUtf8(format.chooserText), format.chooserId);
    }
    dialog.SetDefaultRadioButton(kExportFormats[0].chooserId);
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
    const ExportFormat* format = exportFormatById(dialog.GetSelectedRadioButtonId());
    if (format == nullptr)
        return;
    if (format->needsRecipients)
        MailList(strCaption, recipients.value_or(QStringList()));
    else if (format->chooserId == IDC_EXPORT_PDF)
        ExportPDF(strCaption, openMode); // asks for the paper first
    else
        ExportFile(*format, strCaption, QString(), openMode);
}

// ------------------------------------------------------------------ shared steps

QString CKVLTListExport::ExportFileName(const QString& strExtension) {
    return QString::fromStdString(exportFileName(strExtension.toStdString(), std::time(nullptr)));
}

QString CKVLTListExport::AskPath(const ExportFormat& format) const {
    return fileDialogs().getExportFileName({ExportFileName(QString::fromUtf8(format.extension)),
                                            QString::fromUtf8(format.filter),
                                            QString::fromUtf8(format.defaultExtension)});
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
        waitMs(m_environment.openDelayMs);
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
    if (m_list.GetReportTitle().isEmpty())
        m_list.SetReportTitle(strCaption);
    return expandVariables(m_environment.variables, m_list.GetReportTitle());
}

// ------------------------------------------------------------------ the writers

ReportExportOptions CKVLTListExport::ReportOptions(const QString& strCaption) {
    ReportExportOptions options;
    options.title = ReportTitle(strCaption).toStdString();
    return options;
}

bool CKVLTListExport::ExportFile(const ExportFormat& format, const QString& strCaption,
                                 const QString& strOutputPath, unsigned nOpenMode) {
    if (m_list.GetColumnCount() == 0 || m_list.GetItemCount() == 0 || format.write == nullptr)
        return false;
    const QString path = strOutputPath.isEmpty() ? AskPath(format) : strOutputPath;
    if (path.isEmpty())
        return false;
    const ReportExportOptions options =
        format.titled ? ReportOptions(strCaption) : ReportExportOptions();
    const ExportResult result =
        format.write(ListTable(m_list), options, path.toStdString(), Progress(path).get());
    if (!result) {
        ShowFailure(result);
        return false;
    }
    ExportComplete(QString::fromUtf8(format.displayName), unsigned(result.rows), path, nOpenMode);
    return true;
}

bool CKVLTListExport::ExportCSV(unsigned nOpenMode) {
    return ExportFile(*exportFormatById(IDC_EXPORT_CSV), QString(), QString(), nOpenMode);
}

bool CKVLTListExport::ExportText(const QString& strCaption, const QString& strOutputPath,
                                 unsigned nOpenMode) {
    return ExportFile(*exportFormatById(IDC_EXPORT_TEXT), strCaption, strOutputPath, nOpenMode);
}

bool CKVLTListExport::ExportJSON(const QString& strCaption, const QString& strOutputPath,
                                 unsigned nOpenMode) {
    return ExportFile(*exportFormatById(IDC_EXPORT_JSON), strCaption, strOutputPath, nOpenMode);
}

bool CKVLTListExport::ExportXML(unsigned nOpenMode) {
    return ExportFile(*exportFormatById(IDC_EXPORT_XML), QString(), QString(), nOpenMode);
}

bool CKVLTListExport::ExportExcel(unsigned nOpenMode) {
    return ExportFile(*exportFormatById(IDC_EXPORT_EXCEL), QString(), QString(), nOpenMode);
}
