// JSON output of the report writer: an array of report objects, one per
// header, each with its rows under "records", printed by cJSON on close.

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include <cjson/cJSON.h>

#include "reportinternal.h"

// ------------------------------------------------------------------ format operations

// Column names become record keys: lower case, blanks replaced by "-".
void jsonMakeKeys(ReportWriter* report) {
    for (uint32_t i = 0; i < report->columnCount; ++i) {
        for (char* p = report->columns[i].name; *p; ++p) {
            if (*p == ' ')
                *p = '-';
            else
                *p = char(std::tolower(static_cast<unsigned char>(*p)));
        }
    }
}

// Appends the section's report object; an item that cannot be allocated is
// left out, as the rest of the writer does on memory exhaustion.
void jsonHeader(ReportWriter* report, const char* title) {
    if (!report->jsonRoot)
        return;
    cJSON* object = cJSON_CreateObject();
    if (!object)
        return;
    cJSON_AddStringToObject(object, "title", title);
    cJSON_AddStringToObject(object, "creation_time", reportHeaderTime());
    if (report->reportId != 0)
        cJSON_AddNumberToObject(object, "report_id", report->reportId);
    cJSON* records = cJSON_AddArrayToObject(object, "records");
    cJSON_AddItemToArray(report->jsonRoot, object);
    report->jsonReport = object;
    report->jsonRecords = records;
}

void jsonRow(ReportWriter* report, ReportCells cells) {
    if (!report->jsonRecords)
        return; // no header yet: nowhere to go
    cJSON* record = cJSON_CreateObject();
    if (!record)
        return;
    for (uint32_t i = 0; i < report->columnCount; ++i)
        if (cells[i])
            cJSON_AddStringToObject(record, report->columns[i].name, cells[i]);
    cJSON_AddItemToArray(report->jsonRecords, record);
}

void jsonWriteDocument(ReportWriter* report) {
    if (!report->jsonRoot)
        return;
    char* text = cJSON_Print(report->jsonRoot);
    if (!text) {
        reportSetCloseError(report, "There is not enough memory to write the JSON report");
        if (report->outputError == 0)
            report->outputError = ENOMEM;
        return;
    }
    std::fputs(text, report->output);
    cJSON_free(text);
}
