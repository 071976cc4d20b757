// HTML output of the report writer: a pair of tables per section (title
// block, then the column titles and rows). Everything that comes from data
// (title, notes, column names, cells) is escaped.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "reportinternal.h"

namespace {

// The HTML state: the logo address, a copy of KVLTREPORTHTMLLOGO when the
// environment chose HTML at reportInit (owned, freed by close).
struct HtmlState {
    char* logo;
};

HtmlState* htmlState(const ReportWriter* report) {
    return static_cast<HtmlState*>(report->formatState);
}

// ------------------------------------------------------------------ escaping

// Appends value with " & ' < > written as entities.
void htmlAppendEscaped(std::string* out, const char* value) {
    for (const char* p = value; *p; ++p) {
        switch (*p) {
        case '"':
            out->append("&quot;");
            break;
        case '&':
            out->append("&amp;");
            break;
        case '\'':
            out->append("&apos;");
            break;
        case '<':
            out->append("&lt;");
            break;
        case '>':
            out->append("&gt;");
            break;
        default:
            out->push_back(*p);
        }
    }
}

// ------------------------------------------------------------------ format operations

void htmlStart(ReportWriter* report) {
    const char* logo = std::getenv("KVLTREPORTHTMLLOGO");
    if (!(report->flags & RPT_HTML_LOGO) || !logo)
        return;
    auto* state = static_cast<HtmlState*>(std::calloc(1, sizeof(HtmlState)));
    if (state)
        state->logo = reportCopyText(logo);
    report->formatState = state;
}

// The response header, then the document start that follows it.
void htmlCgiHeader(ReportWriter* report) {
    std::fputs("Content-Type: text/html;\n\r\n", stdout);
    std::fflush(stdout);
    std::fputs("<html><body>", report->output);
}

void htmlHeader(ReportWriter* report, const ReportHeading& heading) {
    const char* title = heading.title;
    const char* notes = heading.notesShown ? heading.notes : nullptr;
    std::string out;
    std::string logoCell;
    const HtmlState* state = htmlState(report);
    if (state && state->logo) {
        // The logo address is escaped too: it stands inside an attribute.
        std::string address;
        htmlAppendEscaped(&address, state->logo);
        logoCell = "<img src=\"" + address +
                   "\" alt=\"Report Logo\" style=\"width:237px;height:59px;border:0;\">";
    } else {
        logoCell = "<h1>Report</h1>";
    }
    out += "<table width=\"100%\"><tr><td width=\"20%\" bgcolor=\"#ffffff\">";
    out += logoCell;
    out += "</td><td width=\"80%\" bgcolor=\"#0A4169\"><font size=\"6\" color=\"#fff\">&nbsp; ";
    htmlAppendEscaped(&out, title);
    out += "</td>";
    out += "<tr><td width = \"20%\" bgcolor=\"#ffffff\"></td><td width = \"80%\" "
           "bgcolor=\"#ffffff\">Production Time: ";
    out += reportHeaderTime();
    out += "</td>";
    if (notes) {
        out += "</tr><tr>\n<td width=\"20%\" bgcolor=\"#ffffff\"></td><td width=\"80%\" "
               "bgcolor=\"#ffffff\">Report Notes: ";
        htmlAppendEscaped(&out, notes);
        out += "</td></tr>";
    }
    out += "</tr></table>";
    out += "<table><tr bgcolor=\"#EEEEEE\">";
    for (uint32_t i = 0; i < report->columnCount; ++i) {
        const ReportColumn& col = report->columns[i];
        if (col.flags & COL_HIDDEN)
            continue;
        out += "<th>";
        htmlAppendEscaped(&out, col.name);
        out += "</th>";
    }
    out += "</tr>";
    reportWrite(report->output, out);
}

void htmlRow(ReportWriter* report, ReportCells cells) {
    static std::string out;
    out.assign("<tr>");
    for (uint32_t i = 0; i < report->columnCount; ++i) {
        if (!cells[i])
            continue;
        out += (report->columns[i].flags & COL_RIGHT) ? "<td align=\"right\">" : "<td>";
        out += "<tt>";
        htmlAppendEscaped(&out, cells[i]);
        out += "</tt></td>";
    }
    out += "</tr>";
    reportWrite(report->output, out);
}

void htmlEndSection(ReportWriter* report) {
    std::fputs("</table><p></p>", report->output);
}

// The document end, in every mode, unless the report was dropped.
void htmlClose(ReportWriter* report) {
    if (!(report->flags & RPT_DROPPED))
        std::fputs("</body></html>", report->output);
    if (HtmlState* state = htmlState(report)) {
        std::free(state->logo);
        std::free(state);
    }
    report->formatState = nullptr;
}

} // namespace

const ReportFormatOps kHtmlFormat = {
    .format = REPORT_HTML,
    .keyword = "html",
    .trimsCells = true,
    .start = htmlStart,
    .cgiHeader = htmlCgiHeader,
    .header = htmlHeader,
    .row = htmlRow,
    .endSection = htmlEndSection,
    .separator = nullptr, // counters only
    .groupHeading = nullptr,
    .close = htmlClose,
};
