// A second independent reader: LibreOffice converts a written book to CSV, one file per sheet.
// LibreOffice is not part of the project's dependencies; without it the test is skipped.
#include "testsupport.h"
#include "xl.h"
#include "xlrdreader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

TEST(XlBookLibreOffice, CalcReadsSheetsCellsAndLongSharedStrings) {
    if (!haveLibreOffice())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";

    BookHandle book = xlCreateBookCA();
    SheetHandle first = xlBookAddSheetA(book, "Report 1 2", nullptr);
    SheetHandle second = xlBookAddSheetA(book, "Export", nullptr);
    std::string expectedFirst = "Volume,Slot\n";
    for (int row = 1; row <= 2000; ++row) {
        // Enough distinct texts, narrow and wide, to need several CONTINUE records.
        const std::string name =
            "VOL-" + std::to_string(row) + (row % 3 ? "\xC3\xA9" : "\xE6\x97\xA5");
        xlSheetWriteStrA(first, row, 0, name.c_str(), nullptr);
        xlSheetWriteNumA(first, row, 1, row * 0.5, nullptr);
        expectedFirst += name + "," +
                         (row % 2 ? std::to_string(row / 2) + ".5" : std::to_string(row / 2)) +
                         "\n";
    }
    xlSheetWriteStrA(first, 0, 0, "Volume", nullptr);
    xlSheetWriteStrA(first, 0, 1, "Slot", nullptr);
    std::string wide;
    for (int i = 0; i < 9000; ++i)
        wide += "\xE2\x82\xAC";
    xlSheetWriteStrA(second, 0, 0, wide.c_str(), nullptr);
    xlSheetWriteStrA(second, 1, 0, "00042", nullptr);
    xlSheetWriteStrA(second, 1, 1, "Band \xF0\x9F\x93\xBC", nullptr);

    const fs::path path = tempXlsPath("calc");
    ASSERT_EQ(xlBookSaveA(book, path.c_str()), 1);
    xlBookReleaseA(book);

    const fs::path outDir = path.string() + ".csv";
    fs::create_directories(outDir);
    // Sheet -1: every sheet to its own "<name>-<sheet>.csv"; a private profile keeps the
    // user's LibreOffice settings out of it.
    ASSERT_TRUE(convertWithLibreOffice(
        path.string(),
        "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1",
        outDir.string()));

    const std::string stem = path.stem().string();
    EXPECT_EQ(readFile(outDir / (stem + "-Report 1 2.csv")), expectedFirst);
    EXPECT_EQ(readFile(outDir / (stem + "-Export.csv")), wide + ",\n00042,Band \xF0\x9F\x93\xBC\n");
}
