// Whole books written through the xl operations and read back by python3-xlrd.
#include "xl.h"
#include "xlrdreader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>

namespace {

struct Book {
    BookHandle h = xlCreateBookCA();
    ~Book() { xlBookReleaseA(h); }
    std::string error() const { return xlBookErrorMessageA(h); }
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

XlrdBook saveAndRead(BookHandle book, const std::string& stem) {
    const std::string path = tempXlsPath(stem);
    EXPECT_EQ(xlBookSaveA(book, path.c_str()), 1) << xlBookErrorMessageA(book);
    return readWithXlrd(path);
}

std::string textAt(const XlrdSheet& sheet, int row, int col) {
    auto it = sheet.cells.find({row, col});
    if (it == sheet.cells.end())
        return "<empty>";
    return it->second.type == "text" ? it->second.text : "<" + it->second.type + ">";
}

double numberAt(const XlrdSheet& sheet, int row, int col) {
    auto it = sheet.cells.find({row, col});
    if (it == sheet.cells.end() || it->second.type != "number")
        return std::numeric_limits<double>::quiet_NaN();
    return it->second.number;
}

} // namespace

TEST(XlBook, SheetsTextAndNumberCellsReadBack) {
    Book book;
    SheetHandle first = xlBookAddSheetA(book.h, "Report 1 16807", nullptr);
    SheetHandle second = xlBookAddSheetA(book.h, "Export", nullptr);
    ASSERT_TRUE(first && second) << book.error();
    EXPECT_EQ(xlBookSheetCountA(book.h), 2);

    EXPECT_EQ(xlSheetWriteStrA(first, 0, 0, "Volume", nullptr), 1);
    EXPECT_EQ(xlSheetWriteStrA(first, 0, 1, "Slot", nullptr), 1);
    EXPECT_EQ(xlSheetWriteStrA(first, 1, 0, "VOL001", nullptr), 1);
    EXPECT_EQ(xlSheetWriteNumA(first, 1, 1, 12, nullptr), 1);
    EXPECT_EQ(xlSheetWriteNumA(first, 2, 1, -0.25, nullptr), 1);
    EXPECT_EQ(xlSheetWriteNumA(first, 3, 1, 9007199254740993.0, nullptr), 1);
    // Out of order, and written twice: the latest value stands.
    EXPECT_EQ(xlSheetWriteStrA(second, 2, 3, "right", nullptr), 1);
    EXPECT_EQ(xlSheetWriteStrA(second, 2, 1, "left", nullptr), 1);
    EXPECT_EQ(xlSheetWriteNumA(second, 2, 1, 7, nullptr), 1);
    EXPECT_EQ(xlSheetWriteStrA(second, 4, 0, "00042", nullptr), 1);
    EXPECT_EQ(xlSheetWriteStrA(second, 4, 2, "VOL001", nullptr), 1); // shared with sheet 1
    EXPECT_EQ(book.error(), "ok");

    const XlrdBook read = saveAndRead(book.h, "basic");
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.sheets.size(), 2u);
    const XlrdSheet& a = read.sheets[0];
    EXPECT_EQ(a.name, "Report 1 16807");
    EXPECT_EQ(a.nrows, 4);
    EXPECT_EQ(a.ncols, 2);
    EXPECT_EQ(a.cells.size(), 6u);
    EXPECT_EQ(textAt(a, 0, 0), "Volume");
    EXPECT_EQ(textAt(a, 0, 1), "Slot");
    EXPECT_EQ(textAt(a, 1, 0), "VOL001");
    EXPECT_EQ(numberAt(a, 1, 1), 12);
    EXPECT_EQ(numberAt(a, 2, 1), -0.25);
    EXPECT_EQ(numberAt(a, 3, 1), 9007199254740992.0); // the nearest double, as written

    const XlrdSheet& b = read.sheets[1];
    EXPECT_EQ(b.name, "Export");
    EXPECT_EQ(b.nrows, 5);
    EXPECT_EQ(b.ncols, 4);
    EXPECT_EQ(b.cells.size(), 4u);
    EXPECT_EQ(numberAt(b, 2, 1), 7);
    EXPECT_EQ(textAt(b, 2, 3), "right");
    EXPECT_EQ(textAt(b, 4, 0), "00042"); // stays text, leading zeros kept
    EXPECT_EQ(textAt(b, 4, 2), "VOL001");
}

TEST(XlBook, UnicodeTextsAndSheetNames) {
    Book book;
    SheetHandle sheet = xlBookAddSheetA(book.h,
                                        "\xC3\x9C"
                                        "bersicht \xE2\x82\xAC",
                                        nullptr); // Übersicht €
    ASSERT_TRUE(sheet) << book.error();
    const std::string texts[] = {
        "Gr\xC3\xBC\xC3\x9F"
        "e",                                    // Latin-1 only: one byte per character
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", // CJK
        "Band \xF0\x9F\x93\xBC und \xCE\xA9",   // outside the BMP, Greek
        "",                                     // empty text cell
    };
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(xlSheetWriteStrA(sheet, i, 0, texts[i].c_str(), nullptr), 1);
    EXPECT_EQ(xlSheetWriteStrA(sheet, 4, 0, "bad \xFF byte", nullptr), 1);

    const XlrdBook read = saveAndRead(book.h, "unicode");
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.sheets.size(), 1u);
    EXPECT_EQ(read.sheets[0].name, "\xC3\x9C"
                                   "bersicht \xE2\x82\xAC");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(textAt(read.sheets[0], i, 0), texts[i]) << i;
    EXPECT_EQ(textAt(read.sheets[0], 4, 0), "bad \xEF\xBF\xBD byte");
}

TEST(XlBook, SharedStringsBeyondOneRecordReadBackExactly) {
    // Many texts of mixed lengths and widths, so strings and their headers meet the CONTINUE
    // boundaries at every kind of place; some repeat, some span several records.
    Book book;
    SheetHandle sheet = xlBookAddSheetA(book.h, "Strings", nullptr);
    std::mt19937 random(4242);
    std::vector<std::string> written;
    for (int row = 0; row < 3000; ++row) {
        const int length = static_cast<int>(random() % 40);
        std::string text = "r" + std::to_string(row) + " ";
        for (int i = 0; i < length; ++i)
            text += (random() % 5 == 0) ? "\xC3\xA9" : (random() % 7 == 0 ? "\xE2\x82\xAC" : "x");
        if (row % 10 == 9)
            text = written[static_cast<size_t>(row) - 5];
        written.push_back(text);
        ASSERT_EQ(xlSheetWriteStrA(sheet, row, 0, text.c_str(), nullptr), 1);
    }
    const std::string longNarrow(20000, 'n');
    std::string longWide;
    for (int i = 0; i < 20000; ++i)
        longWide += "\xE2\x82\xAC";
    const std::string longest = std::string(32766, 'z') + "\xC3\xA9";
    EXPECT_EQ(xlSheetWriteStrA(sheet, 0, 1, longNarrow.c_str(), nullptr), 1);
    EXPECT_EQ(xlSheetWriteStrA(sheet, 1, 1, longWide.c_str(), nullptr), 1);
    EXPECT_EQ(xlSheetWriteStrA(sheet, 2, 1, longest.c_str(), nullptr), 1);

    const XlrdBook read = saveAndRead(book.h, "sst");
    ASSERT_EQ(read.error, "");
    const XlrdSheet& s = read.sheets.at(0);
    for (int row = 0; row < 3000; ++row)
        ASSERT_EQ(textAt(s, row, 0), written[static_cast<size_t>(row)]) << "row " << row;
    EXPECT_EQ(textAt(s, 0, 1), longNarrow);
    EXPECT_EQ(textAt(s, 1, 1), longWide);
    EXPECT_EQ(textAt(s, 2, 1), longest);
}

TEST(XlBook, TextLongerThanACellHoldsIsCutAndReported) {
    Book book;
    SheetHandle sheet = xlBookAddSheetA(book.h, "Long", nullptr);
    const std::string tooLong = std::string(32767, 'a') + "bcd";
    EXPECT_EQ(xlSheetWriteStrA(sheet, 0, 0, tooLong.c_str(), nullptr), 0);
    EXPECT_EQ(book.error(), "text of cell 0,0 cut to 32767 characters");
    // The same text again is still reported, though stored only once.
    EXPECT_EQ(xlSheetWriteStrA(sheet, 1, 0, tooLong.c_str(), nullptr), 0);
    EXPECT_EQ(xlSheetWriteStrA(sheet, 2, 0, "short", nullptr), 1);
    EXPECT_EQ(book.error(), "ok");

    const XlrdBook read = saveAndRead(book.h, "long");
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(textAt(read.sheets[0], 0, 0), std::string(32767, 'a'));
    EXPECT_EQ(textAt(read.sheets[0], 1, 0), std::string(32767, 'a'));
    EXPECT_EQ(textAt(read.sheets[0], 2, 0), "short");
}

TEST(XlBook, CellsOutsideTheSheetAreRefusedAndTheFileStaysValid) {
    Book book;
    SheetHandle sheet = xlBookAddSheetA(book.h, "Edges", nullptr);
    EXPECT_EQ(xlSheetWriteStrA(sheet, 65535, 255, "last", nullptr), 1);
    EXPECT_EQ(xlSheetWriteNumA(sheet, 0, 0, 1, nullptr), 1);

    EXPECT_EQ(xlSheetWriteStrA(sheet, 65536, 0, "x", nullptr), 0);
    EXPECT_EQ(book.error(), "row 65536 is outside 0 to 65535");
    EXPECT_EQ(xlSheetWriteNumA(sheet, 0, 256, 1, nullptr), 0);
    EXPECT_EQ(book.error(), "column 256 is outside 0 to 255");
    EXPECT_EQ(xlSheetWriteNumA(sheet, -1, 0, 1, nullptr), 0);
    EXPECT_EQ(book.error(), "row -1 is outside 0 to 65535");
    EXPECT_EQ(xlSheetWriteStrA(sheet, 0, -3, "x", nullptr), 0);
    EXPECT_EQ(book.error(), "column -3 is outside 0 to 255");
    EXPECT_EQ(xlSheetWriteNumA(sheet, 1, 1, std::nan(""), nullptr), 0);
    EXPECT_EQ(book.error(), "number of cell 1,1 is not finite");
    EXPECT_EQ(xlSheetWriteNumA(sheet, 1, 1, -INFINITY, nullptr), 0);
    EXPECT_EQ(xlSheetWriteStrA(sheet, 1, 1, nullptr, nullptr), 0);
    EXPECT_EQ(book.error(), "no text given for the cell");

    const XlrdBook read = saveAndRead(book.h, "edges");
    ASSERT_EQ(read.error, "");
    const XlrdSheet& s = read.sheets[0];
    EXPECT_EQ(s.nrows, 65536);
    EXPECT_EQ(s.ncols, 256);
    EXPECT_EQ(s.cells.size(), 2u);
    EXPECT_EQ(textAt(s, 65535, 255), "last");
    EXPECT_EQ(numberAt(s, 0, 0), 1);
}

TEST(XlBook, SheetNamesThatTheFormatCannotHoldAreRefused) {
    Book book;
    const std::string name31(31, 'n');
    ASSERT_TRUE(xlBookAddSheetA(book.h, name31.c_str(), nullptr));
    ASSERT_TRUE(xlBookAddSheetA(book.h, "Report 1 2", nullptr));
    ASSERT_TRUE(xlBookAddSheetA(book.h, "\xC3\x89t\xC3\xA9", nullptr)); // Été

    const struct {
        std::string name;
        std::string error;
    } refused[] = {
        {std::string(32, 'n'), "sheet name longer than 31 characters: " + std::string(32, 'n')},
        {"", "a sheet needs a name"},
        {"a/b", "sheet name must not contain : \\ / ? * [ ]: a/b"},
        {"[x]", "sheet name must not contain : \\ / ? * [ ]: [x]"},
        {"q?", "sheet name must not contain : \\ / ? * [ ]: q?"},
        {"'quoted'", "sheet name must not begin or end with ': 'quoted'"},
        {"REPORT 1 2", "a sheet named REPORT 1 2 already exists"},
        {"\xC3\xA9t\xC3\xA9", "a sheet named \xC3\xA9t\xC3\xA9 already exists"}, // été after Été
    };
    for (const auto& r : refused) {
        EXPECT_EQ(xlBookAddSheetA(book.h, r.name.c_str(), nullptr), nullptr) << r.name;
        EXPECT_EQ(book.error(), r.error);
    }
    EXPECT_EQ(xlBookAddSheetA(book.h, nullptr, nullptr), nullptr);
    EXPECT_EQ(xlBookSheetCountA(book.h), 3);

    const XlrdBook read = saveAndRead(book.h, "names");
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.sheets.size(), 3u);
    EXPECT_EQ(read.sheets[2].name, "\xC3\x89t\xC3\xA9");
    EXPECT_EQ(read.sheets[0].name, name31);
    EXPECT_EQ(read.sheets[1].name, "Report 1 2");
    EXPECT_EQ(read.sheets[1].nrows, 0);
}

TEST(XlBook, SavingToMemoryGivesTheBytesOfTheFile) {
    Book book;
    SheetHandle sheet = xlBookAddSheetA(book.h, "Raw", nullptr);
    xlSheetWriteStrA(sheet, 0, 0, "bytes", nullptr);
    const std::string path = tempXlsPath("raw");
    ASSERT_EQ(xlBookSaveA(book.h, path.c_str()), 1);

    const char* data = nullptr;
    unsigned size = 0;
    ASSERT_EQ(xlBookSaveRawA(book.h, &data, &size), 1);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(data, size), slurp(path));
    EXPECT_EQ(size % 512, 0u);

    // The buffer stays the book's: still there after other operations, replaced by the next save.
    xlSheetWriteNumA(sheet, 1, 0, 5, nullptr);
    EXPECT_EQ(std::string(data, size), slurp(path));
    const char* again = nullptr;
    unsigned againSize = 0;
    ASSERT_EQ(xlBookSaveRawA(book.h, &again, &againSize), 1);
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(again, againSize);
    const XlrdBook read = readWithXlrd(path);
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(numberAt(read.sheets[0], 1, 0), 5);
}

TEST(XlBook, FailedSavesReportWhyAndLeaveFilesAlone) {
    Book empty;
    const std::string path = tempXlsPath("kept");
    std::ofstream(path) << "keep me";
    EXPECT_EQ(xlBookSaveA(empty.h, path.c_str()), 0);
    EXPECT_EQ(empty.error(), "the book has no sheets");
    EXPECT_EQ(slurp(path), "keep me");
    const char* data = "x";
    unsigned size = 9;
    EXPECT_EQ(xlBookSaveRawA(empty.h, &data, &size), 0);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0u);

    Book book;
    xlSheetWriteStrA(xlBookAddSheetA(book.h, "S", nullptr), 0, 0, "v", nullptr);
    const std::string missingDir = path + ".d/none/out.xls";
    EXPECT_EQ(xlBookSaveA(book.h, missingDir.c_str()), 0);
    EXPECT_EQ(book.error(), "Cannot create a file in the folder of " + missingDir +
                                ": No such file or directory");
    EXPECT_EQ(xlBookSaveA(book.h, ""), 0);
    EXPECT_EQ(book.error(), "no file name given");
    EXPECT_EQ(xlBookSaveA(book.h, nullptr), 0);

    // A target that must not be replaced (a directory): nothing changes, no temporary is left.
    const std::string dir = path + ".dir";
    std::filesystem::create_directories(dir);
    EXPECT_EQ(xlBookSaveA(book.h, dir.c_str()), 0);
    EXPECT_EQ(book.error(), "Cannot write " + dir + ": it is a folder, not a regular file");
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(dir).parent_path()))
        EXPECT_EQ(entry.path().filename().string().rfind(".kvlt-save-", 0), std::string::npos)
            << "no temporary file is left: " << entry.path();

    // Saving over an existing file replaces it whole.
    ASSERT_EQ(xlBookSaveA(book.h, path.c_str()), 1);
    const XlrdBook read = readWithXlrd(path);
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(textAt(read.sheets[0], 0, 0), "v");
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(path).parent_path()))
        EXPECT_EQ(entry.path().filename().string().rfind(".kvlt-save-", 0), std::string::npos);
}

TEST(XlBook, NullHandlesAndUnsupportedArgumentsDoNotCrash) {
    EXPECT_EQ(xlBookAddSheetA(nullptr, "x", nullptr), nullptr);
    EXPECT_EQ(xlSheetWriteStrA(nullptr, 0, 0, "x", nullptr), 0);
    EXPECT_EQ(xlSheetWriteNumA(nullptr, 0, 0, 1, nullptr), 0);
    EXPECT_EQ(xlBookSaveA(nullptr, "/tmp/x.xls"), 0);
    EXPECT_EQ(xlBookSaveRawA(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(xlBookSheetCountA(nullptr), 0);
    EXPECT_STREQ(xlBookErrorMessageA(nullptr), "no book");
    xlBookReleaseA(nullptr);

    Book book;
    EXPECT_STREQ(xlBookErrorMessageA(book.h), "ok");
    SheetHandle sheet = xlBookAddSheetA(book.h, "A", nullptr);
    EXPECT_EQ(xlBookAddSheetA(book.h, "B", sheet), nullptr);
    EXPECT_EQ(book.error(), "copying a sheet is not supported");
    EXPECT_EQ(xlBookSaveRawA(book.h, nullptr, nullptr), 0);
    EXPECT_EQ(book.error(), "no place given for the saved book");
}

TEST(XlBook, FullHeightSheetNeedsTheLargeContainerAndReadsBack) {
    // 65,536 rows of one text and seven numbers: over 9 MB, more allocation-table sectors than
    // the container header can list.
    Book book;
    SheetHandle sheet = xlBookAddSheetA(book.h, "Big", nullptr);
    for (int row = 0; row < 65536; ++row) {
        xlSheetWriteStrA(sheet, row, 0, ("VOL" + std::to_string(row)).c_str(), nullptr);
        for (int col = 1; col < 8; ++col)
            xlSheetWriteNumA(sheet, row, col, row * 10.0 + col, nullptr);
    }
    const std::string path = tempXlsPath("big");
    ASSERT_EQ(xlBookSaveA(book.h, path.c_str()), 1);
    EXPECT_GT(std::filesystem::file_size(path), 9'000'000u);

    const XlrdBook read = readWithXlrd(path);
    ASSERT_EQ(read.error, "");
    const XlrdSheet& s = read.sheets.at(0);
    EXPECT_EQ(s.nrows, 65536);
    EXPECT_EQ(s.ncols, 8);
    EXPECT_EQ(s.cells.size(), 65536u * 8);
    for (int row : {0, 1, 32767, 65535}) {
        EXPECT_EQ(textAt(s, row, 0), "VOL" + std::to_string(row));
        EXPECT_EQ(numberAt(s, row, 7), row * 10.0 + 7);
    }
}
