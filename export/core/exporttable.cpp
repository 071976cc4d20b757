#include "exporttable.h"
#include "exportwriters.h"

#include "progress.h"

#include <sys/stat.h>

#include <cstring>

namespace {
// Rows between two progress reports: a report costs a clock read and, in the
// window, an event pass.
constexpr uint64_t kReportEvery = 512;
} // namespace

bool ExportProgress::step(uint64_t units) {
    m_done += units;
    if (m_reporter != nullptr && !m_cancelled && m_done >= m_nextReport) {
        m_nextReport = m_done + kReportEvery;
        if (!m_reporter->report(m_done, m_total))
            m_cancelled = true;
    }
    return !m_cancelled;
}

std::string exportErrorText(const ExportResult& result) {
    if (!result.sentence.empty() && result.status != ExportStatus::Done &&
        result.status != ExportStatus::Cancelled)
        return result.sentence;
    // The reason: the system's words for errno, else the writer's own.
    std::string reason =
        result.error != 0 ? std::string(std::strerror(result.error)) : result.detail;
    if (reason.empty())
        reason = result.status == ExportStatus::OpenFailed ? "it cannot be created"
                                                           : "it could not be completed";
    const std::string file = result.path.empty() ? std::string() : " " + result.path;
    switch (result.status) {
    case ExportStatus::OpenFailed:
        return "Failed to open output file" + file + ": " + reason;
    case ExportStatus::WriteFailed:
        return "Failed to write output file" + file + ": " + reason;
    case ExportStatus::PdfFailed:
        return "PDF Export failed with result code: " + std::to_string(result.pdfCode);
    case ExportStatus::Done:
    case ExportStatus::Cancelled:
        break;
    }
    return {};
}

std::string exportErrorCaption(const ExportResult& result) {
    return result.status == ExportStatus::PdfFailed ? "Export Error" : std::string();
}

std::string exportFileName(const std::string& extension, time_t now) {
    char stamp[64];
    struct tm local {};
    if (localtime_r(&now, &local) == nullptr ||
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local) == 0)
        std::strcpy(stamp, "Invalid DateTime");
    return "Strovane-Export-" + std::string(stamp) + "." + extension;
}

std::string exportLogoPath(const std::string& programFolder) {
    std::string folder = programFolder;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    const std::string beside = folder + "Resources/Strovane_Logo.jpg";
    const std::string installed = folder + KVLT_LOGO_FROM_PROGRAMS "/Strovane_Logo.jpg";
    struct stat info {};
    if (::stat(beside.c_str(), &info) != 0 && ::stat(installed.c_str(), &info) == 0)
        return installed;
    return beside;
}
