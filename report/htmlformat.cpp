// HTML output of the report writer: a pair of tables per section (title
// block, then the column titles and rows). Everything that comes from data
// (title, notes, column names, cells) is escaped.

#include <cstdio>
#include <string>

#include "reportinternal.h"

// ------------------------------------------------------------------ escaping

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

// CGI mode: the document start that follows the response header.
void htmlBeginDocument(ReportWriter* report) {
    std::fputs("<html><body>", report->output);
}

void htmlHeader(ReportWriter* report, const char* title, const char* notes) {
    std::string out;
    std::string logoCell;
    if (report->htmlLogo) {
        // The logo address is escaped too: it stands inside an attribute.
        std::string address;
        htmlAppendEscaped(&address, report->htmlLogo);
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

void htmlEndDocument(ReportWriter* report) {
    std::fputs("</body></html>", report->output);
}
