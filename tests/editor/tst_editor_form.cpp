#include "base/twips.h"
#include "editor/canvas/canvas_controls.h"
#include "editor/controls/flex_grid.h"
#include "editor/split.h"
#include "support/editor_driver.h"
#include "support/editor_fixture.h"
#include "support/scripted_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRadioButton>

#include <QScreen>
#include <QTest>

using namespace tv;
using tv::test::captionOf;
using tv::test::control;

class EditorFormTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void formItself();
    void inventory_data();
    void inventory();
    void initialStates();
    void positionCaptionsUseTheirOwnFont();
    void templatesHiddenAndNeverListed();
    void templatePlaylistShownWithHeaders();
    void gridColumns_data();
    void gridColumns();
    void startsWithEmptyWindowTable();
    void keyboard_data();
    void keyboard();
    void noMaximizeButton();

private:
    test::ScriptedDialogs dialogs_;
    Split* form_ = nullptr;
};

void EditorFormTest::init()
{
    form_ = new Split(dialogs_);
    form_->showForm();
}

void EditorFormTest::cleanup()
{
    delete form_;
    form_ = nullptr;
}

void EditorFormTest::formItself()
{
    QCOMPARE(form_->windowTitle(), QStringLiteral("Tessellview"));
    QVERIFY(!form_->windowIcon().isNull());
    QCOMPARE(form_->size(), QSize(836, 483));
    QVERIFY(!form_->parentWidget());

    // Centred on the whole primary screen by its outer size.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect outer = form_->frameGeometry();
    QVERIFY(qAbs(outer.left() - (screen.width() - outer.width()) / 2.0) <= 0.5);
    QVERIFY(qAbs(outer.top() - (screen.height() - outer.height()) / 2.0) <= 0.5);
}

void EditorFormTest::inventory_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");

    const QString form = QStringLiteral("SplitControls");
    auto row = [](const char* name, const QString& container, const char* kind,
                  const QString& caption, QRect twips) {
        QTest::newRow(name) << container << QString::fromLatin1(kind) << caption << twips;
    };
    row("Frame1", form, "QFrame", "", {225, 180, 2445, 420});
    row("Option1", "Frame1", "tv::OptionButton", "Video\n", {180, 90, 915, 285});
    row("Option2", "Frame1", "tv::OptionButton", "Picture", {1305, 90, 960, 285});
    row("Command11", form, "QPushButton", "Open File", {3330, 270, 1230, 465});
    row("Command10", form, "QPushButton", "Save File", {4905, 270, 1230, 465});
    row("Command1", form, "QPushButton", "Add Window", {270, 1035, 1050, 420});
    row("Command2", form, "QPushButton", "Del Window", {1575, 1035, 1095, 420});
    row("Label9", form, "QLabel", "Picture Switch Time(s):", {3195, 1380, 2085, 195});
    row("Text3", form, "QLineEdit", "", {5400, 1305, 780, 330});
    row("Command12", form, "QPushButton", "OK", {6345, 1305, 735, 330});

    row("Picture1", form, "tv::CanvasPicture", "", {90, 1800, 7200, 4050});
    row("Label1(0)", "Picture1", "tv::NameTag", "***", {270, 270, 645, 195});
    row("Shape1(0)", "Picture1", "tv::WindowOutline", "", {225, 225, 1590, 915});
    row("Image1(0)", "Picture1", "tv::WindowBody", "", {180, 180, 1935, 1245});
    row("Image2(0)", "Picture1", "tv::CornerHandle", "", {2070, 1350, 120, 120});

    row("Combo1", form, "QComboBox", "", {135, 6255, 1140, 300});
    row("Frame4", form, "QGroupBox", "", {1305, 6165, 6000, 465});
    row("Label6", "Frame4", "QLabel", " Size:", {135, 180, 555, 195});
    const int fieldLefts[] = {765, 1800, 2835, 3870};
    const char* fieldCaptions[] = {"x", "y", "w", "h"};
    for (int i = 0; i < 4; ++i) {
        const QString frame = QStringLiteral("Frame2(%1)").arg(i);
        QTest::newRow(qPrintable(frame)) << "Frame4"
                                         << "QFrame"
                                         << "" << QRect(fieldLefts[i], 135, 1005, 285);
        QTest::newRow(qPrintable(QStringLiteral("Label5(%1)").arg(i)))
            << frame << "QLabel" << fieldCaptions[i] << QRect(45, 15, 195, 240);
        QTest::newRow(qPrintable(QStringLiteral("Text1(%1)").arg(i)))
            << frame << "QLineEdit"
            << "0" << QRect(270, 0, 645, 270);
    }
    row("Command3", "Frame4", "QPushButton", "OK", {4995, 135, 915, 285});
    row("Frame5", form, "QGroupBox", "", {1305, 6660, 4335, 465});
    row("Label7", "Frame5", "QLabel", "Ratio:", {180, 180, 555, 195});
    row("Frame3", "Frame5", "QFrame", "", {720, 135, 2445, 285});
    row("Option4", "Frame3", "tv::OptionButton", "4:3", {180, 0, 915, 285});
    row("Option3", "Frame3", "tv::OptionButton", "16:9", {1305, 0, 960, 285});
    row("Command4", "Frame5", "QPushButton", "OK", {3285, 135, 915, 285});
    row("Label4", form, "QLabel", "Ver: 0.1", {6300, 6930, 870, 195});

    row("Label2", form, "QLabel", " Path:", {7425, 135, 645, 240});
    row("Text2", form, "QLineEdit", "", {8145, 120, 3030, 285});
    row("Command5", form, "QPushButton", "Select", {11385, 90, 870, 330});
    row("MSFlexGrid1", form, "tv::FlexGrid", "", {7425, 495, 5010, 2760});
    row("Label3", form, "QLabel", "  List:", {7470, 3465, 825, 195});
    row("Command6", form, "QPushButton", "Up", {8505, 3375, 825, 375});
    row("Command7", form, "QPushButton", "Down", {9495, 3375, 825, 375});
    row("Command8", form, "QPushButton", "\u2193Add", {10485, 3375, 825, 375});
    row("Command9", form, "QPushButton", "\u2191Del", {11475, 3375, 825, 375});
    row("MSFlexGrid2(0)", form, "tv::FlexGrid", "", {7425, 3870, 5010, 3255});
}

void EditorFormTest::inventory()
{
    QFETCH(QString, container);
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QRect, twips);

    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const auto matches = form_->findChildren<QWidget*>(name);
    QCOMPARE(matches.size(), 1);
    const QWidget* widget = matches.first();

    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), kind);
    QCOMPARE(widget->parentWidget()->objectName(), container);
    QCOMPARE(captionOf(widget), caption);
    const QRect expected(twipsToPixels(twips.x()), twipsToPixels(twips.y()),
                         twipsToPixels(twips.width()), twipsToPixels(twips.height()));
    QCOMPARE(widget->geometry(), expected);
}

void EditorFormTest::initialStates()
{
    QVERIFY(control<QRadioButton>(form_, "Option1")->isChecked());
    QVERIFY(!control<QRadioButton>(form_, "Option2")->isChecked());
    QVERIFY(control<QRadioButton>(form_, "Option4")->isChecked());
    QVERIFY(!control<QRadioButton>(form_, "Option3")->isChecked());
    // The video caption keeps its line feed but shows on one line.
    QCOMPARE(control<QRadioButton>(form_, "Option1")->text(), QStringLiteral("Video"));
    for (const char* name : {"Text3", "Command12", "Label9"})
        QVERIFY2(control(form_, name)->isEnabled(), name);

    auto* list = control<QComboBox>(form_, "Combo1");
    QVERIFY(list->isEditable());
    QCOMPARE(list->count(), 0);
    QCOMPARE(list->currentText(), QString());

    auto* files = control<FlexGrid>(form_, "MSFlexGrid1");
    QCOMPARE(files->Rows(), 1);
    QCOMPARE(files->palette().color(QPalette::Highlight), QColor(192, 192, 255));
}

void EditorFormTest::positionCaptionsUseTheirOwnFont()
{
    for (int i = 0; i < 4; ++i) {
        const QFont font = control(form_, QStringLiteral("Label5(%1)").arg(i))->font();
        QCOMPARE(font.family(), QStringLiteral("SimSun"));
        QCOMPARE(font.pointSizeF(), 10.5);
    }
}

void EditorFormTest::templatesHiddenAndNeverListed()
{
    for (const char* name : {"Label1(0)", "Shape1(0)", "Image1(0)", "Image2(0)"})
        QVERIFY2(control(form_, name)->isHidden(), name);
    QCOMPARE(control<QComboBox>(form_, "Combo1")->findText("***"), -1);
    QCOMPARE(windowTableViolations(form_->table(), form_->layoutView()), QStringList{});
}

void EditorFormTest::templatePlaylistShownWithHeaders()
{
    auto* playlist = control<FlexGrid>(form_, "MSFlexGrid2(0)");
    QVERIFY(playlist->isVisible());
    QCOMPARE(playlist->Rows(), 1);
}

void EditorFormTest::gridColumns_data()
{
    QTest::addColumn<QString>("grid");
    QTest::newRow("file list") << "MSFlexGrid1";
    QTest::newRow("template playlist") << "MSFlexGrid2(0)";
}

void EditorFormTest::gridColumns()
{
    QFETCH(QString, grid);
    const auto* table = control<FlexGrid>(form_, grid);
    QVERIFY(table);
    constexpr Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    constexpr Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;

    const int widths[] = {0, 600, 3100, 980};
    const QString headers[] = {"", "No.", "File", "Size"};
    const Qt::Alignment alignments[] = {left, left, left, right};
    for (int col = 0; col < FlexGrid::kCols; ++col) {
        QCOMPARE(table->ColWidth(col), widths[col]);
        QCOMPARE(table->TextMatrix(0, col), headers[col]);
        if (col > 0) {
            QCOMPARE(table->ColAlignment(col), alignments[col]);
            QCOMPARE(table->columnWidth(col), twipsToPixels(widths[col]));
        }
    }
    QVERIFY2(table->isColumnHidden(0), "the mark column must take no room");
}

void EditorFormTest::startsWithEmptyWindowTable()
{
    const WindowTable& table = form_->table();
    QCOMPARE(table.HasVideoWindow, std::int16_t(0));
    QCOMPARE(table.PictureWindowCount, std::int16_t(0));
    QCOMPARE(table.CurrentWindow, std::int16_t(0));
    QCOMPARE(std::count(table.WindowInUse.begin(), table.WindowInUse.end(), kInUse), 0);
}

void EditorFormTest::keyboard_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::newRow("Enter in the x field applies the rectangle") << "Text1(0)"
                                                                << "100" << int(Qt::Key_Return);
    QTest::newRow("Enter in the switch-time box applies it, checked") << "Text3"
                                                                      << "3" << int(Qt::Key_Enter);
    QTest::newRow("Tab leaves the file list") << "MSFlexGrid1"
                                              << "" << int(Qt::Key_Tab);
    QTest::newRow("Escape changes nothing") << "Text1(1)"
                                            << "7" << int(Qt::Key_Escape);
}

void EditorFormTest::keyboard()
{
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QApplication::setActiveWindow(form_);
    QVERIFY(QTest::qWaitForWindowActive(form_));
    test::EditorDriver driver(*form_);
    driver.chooseFolder(QDir::tempPath());
    driver.addPicture();
    const LayoutState before = form_->model().state();
    QWidget* target = form_->findChild<QWidget*>(control);
    QVERIFY(target);
    target->setFocus(Qt::TabFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(target)) {
        edit->selectAll();
        QTest::keyClicks(edit, typed);
    }
    QTest::keyClick(target, Qt::Key(key));
    const LayoutState after = form_->model().state();
    if (control == "Text1(0)") {
        QCOMPARE(after.windows[2].rect.Left, 375.0f);
    } else if (control == "Text3") {
        QCOMPARE(after.table.SwitchTime[1], 5);
        QCOMPARE(qobject_cast<QLineEdit*>(target)->text(), QStringLiteral("5"));
    } else if (control == "MSFlexGrid1") {
        QVERIFY(!target->hasFocus());
        QVERIFY(QApplication::focusWidget() && QApplication::focusWidget()->window() == form_);
    } else {
        QVERIFY(!differentLayouts(before, after));
        QVERIFY(form_->isVisible());
    }
}

void EditorFormTest::noMaximizeButton()
{
    QVERIFY(!form_->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(form_->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(form_->windowFlags().testFlag(Qt::WindowCloseButtonHint));
}

QTEST_MAIN(EditorFormTest)
#include "tst_editor_form.moc"
