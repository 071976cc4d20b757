// The xl... operations: argument checks, the format's limits and the error text.
#include "xlbook.h"

#include "compounddoc.h"

#include "atomicfile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string_view>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

// ---------------------------------------------------------------------------------------------
// Model

void XlSheetTag::put(int row, const Cell& cell) {
    if (rows.size() <= static_cast<size_t>(row))
        rows.resize(static_cast<size_t>(row) + 1);
    auto& cells = rows[static_cast<size_t>(row)];
    // Cells nearly always arrive left to right.
    if (cells.empty() || cells.back().col < cell.col) {
        cells.push_back(cell);
        return;
    }
    auto it = std::lower_bound(cells.begin(), cells.end(), cell.col,
                               [](const Cell& c, uint16_t col) { return c.col < col; });
    if (it != cells.end() && it->col == cell.col)
        *it = cell;
    else
        cells.insert(it, cell);
}

uint32_t XlBookTag::intern(const std::string& utf8, bool& truncated) {
    if (auto it = textIndex.find(utf8); it != textIndex.end()) {
        truncated = textCut[it->second];
        return it->second;
    }
    ConvertedText converted = xlStringFromUtf8(utf8);
    truncated = converted.truncated;
    const auto index = static_cast<uint32_t>(texts.size());
    // In this order, so that running out of memory half-way leaves only an unused entry.
    textCut.push_back(converted.truncated);
    texts.push_back(std::move(converted.text));
    textIndex.emplace(utf8, index);
    return index;
}

namespace {

const char* const kNoBook = "no book";

bool fail(XlBookTag* book, std::string text) {
    book->error = std::move(text);
    return false;
}

bool cellPlaceOk(XlBookTag* book, int row, int col) {
    if (row < 0 || row >= kMaxRows)
        return fail(book, "row " + std::to_string(row) + " is outside 0 to 65535");
    if (col < 0 || col >= kMaxCols)
        return fail(book, "column " + std::to_string(col) + " is outside 0 to 255");
    return true;
}

bool sameNameIgnoringCase(const XlString& a, const XlString& b) {
    // Case folding of ASCII and Latin-1 letters; enough for the names this program gives.
    const auto fold = [](uint16_t u) -> uint16_t {
        const bool lower = (u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7);
        return lower ? static_cast<uint16_t>(u - 0x20) : u;
    };
    return a.units.size() == b.units.size() &&
           std::equal(a.units.begin(), a.units.end(), b.units.begin(),
                      [&](uint16_t x, uint16_t y) { return fold(x) == fold(y); });
}

// Why no sheet can be added under `name`; empty when it can, with the name converted.
std::string sheetNameRefusal(const XlBookTag& book, const char* name, SheetHandle initSheet,
                             XlString& converted) {
    if (initSheet)
        return "copying a sheet is not supported";
    if (!name || !*name)
        return "a sheet needs a name";
    ConvertedText text = xlStringFromUtf8(name, kMaxSheetNameChars);
    if (text.truncated)
        return std::string("sheet name longer than 31 characters: ") + name;
    const auto& units = text.text.units;
    if (std::any_of(units.begin(), units.end(), [](uint16_t u) {
            return u == ':' || u == '\\' || u == '/' || u == '?' || u == '*' || u == '[' ||
                   u == ']';
        }))
        return std::string("sheet name must not contain : \\ / ? * [ ]: ") + name;
    if (units.front() == '\'' || units.back() == '\'')
        return std::string("sheet name must not begin or end with ': ") + name;
    for (const auto& sheet : book.sheets)
        if (sameNameIgnoringCase(sheet->name, text.text))
            return std::string("a sheet named ") + name + " already exists";
    converted = std::move(text.text);
    return {};
}

// Replaces the file at `path` with `bytes`; a failure at any point leaves what was there before.
bool replaceFile(const std::string& path, const Bytes& bytes, std::string& error) {
    AtomicWriteResult written = writeFileAtomically(path, bytes.data(), bytes.size());
    if (!written)
        error = atomicWriteErrorText(path, written);
    return bool(written);
}

// The whole file in memory, or false with the book's error text set.
bool buildFile(XlBookTag* book, Bytes& file) {
    Bytes stream;
    std::string error;
    if (!assembleWorkbook(*book, stream, error))
        return fail(book, error);
    if (!writeCompoundDocument(file, "Workbook", stream))
        return fail(book, "the book is too large for the xls format");
    return true;
}

// No exception may leave the operations below: running out of memory becomes an error text.
template <typename Result, typename Operation>
Result guarded(XlBookTag* book, Result onFailure, Operation&& operation) {
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        if (book)
            book->error = "out of memory";
        return onFailure;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Operations

extern "C" {

BookHandle xlCreateBookCA(void) {
    return new (std::nothrow) XlBookTag;
}

SheetHandle xlBookAddSheetA(BookHandle book, const char* name, SheetHandle initSheet) {
    return guarded(book, SheetHandle{}, [&]() -> SheetHandle {
        if (!book)
            return nullptr;
        XlString converted;
        if (std::string why = sheetNameRefusal(*book, name, initSheet, converted); !why.empty()) {
            fail(book, std::move(why));
            return nullptr;
        }
        auto sheet = std::make_unique<XlSheetTag>();
        sheet->book = book;
        sheet->name = std::move(converted);
        book->sheets.push_back(std::move(sheet));
        book->error = "ok";
        return book->sheets.back().get();
    });
}

int xlBookSheetCountA(BookHandle book) {
    return book ? static_cast<int>(book->sheets.size()) : 0;
}

int xlSheetWriteStrA(SheetHandle sheet, int row, int col, const char* value, FormatHandle) {
    return guarded(sheet ? sheet->book : nullptr, 0, [&]() -> int {
        if (!sheet)
            return 0;
        XlBookTag* book = sheet->book;
        if (!value)
            return fail(book, "no text given for the cell");
        if (!cellPlaceOk(book, row, col))
            return 0;
        bool truncated = false;
        const uint32_t text = book->intern(value, truncated);
        sheet->put(row, {.col = static_cast<uint16_t>(col), .isText = true, .text = text});
        if (truncated)
            return fail(book, "text of cell " + std::to_string(row) + "," + std::to_string(col) +
                                  " cut to 32767 characters");
        book->error = "ok";
        return 1;
    });
}

int xlSheetWriteNumA(SheetHandle sheet, int row, int col, double value, FormatHandle) {
    return guarded(sheet ? sheet->book : nullptr, 0, [&]() -> int {
        if (!sheet)
            return 0;
        XlBookTag* book = sheet->book;
        if (!cellPlaceOk(book, row, col))
            return 0;
        if (!std::isfinite(value))
            return fail(book, "number of cell " + std::to_string(row) + "," + std::to_string(col) +
                                  " is not finite");
        sheet->put(row, {.col = static_cast<uint16_t>(col), .number = value});
        book->error = "ok";
        return 1;
    });
}

int xlBookSaveA(BookHandle book, const char* path) {
    return guarded(book, 0, [&]() -> int {
        if (!book)
            return 0;
        if (!path || !*path)
            return fail(book, "no file name given");
        Bytes file;
        if (!buildFile(book, file))
            return 0;
        std::string error;
        if (!replaceFile(path, file, error))
            return fail(book, error);
        book->error = "ok";
        return 1;
    });
}

int xlBookSaveRawA(BookHandle book, const char** data, unsigned* size) {
    return guarded(book, 0, [&]() -> int {
        if (data)
            *data = nullptr;
        if (size)
            *size = 0;
        if (!book)
            return 0;
        if (!data || !size)
            return fail(book, "no place given for the saved book");
        Bytes file;
        if (!buildFile(book, file))
            return 0;
        book->raw = std::move(file);
        *data = reinterpret_cast<const char*>(book->raw.data());
        *size = static_cast<unsigned>(book->raw.size());
        book->error = "ok";
        return 1;
    });
}

const char* xlBookErrorMessageA(BookHandle book) {
    return book ? book->error.c_str() : kNoBook;
}

void xlBookReleaseA(BookHandle book) {
    delete book;
}

} // extern "C"
