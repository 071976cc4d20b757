// The window started under a German locale still writes "assigned" in
// English: the server and other programs read these texts.
#include "appguitest.h"

#include "resource.h"
#include "scandialog.h"
#include "scanwnd.h"

#include <QProcess>
#include <QTest>

#include <clocale>

namespace {

constexpr const char* kGerman = "de_DE.UTF-8";

// Makes sure a German locale can be loaded: the machine's own, or one
// compiled into folder (then LOCPATH points there).
bool provideGermanLocale(const QString& folder) {
    if (std::setlocale(LC_TIME, kGerman) != nullptr) {
        std::setlocale(LC_TIME, "C");
        return true;
    }
    QDir().mkpath(folder);
    QProcess localedef;
    localedef.start(QStringLiteral("localedef"),
                    {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"), QStringLiteral("UTF-8"),
                     folder + QStringLiteral("/") + QString::fromLatin1(kGerman)});
    if (!localedef.waitForFinished(120000))
        return false;
    setenv("LOCPATH", folder.toLocal8Bit().constData(), 1);
    const bool loaded = std::setlocale(LC_TIME, kGerman) != nullptr;
    std::setlocale(LC_TIME, "C");
    return loaded;
}

} // namespace

class GermanLocaleTest : public AppGuiTest {
protected:
    void TearDown() override {
        AppGuiTest::TearDown();
        unsetenv("LC_ALL");
        unsetenv("LOCPATH");
        std::setlocale(LC_ALL, "C");
    }
};

TEST_F(GermanLocaleTest, AssignedTimeStaysEnglish) {
    ASSERT_TRUE(provideGermanLocale(m_dir.filePath("locales"))) << "no German locale could be made";
    setenv("LC_ALL", kGerman, 1);
    // What the Qt application object does the first time one is made in a
    // process; done here too so the test holds when an earlier test of this
    // program already made one.
    ASSERT_NE(std::setlocale(LC_ALL, ""), nullptr);
    ASSERT_TRUE(startOnCopy());
    // The application object did take the user's locale for everything else...
    EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), kGerman);
    // ...but not for the texts written into files.
    EXPECT_STREQ(std::setlocale(LC_TIME, nullptr), "C");

    int row = 0;
    while (row < map()->GetItemCount() && !map()->GetItemText(row, 4).isEmpty())
        ++row;
    ASSERT_LT(row, map()->GetItemCount());
    map()->SelectItem(row);
    whenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<CScanDialog*>(modal);
        QTest::keyClicks(dialog->BarcodeField(), "rm0160l8");
        QTest::keyClick(dialog->BarcodeField(), Qt::Key_Return);
        dialog->reject();
    });
    m_boxes.queue(MsgAnswer::Yes);
    sendCommand(map(), ID_SCAN_INCOMING);
    EXPECT_EQ(map()->GetItemText(row, 5).toStdString(), kFixedAssigned);

    ASSERT_TRUE(frame()->OnFileSave());
    EXPECT_NE(readFile(m_copy).find(std::string("\"assigned\":\t\"") + kFixedAssigned + "\""), std::string::npos);
}
