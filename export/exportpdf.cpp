// The PDF export and its options dialog; also the list's print command.
#include "kvltlistexport.h"

#include "exportwriters.h"
#include "filedialogs.h"
#include "kvltlistctrl.h"
#include "messagebox.h"
#include "profile.h"
#include "progressdialog.h"
#include "taskdialog.h"

namespace {

// Radio ids of the options dialog: the report writer's page size indexes.
enum : int { IDC_PDF_LETTER = 0, IDC_PDF_LEGAL = 1, IDC_PDF_A4 = 3 };

} // namespace

bool CKVLTListExport::ExportPDF(const QString& strCaption, unsigned nOpenMode) {
    if (m_list.GetColumnCount() == 0 || m_list.GetItemCount() == 0 ||
        m_list.GetSelectedCount() == 0)
        return false;

    const QString sizeEntry = QString::fromLatin1(kEntryPDFPageSize);
    const QString orientationEntry = QString::fromLatin1(kEntryPDFPageOrientation);
    const QString columnsEntry = QString::fromLatin1(kEntryPDFExclusionColumns);

    CKVLTTaskDialog dialog(Owner());
    dialog.SetWindowTitle(QStringLiteral("PDF Export Options"));
    dialog.SetMainInstruction(
        QStringLiteral("Please select the desired settings for the PDF file."));
    dialog.SetContent(QStringLiteral(
        "Please select a paper size.\n\nYou can also remove columns from the report by "
        "specifying an array of comma delimited column values in the input box (example 3,4,8)."));
    dialog.EnableCancellation(true);
    dialog.AddRadioButton(QStringLiteral("Letter"), IDC_PDF_LETTER);
    dialog.AddRadioButton(QStringLiteral("Legal"), IDC_PDF_LEGAL);
    dialog.AddRadioButton(QStringLiteral("A4"), IDC_PDF_A4);
    dialog.SetDefaultRadioButton(int(m_list.GetListSettingInt(sizeEntry, 0)));
    dialog.SetVerificationText(
        QStringLiteral("Create PDF in landscape mode (rather than portrait)"));
    dialog.SetVerifyCheckState(m_list.GetListSettingInt(orientationEntry, 0) != 0);
    dialog.AddInputBox();
    dialog.SetInputBoxText(m_list.GetListSetting(columnsEntry, QString()));
    dialog.SetCommonButtons(TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON);
    dialog.SetDefaultButton(IDOK);
    if (dialog.DoModal() != IDOK)
        return false;

    const ExportFormat& format = *exportFormatById(IDC_EXPORT_PDF);
    const QString path = AskPath(format);
    if (path.isEmpty())
        return false;

    // Remembered only once the user got this far.
    const int pageSize = dialog.GetSelectedRadioButtonId();
    const bool landscape = dialog.IsVerificationChecked();
    const QString columns = dialog.GetInputBoxText();
    m_list.WriteListSettingInt(sizeEntry, unsigned(pageSize));
    m_list.WriteListSettingInt(orientationEntry, landscape ? 1 : 0);
    m_list.WriteListSetting(columnsEntry, columns);

    ReportExportOptions options = ReportOptions(strCaption);
    options.format = REPORT_PDF;
    options.orientation = landscape ? 1 : 0;
    options.pageSize = uint32_t(pageSize);
    options.logoPath = LogoPath().toStdString();
    options.columnDelete = columns.toStdString();
    const ExportResult result =
        format.write(ListTable(m_list), options, path.toStdString(), Progress(path).get());
    if (result.status == ExportStatus::Cancelled)
        return false;
    if (!result) {
        ShowFailure(result);
        return true;
    }
    ExportComplete(QString::fromUtf8(format.displayName), unsigned(result.rows), path, nOpenMode);
    return true;
}
