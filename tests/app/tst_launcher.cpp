#include "app/main_form.h"
#include "editor/canvas/layout_canvas.h"
#include "editor/controls/flex_grid.h"
#include "editor/layout_file_commands.h"
#include "editor/split.h"
#include "support/editor_driver.h"
#include "support/editor_fixture.h"
#include "support/scripted_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

using namespace tv;
using tv::test::control;

namespace {

// Leaves marks of a user's work in the editor, so that a test can tell a form
// shown again from one loaded afresh.
void workIn(Split& editor)
{
    control<QLineEdit>(&editor, "Text1(0)")->setText("480");
    control<QLineEdit>(&editor, "Text3")->setText("25");
    auto* list = control<QComboBox>(&editor, "Combo1");
    list->addItem("Picture1");
    list->setEditText("Picture1");
    auto* files = control<FlexGrid>(&editor, "MSFlexGrid1");
    files->AddItem();
    files->setTextMatrix(1, 2, "clip.avi");
    editor.table().CurrentWindow = 0;
    editor.table().SwitchTime[1] = 25;
}

bool showsWork(const Split& editor)
{
    return control<QLineEdit>(&editor, "Text1(0)")->text() == "480" &&
           control<QLineEdit>(&editor, "Text3")->text() == "25" &&
           control<QComboBox>(&editor, "Combo1")->count() == 1 &&
           control<FlexGrid>(&editor, "MSFlexGrid1")->TextMatrix(1, 2) == "clip.avi";
}

bool inStartState(const Split& editor)
{
    return editor.isVisible() && control<QLineEdit>(&editor, "Text1(0)")->text() == "0" &&
           control<QLineEdit>(&editor, "Text3")->text().isEmpty() &&
           control<QComboBox>(&editor, "Combo1")->count() == 0 &&
           control<QComboBox>(&editor, "Combo1")->currentText().isEmpty() &&
           control<FlexGrid>(&editor, "MSFlexGrid1")->Rows() == 1 &&
           editor.table().CurrentWindow == 0 &&
           windowTableViolations(editor.table(), editor.layoutView()).isEmpty();
}

} // namespace

class LauncherTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void looksAsDrawn();
    void centredOnPrimaryScreen();
    void editorExistsOnlyAfterThePress();
    void pressingTwiceKeepsOneEditorAndItsWork();
    void closedEditorOpensInStartState();
    void closingLauncherLeavesEditorWorking();
    void programEndsWithItsLastWindow();
    void closingAChangedEditorAsks_data();
    void closingAChangedEditorAsks();
    void openingAFileAtStart_data();
    void openingAFileAtStart();
    void enterOpensTheEditor();

private:
    test::ScriptedDialogs dialogs_;
    Main* launcher_ = nullptr;
};

void LauncherTest::init()
{
    launcher_ = new Main(dialogs_);
    launcher_->show();
    QVERIFY(QTest::qWaitForWindowExposed(launcher_));
}

void LauncherTest::cleanup()
{
    delete launcher_;
    launcher_ = nullptr;
    dialogs_ = test::ScriptedDialogs{};
}

void LauncherTest::closingAChangedEditorAsks_data()
{
    using Answer = ModalDialogs::Answer;
    QTest::addColumn<QString>("work");    // what the user did before closing
    QTest::addColumn<int>("answer");      // -1: no question expected
    QTest::addColumn<bool>("saveChosen"); // whether the save dialog gets a name
    QTest::addColumn<bool>("closed");
    QTest::newRow("unchanged: closes without a question") << "" << -1 << false << true;
    QTest::newRow("undone to the start: no question") << "add,undo" << -1 << false << true;
    QTest::newRow("saved: no question") << "add,save" << -1 << false << true;
    QTest::newRow("No discards") << "add" << int(Answer::No) << false << true;
    QTest::newRow("Cancel keeps editing") << "add" << int(Answer::Cancel) << false << false;
    QTest::newRow("Yes saves, then closes") << "add" << int(Answer::Yes) << true << true;
    QTest::newRow("Yes with the save cancelled stays")
        << "add" << int(Answer::Yes) << false << false;
    QTest::newRow("a drag not yet released is a change")
        << "add,save,drag" << int(Answer::No) << false << true;
}

void LauncherTest::closingAChangedEditorAsks()
{
    QFETCH(QString, work);
    QFETCH(int, answer);
    QFETCH(bool, saveChosen);
    QFETCH(bool, closed);
    QTemporaryDir files;
    qputenv("TEMP", QFile::encodeName(files.path()));
    const QString saved = files.filePath("closing.TXT");
    QTest::mouseClick(launcher_->Command1, Qt::LeftButton);
    Split& editor = *launcher_->editor();
    test::EditorDriver driver(editor);
    for (const QString& step : work.split(',', Qt::SkipEmptyParts)) {
        if (step == "add")
            driver.addPicture();
        else if (step == "undo")
            editor.history().undo();
        else if (step == "drag") {
            QWidget* body = editor.canvas().Image1(editor.table().CurrentWindow);
            const QPoint at = body->mapTo(&editor, body->rect().center());
            QTest::mousePress(editor.windowHandle(), Qt::LeftButton, {}, at);
            QTest::mouseMove(editor.windowHandle(), at + QPoint(30, 10));
        } else {
            dialogs_.fileChoices.enqueue(saved);
            editor.layoutFile().Command10_Click();
        }
    }
    const qsizetype before = dialogs_.shown.size();
    if (answer >= 0)
        dialogs_.threeWayAnswers.enqueue(ModalDialogs::Answer(answer));
    if (saveChosen)
        dialogs_.fileChoices.enqueue(saved);
    QFile::remove(saved);
    editor.close();

    const QList<test::ShownDialog> asked = dialogs_.shown.mid(before);
    QCOMPARE(!asked.isEmpty(), answer >= 0);
    if (answer >= 0) {
        QCOMPARE(asked.first().text, QStringLiteral("Save changes to the layout?"));
        QCOMPARE(asked.first().kind, test::ShownDialog::Kind::Question);
    }
    QCOMPARE(editor.isVisible(), !closed);
    QCOMPARE(editor.isLoaded(), !closed);
    QCOMPARE(QFileInfo::exists(saved), saveChosen);
    if (!closed)
        QCOMPARE(driver.listEntries(), QStringList{"Picture1"});
}

void LauncherTest::openingAFileAtStart_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("windows");
    QByteArray oneVideo(81, '\0');
    oneVideo[0] = 1;
    oneVideo[4] = 50;
    oneVideo[5] = 50;
    QTest::newRow("a layout") << oneVideo << QStringList{"Video\n1"};
    QTest::newRow("a file too short") << QByteArray(80, '\0') << QStringList{};
}

// tessellview FILE: the editor opens with the file loaded as Open File loads
// it, and its dialogs start from that name.
void LauncherTest::openingAFileAtStart()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, windows);
    QTemporaryDir files;
    const QString path = files.filePath("start.TXT");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    launcher_->openLayout(path);
    Split& editor = *launcher_->editor();
    QVERIFY(editor.isVisible());
    test::EditorDriver driver(editor);
    QCOMPARE(driver.listEntries(), windows);
    QCOMPARE(dialogs_.messages().size(), windows.isEmpty() ? 1 : 0);
    QVERIFY(editor.history().isClean());
    editor.layoutFile().Command11_Click();
    QCOMPARE(dialogs_.shown.last().preset, path);
    // Closed and opened again, the editor shows no layout, and says so.
    QVERIFY(editor.close());
    QTest::mouseClick(launcher_->Command1, Qt::LeftButton);
    QCOMPARE(launcher_->editor()->windowTitle(), QStringLiteral("Tessellview"));
}

void LauncherTest::looksAsDrawn()
{
    QCOMPARE(launcher_->windowTitle(), QStringLiteral("\u542F\u52A8"));
    QCOMPARE(launcher_->size(), QSize(312, 213));
    QCOMPARE(launcher_->Command1->text(), QStringLiteral("Command1"));
    QCOMPARE(launcher_->Command1->geometry(), QRect(45, 21, 100, 37));
    QCOMPARE(launcher_->focusWidget(), launcher_->Command1);
}

void LauncherTest::centredOnPrimaryScreen()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect outer = launcher_->frameGeometry();
    QVERIFY(qAbs(outer.left() - (screen.width() - outer.width()) / 2.0) <= 0.5);
    QVERIFY(qAbs(outer.top() - (screen.height() - outer.height()) / 2.0) <= 0.5);
}

void LauncherTest::editorExistsOnlyAfterThePress()
{
    QVERIFY(!launcher_->editor());
    QTest::mouseClick(launcher_->Command1, Qt::LeftButton);
    Split* editor = launcher_->editor();
    QVERIFY(editor);
    QVERIFY(editor->isVisible());
    QVERIFY2(!editor->parentWidget(), "the editor has no owner window");
    QVERIFY(!editor->isModal());
    QVERIFY(launcher_->isVisible());
}

void LauncherTest::pressingTwiceKeepsOneEditorAndItsWork()
{
    QTest::mouseClick(launcher_->Command1, Qt::LeftButton);
    Split* first = launcher_->editor();
    workIn(*first);
    QTest::mouseClick(launcher_->Command1, Qt::LeftButton);
    QCOMPARE(launcher_->editor(), first);
    QCOMPARE(first->findChildren<QComboBox*>("Combo1").size(), 1);
    QVERIFY(showsWork(*first));
    QVERIFY(first->isVisible());
}

void LauncherTest::closedEditorOpensInStartState()
{
    QTest::mouseClick(launcher_->Command1, Qt::LeftButton);
    Split* editor = launcher_->editor();
    {
        test::EditorDriver driver(*editor);
        driver.addVideo();
        for (int i = 0; i < 3; ++i)
            driver.addPicture();
    }
    workIn(*editor);
    QVERIFY(editor->close());
    QVERIFY(!editor->isVisible());

    QTest::mouseClick(launcher_->Command1, Qt::LeftButton);
    QCOMPARE(launcher_->editor(), editor);
    QVERIFY(inStartState(*editor));
    QCOMPARE(editor->table().HasVideoWindow, std::int16_t(0));
    QCOMPARE(editor->table().PictureWindowCount, std::int16_t(0));
    QCOMPARE(editor->findChildren<QComboBox*>("Combo1").size(), 1);
    QVERIFY(editor->findChild<QWidget*>("Image1(0)")->isHidden());
    QVERIFY(!editor->findChild<QWidget*>("Image1(1)"));

    test::EditorDriver(*editor).addPicture();
    QCOMPARE(editor->table().CurrentWindow, std::int16_t(2));
    QCOMPARE(control<QComboBox>(editor, "Combo1")->currentText(), QStringLiteral("Picture1"));
}

void LauncherTest::closingLauncherLeavesEditorWorking()
{
    QTest::mouseClick(launcher_->Command1, Qt::LeftButton);
    Split* editor = launcher_->editor();
    QVERIFY(launcher_->close());
    QVERIFY(editor->isVisible());
    QVERIFY(editor->isLoaded());

    // The editor still takes input.
    auto* field = control<QLineEdit>(editor, "Text1(0)");
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "96");
    QCOMPARE(field->text(), QStringLiteral("96"));
}

void LauncherTest::programEndsWithItsLastWindow()
{
    QVERIFY(QGuiApplication::quitOnLastWindowClosed());
    QTest::mouseClick(launcher_->Command1, Qt::LeftButton);
    Split* editor = launcher_->editor();

    auto visibleWindows = [] {
        int count = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            count += window->isVisible();
        return count;
    };
    QCOMPARE(visibleWindows(), 2);
    launcher_->close();
    QCOMPARE(visibleWindows(), 1);
    editor->close();
    QCOMPARE(visibleWindows(), 0);
}

void LauncherTest::enterOpensTheEditor()
{
    QApplication::setActiveWindow(launcher_);
    QVERIFY(QTest::qWaitForWindowActive(launcher_));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(launcher_->editor() && launcher_->editor()->isVisible());
}

QTEST_MAIN(LauncherTest)
#include "tst_launcher.moc"
