// The shared set-up of tests that start an application object: the per-user
// and machine-wide stores in a temporary folder (never the user's own), no
// proxy and no default server from the machine, UTC, and the working folder
// restored afterwards (the start-up changes it).
#pragma once

#include "testsupport.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ctime>

// The file helpers for Qt's paths.
inline std::string readFile(const QString& path) {
    return readFile(path.toStdString());
}
inline bool writeFile(const QString& path, const std::string& bytes) {
    return writeFile(path.toStdString(), bytes);
}
inline std::string runPython(const std::string& script, const QString& file) {
    return runPython(script, file.toStdString());
}

// 2022-02-07 13:45:30 UTC, a Monday.
constexpr time_t kFixedNow = 1644241530;

class IsolatedAppTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The per-user profile and the machine-wide store as files.
    QString profilePath() const { return m_dir.filePath("user/Orvalen/KVLTOfflineScanner.conf"); }
    QString machinePath() const { return m_dir.filePath("system/Orvalen.conf"); }

    QTemporaryDir m_dir;
    QString m_savedCwd;
};
