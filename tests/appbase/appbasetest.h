// Shared set-up of the application base's tests: the isolated application
// set-up, a start-up clock fixed at kFixedNow, and a reader of the settings
// files as another program reads them.
#pragma once

#include "kvltwinapp.h"
#include "qttestsupport.h"

#include <QDir>
#include <QFileInfo>

#include <string>

class TestApp : public CKVLTWinApp {
  public:
    using CKVLTWinApp::CKVLTWinApp;
    time_t CurrentTime() const override { return kFixedNow; }
};

class AppBaseTest : public IsolatedAppTest {
  protected:
    // Writes a settings file by hand, its folder made first.
    static void writeSettingsFile(const QString& path, const std::string& text) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(writeFile(path, text));
    }
    // The value of key in [section] of an ini file, read line by line as
    // another program would; "<missing>" when absent.
    static std::string iniValue(const QString& path, const std::string& section,
                                const std::string& key) {
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

    int m_argc = 1;
    char m_arg0[16] = "appbase_tests";
    char* m_argv[2] = {m_arg0, nullptr};
};
