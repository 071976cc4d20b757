// The window started under a German locale still writes "assigned" in
// English: the server and other programs read these texts.
#include "appguitest.h"

#include "resource.h"
#include "scandialog.h"
#include "scanwnd.h"

#include <QTest>

#include <clocale>

namespace {

constexpr const char* kGerman = "de_DE.UTF-8";

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
    ASSERT_TRUE(provideLocale(kGerman, m_dir.filePath("locales").toStdString()))
        << "no German locale could be made";
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
    EXPECT_NE(readFile(m_copy).find(std::string("\"assigned\":\t\"") + kFixedAssigned + "\""),
              std::string::npos);
}
