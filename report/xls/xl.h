// Spreadsheet books in the binary xls format (BIFF8 inside a compound document).
//
// The report writer and the list's spreadsheet export call exactly these operations. They keep
// the shape of the C interface those callers were written against: opaque handles, "A" functions
// taking narrow texts (UTF-8 here), int results (1 success, 0 failure) and the text of the last
// error kept by the book.
//
// Limits of the format and what happens past them (the book always stays saveable):
//   rows 0..65535, columns 0..255   -> the write fails, nothing is stored
//   text longer than 32,767 chars   -> the first 32,767 characters are stored, the write
//                                      returns 0 and the error text says it was cut
//   number not finite (NaN, inf)    -> the write fails, nothing is stored
//   sheet name: 1..31 characters, none of : \ / ? * [ ], unique (case-insensitive)
//                                   -> otherwise no sheet and no handle
// Invalid UTF-8 bytes become U+FFFD. Writing a cell twice keeps the latest value.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef struct XlBookTag* BookHandle;
typedef struct XlSheetTag* SheetHandle;
// Cell formats are not supported; pass a null FormatHandle (the default format).
typedef struct XlFormatTag* FormatHandle;

// Creates an empty book in the binary xls format. Free it with xlBookReleaseA.
BookHandle xlCreateBookCA(void);

// Appends a sheet named `name` and returns its handle, owned by the book. `initSheet` (copying an
// existing sheet) is not supported and must be null. Null on failure; see xlBookErrorMessageA.
SheetHandle xlBookAddSheetA(BookHandle book, const char* name, SheetHandle initSheet);

// Number of sheets in the book.
int xlBookSheetCountA(BookHandle book);

// Writes a text cell (row and column from 0). 1 on success, 0 on failure (error text set).
int xlSheetWriteStrA(SheetHandle sheet, int row, int col, const char* value, FormatHandle format);

// Writes a number cell. 1 on success, 0 on failure (error text set).
int xlSheetWriteNumA(SheetHandle sheet, int row, int col, double value, FormatHandle format);

// Saves the book as the file `path`. The file is written beside the target and then renamed over
// it, so a failed save leaves an existing file as it was. 1 on success, 0 on failure.
int xlBookSaveA(BookHandle book, const char* path);

// Saves the book into memory. On success *data and *size describe the bytes; the buffer belongs
// to the book and stays valid until the next xlBookSaveRawA on the same book or xlBookReleaseA.
// 0 on failure (*data null, *size 0).
int xlBookSaveRawA(BookHandle book, const char** data, unsigned* size);

// Text of the last error of any operation on this book or its sheets; "ok" when the last
// operation succeeded. Valid until the next operation on the book. Never null.
const char* xlBookErrorMessageA(BookHandle book);

// Releases the book, its sheets and the buffer of xlBookSaveRawA. Null is allowed.
void xlBookReleaseA(BookHandle book);

#ifdef __cplusplus
}
#endif
