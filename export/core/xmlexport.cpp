// The XML export: ISO-8859-1, one Record element per chosen row.
#include "exportfile.h"
#include "exportwriters.h"
#include "texts.h"

#include <cctype>

namespace {

// Appends UTF-8 text as ISO-8859-1 element content: markup characters as
// entities, CR as a reference (a parser would turn a raw CR LF into LF),
// characters beyond ISO-8859-1 as references, and characters XML cannot hold
// at all (other control characters, broken UTF-8) as U+FFFD.
void appendText(std::string& out, const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x80 && c != '&' && c != '<' && c != '>') {
            out += char(c);
            ++i;
            continue;
        }
        const uint32_t code = nextCodePoint(text, i);
        switch (code) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\t':
        case '\n':
            out += char(code);
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            if (code < 0x20 || code == 0xFFFE || code == 0xFFFF)
                out += "&#65533;";
            else if (code <= 0xFF)
                out += char(code);
            else
                out += "&#" + std::to_string(code) + ";";
            break;
        }
    }
}

bool isNameStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
}

} // namespace

std::string xmlElementName(const std::string& title, int column) {
    if (title.empty())
        return "Column" + std::to_string(column + 1);
    std::string name;
    for (size_t i = 0; i < title.size();) {
        const unsigned char c = static_cast<unsigned char>(title[i]);
        if (c < 0x80) {
            name += isNameChar(char(c)) ? char(c) : '_';
            ++i;
        } else {
            nextCodePoint(title, i); // one "_" for a whole multi-byte character
            name += '_';
        }
    }
    const bool reserved = name.size() >= 3 &&
                          std::tolower(static_cast<unsigned char>(name[0])) == 'x' &&
                          std::tolower(static_cast<unsigned char>(name[1])) == 'm' &&
                          std::tolower(static_cast<unsigned char>(name[2])) == 'l';
    if (!isNameStart(name[0]) || reserved)
        name.insert(0, 1, '_');
    return name;
}

ExportResult exportXml(const ExportTable& table, const std::string& path,
                       ProgressReporter* progress) {
    ExportResult result;
    result.path = path;
    ExportFile file;
    if (!file.open(path)) {
        result.status = ExportStatus::OpenFailed;
        result.error = file.error();
        result.detail = file.detail();
        return result;
    }
    FILE* out = file.stream();
    std::fputs("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<KVLTXML>\r\n", out);

    const int columns = table.columnCount();
    // The tags of each column, made once.
    std::vector<std::string> startTags, endTags, emptyTags;
    for (int column = 0; column < columns; ++column) {
        const std::string name = xmlElementName(table.titles[size_t(column)], column);
        startTags.push_back("\t\t<" + name + ">");
        endTags.push_back("</" + name + ">\r\n");
        emptyTags.push_back("\t\t<" + name + "/>\r\n");
    }

    ExportProgress steps(progress, table.chosenCount);
    std::string record, cell;
    for (int64_t row = table.nextChosen(-1); row >= 0; row = table.nextChosen(row)) {
        record.assign("\t<Record>\r\n");
        for (int column = 0; column < columns; ++column) {
            table.cell(uint64_t(row), column, cell);
            if (cell.empty()) {
                record += emptyTags[size_t(column)];
                continue;
            }
            record += startTags[size_t(column)];
            appendText(record, cell);
            record += endTags[size_t(column)];
        }
        record += "\t</Record>\r\n";
        std::fwrite(record.data(), 1, record.size(), out);
        ++result.rows;
        if (!steps.step() || std::ferror(out))
            break;
    }
    if (steps.cancelled()) {
        result.status = ExportStatus::Cancelled;
        return result;
    }
    std::fputs("</KVLTXML>\r\n", out);
    if (!file.commit()) {
        result.status = ExportStatus::WriteFailed;
        result.error = file.error();
    }
    return result;
}
