// The property grid, driven offscreen with real key and mouse events: the
// fixed name column, required values, the change message, dependents, value
// colours and the editors.
#include "kvltpropertygridctrl.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr QEvent::Type kChangeMessage = QEvent::Type(QEvent::User + 77);

// The window that owns the grid; it records the change messages it receives.
class Owner final : public QWidget {
  public:
    struct Message {
        CKVLTPropertyGridProperty* wParam;
        intptr_t lParam;
    };
    std::vector<Message> messages;

  protected:
    bool event(QEvent* e) override {
        if (e->type() == kChangeMessage) {
            auto* change = static_cast<KVLTPropertyChangedEvent*>(e);
            messages.push_back({change->wParam(), change->lParam()});
            return true;
        }
        return QWidget::event(e);
    }
};

class PropertyGridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        owner.resize(420, 320);
        grid = new CKVLTPropertyGridCtrl(&owner);
        grid->setGeometry(0, 0, 420, 320);
        grid->SetChangeMessage(kChangeMessage);

        auto* scan = new CKVLTPropertyGridProperty(QStringLiteral("Scanning"));
        barcode = new CKVLTPropertyGridProperty(QStringLiteral("Barcode"), QStringLiteral("VOL001"),
                                                QStringLiteral("The volume's id"));
        count = new CKVLTPropertyGridProperty(QStringLiteral("Count"), 7);
        scan->AddSubItem(barcode);
        scan->AddSubItem(count);
        grid->AddProperty(scan);

        auto* options = new CKVLTPropertyGridProperty(QStringLiteral("Options"));
        autoSlot = new CKVLTPropertyGridProperty(QStringLiteral("Auto Slot"), true);
        mode = new CKVLTPropertyGridProperty(QStringLiteral("Mode"), QStringLiteral("IntelliSlot"));
        zone = new CKVLTPropertyGridProperty(QStringLiteral("Zone"));
        zoneName = new CKVLTPropertyGridProperty(QStringLiteral("Zone Name"), QStringLiteral("A"));
        zone->AddSubItem(zoneName);
        options->AddSubItem(autoSlot);
        options->AddSubItem(mode);
        options->AddSubItem(zone);
        autoSlot->AddDependent(mode);
        autoSlot->AddDependent(zone);
        grid->AddProperty(options);

        owner.show();
        owner.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
    }

    QRect valueRect(CKVLTPropertyGridProperty* p) const {
        return grid->visualRect(grid->IndexOf(p, CKVLTPropertyGridCtrl::ValueColumn));
    }
    // Opens the value's editor the way a user does: a click on the value.
    QWidget* openEditor(CKVLTPropertyGridProperty* p) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, valueRect(p).center());
        if (auto* edit = grid->viewport()->findChild<QLineEdit*>())
            return edit;
        return grid->viewport()->findChild<QComboBox*>();
    }
    // Enter in an editor commits the value once the editor had its turn.
    static void commit(QWidget* editor) {
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the closed editor
    }
    bool rowHidden(CKVLTPropertyGridProperty* p) const {
        const QModelIndex index = grid->IndexOf(p);
        return grid->isRowHidden(index.row(), index.parent());
    }

    Owner owner;
    CKVLTPropertyGridCtrl* grid = nullptr;
    CKVLTPropertyGridProperty *barcode = nullptr, *count = nullptr, *autoSlot = nullptr,
                              *mode = nullptr, *zone = nullptr, *zoneName = nullptr;
};

TEST_F(PropertyGridTest, ModelIsSoundAndShowsNamesAndValues) {
    QAbstractItemModelTester tester(grid->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    const QAbstractItemModel* model = grid->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->columnCount(), 2);
    const QModelIndex scan = model->index(0, 0);
    EXPECT_EQ(scan.data().toString(), QStringLiteral("Scanning"));
    EXPECT_EQ(model->rowCount(scan), 2);
    EXPECT_EQ(model->index(0, 1, scan).data().toString(), QStringLiteral("VOL001"));
    EXPECT_EQ(model->index(1, 1, scan).data().toString(), QStringLiteral("7"));
    EXPECT_EQ(model->index(0, 1, model->index(1, 0)).data().toString(), QStringLiteral("True"));
    EXPECT_TRUE(grid->isFirstColumnSpanned(0, QModelIndex()))
        << "a group's name runs across both columns";
    EXPECT_TRUE(grid->isExpanded(scan));
    EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model->flags(model->index(0, 1, scan)) & Qt::ItemIsEditable);
}

TEST_F(PropertyGridTest, NameColumnReturnsToItsWidthAtEveryLayout) {
    QHeaderView* header = grid->header();
    EXPECT_EQ(header->sectionSize(CKVLTPropertyGridCtrl::NameColumn), 180);
    // The user drags the divider to the right.
    const int y = header->height() / 2;
    QTest::mousePress(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(180, y));
    QTest::mouseMove(header->viewport(), QPoint(220, y));
    QTest::mouseMove(header->viewport(), QPoint(260, y));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(260, y));
    if (header->sectionSize(CKVLTPropertyGridCtrl::NameColumn) == 180)
        header->resizeSection(CKVLTPropertyGridCtrl::NameColumn,
                              260); // the platform ignored the drag
    ASSERT_NE(header->sectionSize(CKVLTPropertyGridCtrl::NameColumn), 180);
    grid->resize(380, 300);
    EXPECT_EQ(header->sectionSize(CKVLTPropertyGridCtrl::NameColumn), 180);
}

TEST_F(PropertyGridTest, EditingAValueSendsTheChangeMessageToTheParent) {
    QSignalSpy changed(grid, &CKVLTPropertyGridCtrl::propertyChanged);
    QWidget* editor = openEditor(barcode);
    ASSERT_TRUE(qobject_cast<QLineEdit*>(editor));
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("VOL002"));
    commit(editor);
    EXPECT_EQ(barcode->GetValue().toString(), QStringLiteral("VOL002"));
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].wParam, barcode);
    EXPECT_EQ(owner.messages[0].lParam, 0);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<CKVLTPropertyGridProperty*>(), barcode);
}

TEST_F(PropertyGridTest, NoMessageWhenNoneIsSet) {
    grid->SetChangeMessage(0);
    EXPECT_TRUE(grid->model()->setData(grid->IndexOf(barcode, 1), QStringLiteral("VOL009")));
    EXPECT_EQ(barcode->GetValue().toString(), QStringLiteral("VOL009"));
    EXPECT_TRUE(owner.messages.empty());
}

TEST_F(PropertyGridTest, ClearingARequiredValueBringsThePreviousValueBack) {
    barcode->SetRequired(true);
    QSignalSpy changed(grid, &CKVLTPropertyGridCtrl::propertyChanged);
    QWidget* editor = openEditor(barcode);
    ASSERT_TRUE(qobject_cast<QLineEdit*>(editor));
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Delete);
    commit(editor);
    EXPECT_EQ(barcode->GetValue().toString(), QStringLiteral("VOL001"));
    EXPECT_EQ(grid->IndexOf(barcode, 1).data().toString(), QStringLiteral("VOL001"))
        << "shown again";
    EXPECT_TRUE(owner.messages.empty());
    EXPECT_EQ(changed.count(), 0);
    // A value that is not required may be emptied.
    EXPECT_TRUE(grid->model()->setData(grid->IndexOf(mode, 1), QString()));
    EXPECT_EQ(mode->GetValue().toString(), QString());
    EXPECT_EQ(owner.messages.size(), 1u);
}

TEST_F(PropertyGridTest, ARequiredNumberCannotBeEmptiedEither) {
    count->SetRequired(true);
    EXPECT_TRUE(grid->model()->setData(grid->IndexOf(count, 1), QStringLiteral("  ")));
    EXPECT_EQ(count->GetValue(), QVariant(7));
    EXPECT_TRUE(owner.messages.empty());
}

TEST_F(PropertyGridTest, TogglingACheckPropertyHidesAndShowsItsDependents) {
    auto choose = [&](const QString& text) {
        auto* combo = qobject_cast<QComboBox*>(openEditor(autoSlot));
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->count(), 2);
        combo->setCurrentText(text);
        commit(combo);
    };
    choose(QStringLiteral("False"));
    EXPECT_EQ(autoSlot->GetValue(), QVariant(false));
    EXPECT_TRUE(rowHidden(mode));
    EXPECT_TRUE(rowHidden(zone));
    EXPECT_TRUE(rowHidden(zoneName)) << "with its own sub-items";
    EXPECT_FALSE(rowHidden(autoSlot));
    EXPECT_FALSE(rowHidden(barcode));
    choose(QStringLiteral("True"));
    EXPECT_EQ(autoSlot->GetValue(), QVariant(true));
    EXPECT_FALSE(rowHidden(mode));
    EXPECT_FALSE(rowHidden(zone));
    EXPECT_FALSE(rowHidden(zoneName));
    EXPECT_EQ(owner.messages.size(), 2u);
}

TEST_F(PropertyGridTest, ValuesAreDrawnInTheirOwnColours) {
    barcode->SetBackColor(QColor(255, 255, 0));
    barcode->SetTextColor(QColor(200, 0, 0));
    grid->viewport()->update();
    const QImage image = grid->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect cell = valueRect(barcode);
    ASSERT_TRUE(cell.isValid());
    EXPECT_EQ(QColor(image.pixel(cell.right() - 4, cell.center().y())), QColor(255, 255, 0));
    int reddish = 0;
    for (int y = cell.top() + 1; y < cell.bottom(); ++y)
        for (int x = cell.left() + 1; x < cell.left() + 80; ++x) {
            const QColor c(image.pixel(x, y));
            reddish += c.red() > 120 && c.green() < 120 && c.blue() < 80;
        }
    EXPECT_GT(reddish, 10) << "the value text in its colour";
    // An untouched value cell is white.
    const QRect plain = valueRect(count);
    EXPECT_EQ(QColor(image.pixel(plain.right() - 4, plain.center().y())), QColor(Qt::white));
}

TEST_F(PropertyGridTest, PlainTextBoxUsesTheEditStyleAndTheLengthLimit) {
    barcode->SetEditStyle(KVLT_ES_UPPERCASE | KVLT_ES_AUTOHSCROLL);
    barcode->SetMaxLength(8);
    auto* edit = qobject_cast<QLineEdit*>(openEditor(barcode));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->property("controlId").toInt(), 3);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, QStringLiteral("vol0123456"));
    EXPECT_EQ(edit->text(), QStringLiteral("VOL01234"));
    commit(edit);
    EXPECT_EQ(barcode->GetValue().toString(), QStringLiteral("VOL01234"));
}

TEST_F(PropertyGridTest, EditorsFollowTheValue) {
    bool defaultFormat = false;
    QWidget parent;
    std::unique_ptr<QWidget> text(
        barcode->CreateInPlaceEdit(&parent, QRect(0, 0, 100, 20), defaultFormat));
    EXPECT_TRUE(defaultFormat);
    ASSERT_TRUE(qobject_cast<QLineEdit*>(text.get()));
    EXPECT_FALSE(text->property("controlId").isValid()) << "the grid's own editor";
    std::unique_ptr<QWidget> check(
        autoSlot->CreateInPlaceEdit(&parent, QRect(0, 0, 100, 20), defaultFormat));
    ASSERT_TRUE(qobject_cast<QComboBox*>(check.get()));
    mode->SetEditStyle(KVLT_ES_PASSWORD | KVLT_ES_READONLY);
    std::unique_ptr<QWidget> secret(
        mode->CreateInPlaceEdit(&parent, QRect(0, 0, 100, 20), defaultFormat));
    auto* edit = qobject_cast<QLineEdit*>(secret.get());
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_EQ(edit->geometry(), QRect(0, 0, 100, 20));
}

TEST_F(PropertyGridTest, NumbersStayNumbersAndBadTextIsRefused) {
    EXPECT_TRUE(grid->model()->setData(grid->IndexOf(count, 1), QStringLiteral("42")));
    EXPECT_EQ(count->GetValue(), QVariant(42));
    EXPECT_FALSE(grid->model()->setData(grid->IndexOf(count, 1), QStringLiteral("forty")));
    EXPECT_EQ(count->GetValue(), QVariant(42));
    EXPECT_EQ(owner.messages.size(), 1u);
}

TEST_F(PropertyGridTest, ReadOnlyRowsOpenNoEditor) {
    barcode->AllowEdit(false);
    QWidget* focused = openEditor(barcode);
    EXPECT_FALSE(qobject_cast<QLineEdit*>(focused));
    EXPECT_EQ(grid->findChild<QLineEdit*>(), nullptr);
    EXPECT_FALSE(grid->model()->setData(grid->IndexOf(barcode, 1), QStringLiteral("X")));
    EXPECT_EQ(barcode->GetValue().toString(), QStringLiteral("VOL001"));
}

TEST_F(PropertyGridTest, ModifiedValuesAreMarkedWhenAsked) {
    grid->model()->setData(grid->IndexOf(barcode, 1), QStringLiteral("VOL005"));
    EXPECT_FALSE(grid->IndexOf(barcode, 1).data(Qt::FontRole).value<QFont>().bold());
    grid->MarkModifiedProperties(true);
    EXPECT_TRUE(grid->IndexOf(barcode, 1).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(grid->IndexOf(count, 1).data(Qt::FontRole).value<QFont>().bold());
}

TEST_F(PropertyGridTest, DescriptionAreaShowsTheCurrentRow) {
    grid->EnableDescriptionArea(true);
    grid->SetDescriptionRows(3);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid->visualRect(grid->IndexOf(barcode)).center());
    EXPECT_EQ(grid->GetCurSel(), barcode);
    auto* label = grid->findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), QStringLiteral("Barcode\nThe volume's id"));
    grid->EnableDescriptionArea(false);
    EXPECT_FALSE(label->isVisible());
}

} // namespace
