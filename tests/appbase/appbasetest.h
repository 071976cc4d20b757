// Shared set-up of the application base's tests: the per-user and machine-wide
// stores in a temporary folder, no proxy, UTC, and the update check pointed
// at a loopback address.
#pragma once

#include "kvltwinapp.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

// 2022-02-07 13:45:30 UTC, a Monday.
constexpr time_t kFixedNow = 1644241530;

class TestApp : public CKVLTWinApp {
public:
    using CKVLTWinApp::CKVLTWinApp;
    time_t CurrentTime() const override { return kFixedNow; }
};

class AppBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath("user"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, m_dir.filePath("system"));
        for (const char* proxy : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
            unsetenv(proxy);
        unsetenv("KVLTDEFAULTSERVER");
        setenv("TZ", "UTC", 1);
        tzset();
        m_savedCwd = QDir::currentPath();
    }
    void TearDown() override {
        QDir::setCurrent(m_savedCwd);
        unsetenv(kUpdateServerVariable);
    }

    QString profilePath() const { return m_dir.filePath("user/Orvalen/KVLTOfflineScanner.conf"); }
    QString machinePath() const { return m_dir.filePath("system/Orvalen.conf"); }

    static void writeFile(const QString& path, const std::string& text) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.data(), qint64(text.size()));
    }
    static std::string readFile(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll().toStdString();
    }
    // The value of key in [section] of an ini file, read line by line as
    // another program would; "<missing>" when absent.
    static std::string iniValue(const QString& path, const std::string& section, const std::string& key) {
        const std::string text = readFile(path);
        std::string current;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            const std::string line = text.substr(start, end - start);
            start = end + 1;
            if (line.size() > 2 && line.front() == '[' && line.back() == ']')
                current = line.substr(1, line.size() - 2);
            else if (current == section && line.rfind(key + "=", 0) == 0)
                return line.substr(key.size() + 1);
        }
        return "<missing>";
    }

    QTemporaryDir m_dir;
    QString m_savedCwd;
    int m_argc = 1;
    char m_arg0[16] = "appbase_tests";
    char* m_argv[2] = {m_arg0, nullptr};
};
