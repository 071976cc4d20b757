// Saving over what a user may point a save at: links, hard links, files of
// others, read-only files, pipes and folders; and what stays on disk when
// the write fails halfway.
#include "atomicfile.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class AtomicFile : public ::testing::Test {
  protected:
    TempDir folder;

    AtomicWriteResult save(const std::string& path, const std::string& bytes) {
        return writeFileAtomically(path, bytes.data(), bytes.size());
    }
    struct stat info(const std::string& path, bool follow = true) {
        struct stat status {};
        if (follow)
            stat(path.c_str(), &status);
        else
            lstat(path.c_str(), &status);
        return status;
    }
};

TEST_F(AtomicFile, ASymbolicLinkStaysALinkAndItsFileGetsTheBytes) {
    ASSERT_EQ(mkdir(folder.path("real").c_str(), 0755), 0);
    std::string real = folder.write("real/scan.json", "old");
    // A relative link to a relative link: each is read from its own folder.
    ASSERT_EQ(symlink("real/scan.json", folder.path("inner").c_str()), 0);
    ASSERT_EQ(symlink("inner", folder.path("outer").c_str()), 0);
    ASSERT_TRUE(save(folder.path("outer"), "new"));
    EXPECT_TRUE(S_ISLNK(info(folder.path("outer"), false).st_mode));
    EXPECT_TRUE(S_ISLNK(info(folder.path("inner"), false).st_mode));
    EXPECT_EQ(readFile(real), "new");
    EXPECT_EQ(folder.entries(), 3) << "no temporary file beside the links";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path("real")), {}), 1)
        << "nor beside the file";

    // A link whose file does not exist yet creates that file.
    ASSERT_EQ(symlink("real/later.json", folder.path("dangling").c_str()), 0);
    ASSERT_TRUE(save(folder.path("dangling"), "first"));
    EXPECT_EQ(readFile(folder.path("real/later.json")), "first");
    EXPECT_TRUE(S_ISLNK(info(folder.path("dangling"), false).st_mode));
}

TEST_F(AtomicFile, AHardLinkedFileIsWrittenInPlaceForEveryName) {
    std::string first = folder.write("scan.json", "old contents");
    ASSERT_EQ(link(first.c_str(), folder.path("second.json").c_str()), 0);
    ino_t inode = info(first).st_ino;
    ASSERT_TRUE(save(first, "new"));
    EXPECT_EQ(readFile(folder.path("second.json")), "new");
    EXPECT_EQ(readFile(first), "new");
    EXPECT_EQ(info(first).st_ino, inode);
    EXPECT_EQ(folder.entries(), 2) << "the backup copy is gone";

    // A write that fails halfway puts the old bytes back and drops the backup.
    std::string big(4096, 'x');
    AtomicWriteResult failed{};
    {
        FileSizeLimit small(1024);
        failed = save(first, big);
    }
    EXPECT_FALSE(failed);
    EXPECT_TRUE(failed.targetUnchanged());
    EXPECT_EQ(readFile(folder.path("second.json")), "new");
    EXPECT_EQ(folder.entries(), 2);
}

TEST_F(AtomicFile, OwnerGroupAndModeAreKept) {
    std::string path = folder.write("scan.json", "old");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(path.c_str(), 4321, 8765), 0);
    }
    struct stat before = info(path);
    ASSERT_TRUE(save(path, "new"));
    struct stat after = info(path);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(readFile(path), "new");
}

TEST_F(AtomicFile, ReadOnlyFilesPipesAndFoldersAreRefusedAndLeftAlone) {
    std::string readOnly = folder.write("locked.json", "keep");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    AtomicWriteResult result = save(readOnly, "new");
    EXPECT_EQ(result.failedStep, AtomicWriteStep::ReadOnly) << "for root too";
    EXPECT_EQ(atomicWriteErrorText(readOnly, result),
              "Cannot write " + readOnly + ": the file is read-only");
    EXPECT_EQ(readFile(readOnly), "keep");
    EXPECT_EQ(info(readOnly).st_mode & 0777, 0444u);

    std::string fifo = folder.path("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    result = save(fifo, "new");
    EXPECT_EQ(result.failedStep, AtomicWriteStep::NotRegular);
    EXPECT_EQ(atomicWriteErrorText(fifo, result),
              "Cannot write " + fifo + ": it is a named pipe, not a regular file");
    EXPECT_TRUE(S_ISFIFO(info(fifo).st_mode));

    ASSERT_EQ(symlink(folder.root().c_str(), folder.path("to-folder").c_str()), 0);
    result = save(folder.path("to-folder"), "new");
    EXPECT_NE(atomicWriteErrorText(folder.path("to-folder"), result).find("it is a folder"),
              std::string::npos);
    EXPECT_EQ(folder.entries(), 3) << "nothing was created or replaced";
}

TEST_F(AtomicFile, AKillDuringAnInPlaceWriteLeavesOldOrNewBytesOnceRepaired) {
    // Two sizes each way, so that a cut write may leave a longer or a shorter file.
    const std::string small(300000, 'o'), large(700000, 'n');
    const std::string first = folder.path("scan.json");
    const std::string second = folder.path("second.json");
    auto start = [&](const std::string& old) {
        unlink(second.c_str());
        writeFile(first, old);
        ASSERT_EQ(link(first.c_str(), second.c_str()), 0);
    };
    // How long a whole write takes here (the slowest of a few, since disk
    // syncs vary): kills land anywhere within it.
    long whole = 0;
    for (int i = 0; i < 5; ++i) {
        start(i % 2 ? large : small);
        const auto began = std::chrono::steady_clock::now();
        ASSERT_TRUE(save(first, i % 2 ? small : large));
        whole = std::max(whole, long(std::chrono::duration_cast<std::chrono::microseconds>(
                                         std::chrono::steady_clock::now() - began)
                                         .count()));
    }
    unsigned seed = 12345;
    int interrupted = 0;
    for (int run = 0; run < 120; ++run) {
        const std::string& old = run % 2 ? large : small;
        const std::string& next = run % 2 ? small : large;
        start(old);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            _exit(writeFileAtomically(first, next.data(), next.size()) ? 0 : 1);
        usleep(useconds_t(rand_r(&seed) % (whole + whole / 5 + 1)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        for (const auto& entry : std::filesystem::directory_iterator(folder.root()))
            interrupted += entry.path().string().find(".kvlt-backup-") != std::string::npos;
        std::string error;
        repairInterruptedWrite(first, error);
        EXPECT_EQ(error, "");
        const std::string bytes = readFile(first);
        EXPECT_TRUE(bytes == old || bytes == next) << "run " << run << ": " << bytes.size();
        EXPECT_EQ(readFile(second), bytes) << "still one file";
        // Nothing but the file, its other name, and perhaps a temporary file a
        // kill left (the next save by the lock holder sweeps those).
        for (const auto& entry : std::filesystem::directory_iterator(folder.root()))
            EXPECT_EQ(entry.path().string().find(".kvlt-backup-"), std::string::npos)
                << entry.path();
    }
    // Some kills must have fallen while a backup stood for the test to mean anything.
    EXPECT_GT(interrupted, 0);
}

// FNV-1a, the hash of the new bytes that a backup's name carries.
std::string fnv(const std::string& bytes) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : bytes)
        hash = (hash ^ c) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", (unsigned long long)hash);
    return text;
}

TEST_F(AtomicFile, ARepairTellsAFinishedWriteFromACutOne) {
    const std::string file = folder.path("scan.json");
    const std::string backup = file + ".kvlt-backup-" + fnv("new bytes") + "-AbCdEf";
    std::string error;
    // Cut in the middle of the new bytes: the old ones come back.
    writeFile(file, "new byt");
    writeFile(backup, "old bytes");
    EXPECT_EQ(repairInterruptedWrite(file, error), backup);
    EXPECT_EQ(readFile(file), "old bytes");
    // Finished, or never begun: the file stays, the backup goes.
    for (const char* bytes : {"new bytes", "old bytes"}) {
        writeFile(file, bytes);
        writeFile(backup, "old bytes");
        EXPECT_EQ(repairInterruptedWrite(file, error), "");
        EXPECT_EQ(readFile(file), bytes);
        EXPECT_FALSE(fileExists(backup));
    }
    EXPECT_EQ(error, "");
}

TEST_F(AtomicFile, ABackupOfAnotherOwnerIsNeverPutBack) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give the backup another owner";
    const std::string file = folder.write("scan.json", "mine");
    const std::string planted =
        folder.write("scan.json.kvlt-backup-0123456789abcdef-AbCdEf", "theirs");
    ASSERT_EQ(chown(planted.c_str(), 4321, 4321), 0);
    std::string error;
    EXPECT_EQ(repairInterruptedWrite(file, error), "");
    EXPECT_EQ(readFile(file), "mine");
}

} // namespace
