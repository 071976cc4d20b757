#include "qttestsupport.h"

#include <QDir>
#include <QSettings>

#include <cstdlib>

void IsolatedAppTest::SetUp() {
    ASSERT_TRUE(m_dir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath("user"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, m_dir.filePath("system"));
    for (const char* proxy : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
        unsetenv(proxy);
    unsetenv("KVLTDEFAULTSERVER");
    unsetenv("KVLTUPDATESERVER");
    // The scan journals and locks of the run, never the user's own.
    setenv("XDG_DATA_HOME", m_dir.filePath("data").toUtf8().constData(), 1);
    setenv("TZ", "UTC", 1);
    tzset();
    m_savedCwd = QDir::currentPath();
}

void IsolatedAppTest::TearDown() {
    QDir::setCurrent(m_savedCwd);
    unsetenv("KVLTUPDATESERVER");
    unsetenv("XDG_DATA_HOME");
}
