// kvlt-scan never damages a file and never fails in silence: odd targets and
// inputs, empty names, outputs that cannot be written, as a script meets
// them (exit status, message, the bytes and kinds of the files afterwards).
#include <gtest/gtest.h>

#include "testsupport.h"

#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Result = CommandResult;

class Integrity : public ::testing::Test {
  protected:
    void SetUp() override { clearKvltEnvironment(); }
    void TearDown() override { clearKvltEnvironment(); }

    Result run(const std::vector<std::string>& args, const std::string& input = "",
               const std::vector<std::string>& environment = {}) {
        std::vector<std::string> command{KVLT_SCAN};
        command.insert(command.end(), args.begin(), args.end());
        CommandOptions options;
        options.input = input;
        options.environment = environment;
        // The journals of these runs stay in the test's own folder.
        options.environment.push_back("XDG_DATA_HOME=" + dataHome.root());
        return runCommand(command, options);
    }
    // kvlt-scan with its standard output sent to redirect (">/dev/full",
    // ">&-"); what it wrote to standard error and its exit status.
    Result runWithOutput(const std::string& redirect, const std::vector<std::string>& args,
                         const std::string& environment = "") {
        std::string command = environment + " XDG_DATA_HOME=" + shellQuote(dataHome.root()) + " " +
                              shellQuote(KVLT_SCAN);
        for (const std::string& arg : args)
            command += " " + shellQuote(arg);
        Result result;
        result.err = runShell(command + " 2>&1 " + redirect + " </dev/null", &result.status);
        return result;
    }
    std::string scanFile(const std::string& name = "scan.json") {
        return folder.write(name, R"({"repository":{"slots":4,"zones":[
            {"zone":"A","slot_start":1,"slot_end":4}]},
            "volumes":[{"id":"N1"},{"id":"N2"},{"id":"S3","slot":3}]})");
    }
    bool isKind(const std::string& path, mode_t kind) {
        struct stat status {};
        return lstat(path.c_str(), &status) == 0 && (status.st_mode & S_IFMT) == kind;
    }
    TempDir folder;
    TempDir dataHome;
};

TEST_F(Integrity, AnEmptyOutputOrBarcodesNameIsAUsageError) {
    std::string file = scanFile();
    std::string before = readFile(file);
    Result output = run({"slot", file, "--mode", "first", "--output", ""}, "N1\n");
    EXPECT_EQ(output.status, 2);
    EXPECT_NE(output.err.find("kvlt-scan: --output needs a file name"), std::string::npos);
    Result barcodes = run({"slot", file, "--mode", "first", "--barcodes", ""}, "N1\n");
    EXPECT_EQ(barcodes.status, 2);
    EXPECT_EQ(readFile(file), before);
}

TEST_F(Integrity, FoldersPipesAndDevicesAreRefusedBeforeTheyAreRead) {
    std::string file = scanFile();
    std::string before = readFile(file);
    std::string fifo = folder.path("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    // Nobody ever writes to the pipe: reading it would wait for good.
    for (const std::string& input : {fifo, folder.root(), std::string("/dev/zero")}) {
        Result info = run({"info", input});
        EXPECT_EQ(info.status, 1) << input;
        EXPECT_NE(info.err.find("Open Error: Cannot open " + input + ": it is a"),
                  std::string::npos)
            << info.err;
        Result slot = run({"slot", file, "--mode", "first", "--barcodes", input});
        EXPECT_EQ(slot.status, 1) << input;
        EXPECT_NE(slot.err.find("kvlt-scan: cannot read barcodes from " + input + ": it is a"),
                  std::string::npos)
            << slot.err;
    }
    EXPECT_EQ(readFile(file), before);
}

TEST_F(Integrity, SavesFollowLinksAndLeaveWhatTheyMustNotReplace) {
    std::string file = scanFile();
    ASSERT_EQ(symlink("scan.json", folder.path("link.json").c_str()), 0);
    Result linked = run({"slot", folder.path("link.json"), "--mode", "first"}, "N1\n");
    EXPECT_EQ(linked.status, 0) << linked.err;
    EXPECT_TRUE(isKind(folder.path("link.json"), S_IFLNK));
    EXPECT_NE(readFile(file).find("\"assigned\""), std::string::npos);

    std::string before = readFile(file);
    std::string fifo = folder.path("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    Result toPipe = run({"slot", file, "--mode", "first", "--output", fifo}, "N2\n");
    EXPECT_EQ(toPipe.status, 1);
    EXPECT_NE(toPipe.err.find("Save Error: The file could not be saved. Cannot write " + fifo +
                              ": it is a named pipe, not a regular file."),
              std::string::npos)
        << toPipe.err;
    EXPECT_TRUE(isKind(fifo, S_IFIFO));

    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
    Result readOnly = run({"slot", file, "--mode", "first"}, "N2\n");
    EXPECT_EQ(readOnly.status, 1);
    EXPECT_NE(readOnly.err.find(": the file is read-only."), std::string::npos) << readOnly.err;
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(folder.entries(), 3) << "no temporary or backup file is left";
}

TEST_F(Integrity, EveryOutputThatCannotBeWrittenIsAMessageAndExitOne) {
    std::string file = scanFile();
    const std::vector<std::vector<std::string>> commands = {
        {"info", file}, {"list", "map", file}, {"select", file, "--mode", "first"}};
    for (const auto& args : commands) {
        for (const char* redirect : {">/dev/full", ">&-"}) {
            Result r = runWithOutput(redirect, args);
            EXPECT_EQ(r.status, 1) << args[0] << " " << redirect;
            EXPECT_NE(r.err.find("kvlt-scan: cannot write to standard output: "), std::string::npos)
                << r.err;
        }
    }
    for (const char* format : {"text", "csv", "html", "json"}) {
        Result r = runWithOutput(">/dev/full", {"report", "map", file},
                                 std::string("KVLTREPORTFORMAT=") + format);
        EXPECT_EQ(r.status, 1) << format;
        EXPECT_NE(r.err.find("kvlt-scan: Cannot write the report: No space left on device"),
                  std::string::npos)
            << format << ": " << r.err;
    }

    // Files the report writer saves: a folder in the way, a path too long to keep.
    Result xls = run({"report", "map", file}, "",
                     {"KVLTREPORTFORMAT=excel", "KVLTEXCELOUTPUTPATH=" + folder.root()});
    EXPECT_EQ(xls.status, 1);
    EXPECT_NE(xls.err.find("it is a folder, not a regular file"), std::string::npos) << xls.err;
    std::string longPath = folder.path(std::string(270, 'p') + ".pdf");
    Result pdf =
        run({"report", "map", file}, "", {"KVLTREPORTFORMAT=pdf", "KVLTPDFOUTPUTPATH=" + longPath});
    EXPECT_EQ(pdf.status, 1);
    EXPECT_NE(pdf.err.find("longer than 260 characters"), std::string::npos) << pdf.err;

    // The scans are saved even when their status lines could not be printed.
    std::string barcodes = folder.write("barcodes.txt", "N1\n");
    Result slot =
        runWithOutput(">/dev/full", {"slot", file, "--mode", "first", "--barcodes", barcodes});
    EXPECT_EQ(slot.status, 1);
    EXPECT_NE(readFile(file).find("\"assigned\""), std::string::npos);
}

} // namespace
