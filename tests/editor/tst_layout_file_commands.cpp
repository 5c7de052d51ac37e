#include "editor/canvas/layout_canvas.h"
#include "editor/canvas/screen_shape_box.h"
#include "editor/controls/flex_grid.h"
#include "editor/layout_file_commands.h"
#include "editor/media/playlist_panel.h"
#include "editor/media/switch_time_box.h"
#include "editor/window_commands.h"
#include "layout/layout_writer.h"
#include "show/show_manifest.h"
#include "support/editor_harness.h"
#include "support/file_helpers.h"
#include "support/os_faults.h"

#include "support/random_layout.h"
#include <QUndoStack>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace tv;
using tv::test::contentOf;
using tv::test::FileSizeLimit;
using tv::test::put;
using tv::test::SmallFileSystem;

class LayoutFileCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { harness_.open(); }
    void cleanup() { harness_.close(); }

    void saveOffersThePresetName();
    void cancelledSaveWritesNothing();
    void coverTheOldFile_data();
    void coverTheOldFile();
    void deletedWindowsAreLeftOut();
    void refusedLayoutShowsNoDialog();
    void systemFaultsKeepTheOldFile_data();
    void systemFaultsKeepTheOldFile();
    void openRebuildsTheEditor();
    void reopeningKeepsTheControlsOfWindowsThatStay();
    void refusedFileKeepsTheLayout_data();
    void refusedFileKeepsTheLayout();
    void openingStartsFromTheLastName();
    void openedLayoutsSaveAlike();
    void aPortraitLayoutKeepsItsBytes();
    void openAsksBeforeDroppingChanges_data();
    void openAsksBeforeDroppingChanges();
    void savingTheFileBeingEdited();
    void publishingFromTheEditor();

private:
    void save(const QString& path, std::optional<bool> cover = std::nullopt);
    void open(const QString& path);
    QString saved(const char* name) { return work_.filePath(name); }
    test::EditorDriver& driver() { return *harness_.driver; }
    test::EditorHarness harness_;
    QTemporaryDir work_;
    QTemporaryDir temp_;
};

void LayoutFileCommandsTest::initTestCase()
{
    qputenv("TEMP", temp_.path().toLocal8Bit());
}

void LayoutFileCommandsTest::save(const QString& path, std::optional<bool> cover)
{
    harness_.dialogs.fileChoices.enqueue(path.isEmpty() ? std::nullopt : std::optional(path));
    if (cover)
        harness_.dialogs.answers.enqueue(*cover);
    QTest::mouseClick(harness_.form->layoutFile().Command10, Qt::LeftButton);
}

void LayoutFileCommandsTest::open(const QString& path)
{
    harness_.dialogs.fileChoices.enqueue(path.isEmpty() ? std::nullopt : std::optional(path));
    QTest::mouseClick(harness_.form->layoutFile().Command11, Qt::LeftButton);
}

void LayoutFileCommandsTest::saveOffersThePresetName()
{
    driver().addVideo();
    save(saved("a.TXT"));
    const test::ShownDialog& dialog = harness_.dialogs.shown.first();
    QCOMPARE(dialog.kind, test::ShownDialog::Kind::Save);
    QCOMPARE(dialog.filter, QStringLiteral("SPLITFILE|*.TXT"));
    QCOMPARE(dialog.preset, QStringLiteral("TESSELLVIEW.TXT"));
    QCOMPARE(contentOf(saved("a.TXT")).left(6), QByteArray::fromHex("01000204314a"));
    QCOMPARE(contentOf(temp_.filePath("TEMP2.mzy")), contentOf(saved("a.TXT")));
}

void LayoutFileCommandsTest::cancelledSaveWritesNothing()
{
    QFile::remove(temp_.filePath("TEMP2.mzy"));
    const QStringList before = QDir(work_.path()).entryList(QDir::Files);
    save(QString());
    QVERIFY(!QFileInfo::exists(temp_.filePath("TEMP2.mzy")));
    QCOMPARE(QDir(work_.path()).entryList(QDir::Files), before);
}

void LayoutFileCommandsTest::coverTheOldFile_data()
{
    QTest::addColumn<bool>("cover");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void LayoutFileCommandsTest::coverTheOldFile()
{
    QFETCH(bool, cover);
    QFile::remove(temp_.filePath("TEMP2.mzy"));
    QVERIFY(put(saved("old.TXT"), "old"));
    save(saved("old.TXT"), cover);
    const test::ShownDialog& question = harness_.dialogs.shown.at(1);
    QCOMPARE(question.kind, test::ShownDialog::Kind::Question);
    QCOMPARE(question.text, QStringLiteral("Cover the old file?"));
    QCOMPARE(question.title, QStringLiteral("Confirm"));
    QCOMPARE(contentOf(saved("old.TXT")), cover ? QByteArray(81, '\0') : QByteArray("old"));
    QCOMPARE(QFileInfo::exists(temp_.filePath("TEMP2.mzy")), cover);
}

void LayoutFileCommandsTest::deletedWindowsAreLeftOut()
{
    driver().addVideo();
    driver().addPicture();
    driver().addPicture();
    driver().addPicture();
    harness_.form->table().SwitchTime[1] = 21;
    harness_.form->table().SwitchTime[3] = 43;
    for (const char* name : {"Video\n1", "Picture2"}) {
        driver().pickListEntry(driver().listEntries().indexOf(name));
        driver().deleteWindow();
    }
    save(saved("deleted.TXT"));
    const QByteArray bytes = contentOf(saved("deleted.TXT"));
    QCOMPARE(bytes.size(), 81);
    QCOMPARE(bytes.left(6), QByteArray::fromHex("000200000000"));
    QCOMPARE(bytes.mid(50, 6), QByteArray::fromHex("0015002b0000"));
}

void LayoutFileCommandsTest::refusedLayoutShowsNoDialog()
{
    driver().addPicture();
    driver().typeFields({"-10", "0", "100", "100"});
    driver().applyFields();
    save(saved("never.TXT"));
    QCOMPARE(harness_.dialogs.shown.size(), 1);
    QCOMPARE(harness_.dialogs.shown.first().title, QStringLiteral("+_+"));
    QVERIFY(harness_.dialogs.shown.first().text.contains("Picture1"));
    QVERIFY(!QFileInfo::exists(saved("never.TXT")));
}

void LayoutFileCommandsTest::systemFaultsKeepTheOldFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason"); // what the system says, shown to the user
    QTest::newRow("file-size limit") << "limit"
                                     << "File too large";
    QTest::newRow("destination is a folder") << "folder"
                                             << "";
    QTest::newRow("folder does not exist") << "missing"
                                           << "";
    QTest::newRow("full file system") << "full"
                                      << "No space left on device";
}

// Each fault comes from the operating system; the old file must come through
// byte for byte, the user must be told, and nothing may be left beside it.
void LayoutFileCommandsTest::systemFaultsKeepTheOldFile()
{
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    const QByteArray oldBytes(81, '\x01');
    LayoutDescription layout; // a video window with four names: 241 bytes
    layout.video = LayoutWindow{{0, 0, 3600, 2025}, {"a.avi", "b.avi", "c.avi", "d.avi"}, {}, 1};
    QVERIFY(put(saved("layout.TXT"), std::get<QByteArray>(encodeLayout(layout))));
    open(saved("layout.TXT"));
    QCOMPARE(driver().playlist(1).size(), 4);

    SmallFileSystem small(8192);
    QTemporaryDir place;
    QString destination = QDir(place.path()).filePath("old.TXT");
    std::optional<FileSizeLimit> limit;
    if (fault == "full") {
        if (!small.mounted())
            QSKIP(qPrintable(small.whyNot()));
        destination = small.filePath("old.TXT");
        QVERIFY(put(destination, oldBytes));
        QVERIFY(small.fill("filler"));
    } else if (fault == "folder") {
        QVERIFY(QDir(place.path()).mkpath("old.TXT"));
        QVERIFY(put(QDir(destination).filePath("inside"), oldBytes));
    } else if (fault == "missing") {
        destination = QDir(place.path()).filePath("missing/old.TXT");
    } else {
        QVERIFY(put(destination, oldBytes));
        limit.emplace(100);
        QVERIFY(limit->active());
    }
    const QString folder = QFileInfo(destination).path();
    const QStringList before =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);

    save(destination, QFileInfo::exists(destination) ? std::optional(true) : std::nullopt);
    limit.reset();

    QCOMPARE(harness_.dialogs.messages().size(), 1);
    const QString shown = harness_.dialogs.messages().first();
    QVERIFY2(shown.startsWith("+_+: The layout was not saved."), qPrintable(shown));
    QVERIFY2(shown.contains(reason), qPrintable(shown));
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System), before);
    if (fault == "folder")
        QCOMPARE(contentOf(QDir(destination).filePath("inside")), oldBytes);
    else if (fault == "missing")
        QVERIFY(!QFileInfo::exists(QFileInfo(folder).path() + "/missing"));
    else
        QCOMPARE(contentOf(destination), oldBytes);
}

void LayoutFileCommandsTest::openRebuildsTheEditor()
{
    LayoutDescription layout;
    LayoutWindow video{{3600, 2025, 3600, 2025}, {"a.avi", "b.mp4"}, {}, 1};
    layout.video = video;
    layout.pictures << LayoutWindow{{0, 0, 720, 810}, {"c.jpg"}, {}, 2}
                    << LayoutWindow{{720, 0, 720, 810}, {}, {}, 4};
    layout.switchTimes = {7, 300};
    QByteArray bytes = std::get<QByteArray>(encodeLayout(layout));
    bytes[69] = 9; // the switch time of slot 10, which holds no window
    QVERIFY(put(saved("open.TXT"), bytes));

    driver().addPicture();
    harness_.form->switchTime().Text3->setText("42");
    open(saved("open.TXT"));

    const WindowTable& table = harness_.form->table();
    QCOMPARE(table.HasVideoWindow, std::int16_t(1));
    QCOMPARE(table.PictureWindowCount, std::int16_t(2));
    QCOMPARE(table.CurrentWindow, std::int16_t(3));
    QCOMPARE(table.SwitchTime[1], 7);
    QCOMPARE(table.SwitchTime[2], 300);
    QCOMPARE(table.SwitchTime[10], 9);
    QCOMPARE(driver().listEntries(), (QStringList{"Video\n1", "Picture1", "Picture2"}));
    QCOMPARE(driver().body(1), (TwipsRect{3600, 2025, 3600, 2025}));
    QCOMPARE(driver().body(3), (TwipsRect{720, 0, 720, 810}));
    QCOMPARE(driver().playlist(1), (QStringList{"1 a.avi", "2 b.mp4"}));
    QCOMPARE(driver().playlist(2), QStringList{"1 c.jpg"});
    QCOMPARE(driver().fields(), (QStringList{"192", "0", "192", "216"}));
    // The box shows the switch time of the window now current, from the file.
    QCOMPARE(harness_.form->switchTime().Text3->text(), QStringLiteral("300"));
    QCOMPARE(driver().violations(), QStringList{});
}

// Open draws the new layout by difference: a window there before and after
// keeps its canvas parts and grid, shown with what the file holds, and a
// window the file lacks loses them.
void LayoutFileCommandsTest::reopeningKeepsTheControlsOfWindowsThatStay()
{
    LayoutDescription layout;
    layout.video = LayoutWindow{{3600, 2025, 3600, 2025}, {"a.avi"}, {}, 1};
    layout.pictures << LayoutWindow{{0, 0, 720, 810}, {"c.jpg"}, {}, 2};
    layout.switchTimes = {7};
    QVERIFY(put(saved("first.TXT"), std::get<QByteArray>(encodeLayout(layout))));
    layout.video.reset();
    layout.pictures[0] = LayoutWindow{{720, 0, 1440, 810}, {"d.jpg", "e.jpg"}, {}, 2};
    QVERIFY(put(saved("second.TXT"), std::get<QByteArray>(encodeLayout(layout))));

    open(saved("first.TXT"));
    const QPointer<QWidget> body = harness_.form->canvas().Image1(2);
    const QPointer<QWidget> grid = harness_.form->playlists().MSFlexGrid2(2);
    QVERIFY(body && grid);
    open(saved("second.TXT"));
    QCOMPARE(harness_.form->canvas().Image1(2), body.data());
    QCOMPARE(harness_.form->playlists().MSFlexGrid2(2), grid.data());
    QVERIFY(!harness_.form->canvas().Image1.exists(1));
    QCOMPARE(driver().body(2), (TwipsRect{720, 0, 1440, 810}));
    QCOMPARE(driver().playlist(2), (QStringList{"1 d.jpg", "2 e.jpg"}));
    QCOMPARE(driver().violations(), QStringList{});
}

void LayoutFileCommandsTest::refusedFileKeepsTheLayout_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty: the file does not exist
    QTest::newRow("no such file") << QByteArray();
    QTest::newRow("too short") << QByteArray(80, '\0');
    QTest::newRow("twelve pictures")
        << QByteArray(1, '\0') + QByteArray(1, '\x0c') + QByteArray(79, '\0');
}

void LayoutFileCommandsTest::refusedFileKeepsTheLayout()
{
    QFETCH(QByteArray, bytes);
    const QString path = saved("refused.TXT");
    QFile::remove(path);
    if (!bytes.isEmpty())
        QVERIFY(put(path, bytes));
    driver().addVideo();
    driver().addPicture();
    open(path);
    QCOMPARE(harness_.dialogs.messages().size(), 1);
    QCOMPARE(driver().listEntries(), (QStringList{"Video\n1", "Picture1"}));
    QCOMPARE(driver().current(), 2);
    QCOMPARE(QFileInfo::exists(path), !bytes.isEmpty());

    open(QString()); // a cancelled dialog leaves the layout too
    QCOMPARE(driver().listEntries().size(), 2);
}

void LayoutFileCommandsTest::openingStartsFromTheLastName()
{
    save(saved("first.TXT"));
    open(QString());
    QCOMPARE(harness_.dialogs.shown.last().kind, test::ShownDialog::Kind::Open);
    QCOMPARE(harness_.dialogs.shown.last().preset, saved("first.TXT"));
}

void LayoutFileCommandsTest::openedLayoutsSaveAlike()
{
    QRandomGenerator random(7);
    for (int n = 0; n < 150; ++n) {
        const QByteArray bytes = std::get<QByteArray>(encodeLayout(test::randomLayout(random)));
        QVERIFY(put(saved("in.TXT"), bytes));
        open(saved("in.TXT"));
        QFile::remove(saved("out.TXT"));
        save(saved("out.TXT"));
        QVERIFY2(harness_.dialogs.messages().isEmpty(),
                 qPrintable(harness_.dialogs.messages().join('\n')));
        QCOMPARE(contentOf(saved("out.TXT")), bytes);
        QCOMPARE(driver().violations(), QStringList{});
    }
}

// Turned portrait, a layout's windows keep their share of the screen: the
// file holds the same bytes, the canvas stands 9:16, and the layout opens
// portrait again; undone, it is landscape as it was.
void LayoutFileCommandsTest::aPortraitLayoutKeepsItsBytes()
{
    QRandomGenerator random(1080);
    QCheckBox* portrait = harness_.form->shapeBox().PortraitCheck;
    const CanvasPicture* canvas = harness_.form->canvas().Picture1;
    for (int n = 0; n < 40; ++n) {
        const QByteArray bytes = std::get<QByteArray>(encodeLayout(test::randomLayout(random)));
        QVERIFY(put(saved("in.TXT"), bytes));
        open(saved("in.TXT"));
        QVERIFY(!portrait->isChecked());
        QCOMPARE(canvas->size(), QSize(480, 270));
        const QPoint middle = canvas->geometry().center();
        QTest::mouseClick(portrait, Qt::LeftButton);
        QCOMPARE(canvas->size(), QSize(152, 270));
        QCOMPARE(canvas->geometry().center(), middle);
        QCOMPARE(driver().violations(), QStringList{});
        QFile::remove(saved("tall.TXT"));
        save(saved("tall.TXT"));
        QCOMPARE(contentOf(saved("tall.TXT")), bytes);
        open(saved("in.TXT"));
        QVERIFY(!portrait->isChecked());
        open(saved("tall.TXT"));
        QVERIFY(portrait->isChecked());
        QCOMPARE(canvas->size(), QSize(152, 270));
        const auto& model = harness_.form->layoutFile().describeLayout();
        QCOMPARE(model.shape, ScreenShape::Portrait);
        harness_.form->history().undo(); // the open
        harness_.form->history().undo(); // the open before
        harness_.form->history().undo(); // the choice of shape
        QVERIFY(!portrait->isChecked());
        QCOMPARE(canvas->size(), QSize(480, 270));
        QCOMPARE(std::get<QByteArray>(encodeLayout(harness_.form->layoutFile().describeLayout())),
                 bytes);
    }
    QVERIFY2(harness_.dialogs.messages().isEmpty(),
             qPrintable(harness_.dialogs.messages().join('\n')));
}

void LayoutFileCommandsTest::openAsksBeforeDroppingChanges_data()
{
    using Answer = ModalDialogs::Answer;
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("savedFirst");
    QTest::addColumn<bool>("opened");
    QTest::newRow("Yes saves, then opens") << int(Answer::Yes) << true << true;
    QTest::newRow("No lets the changes go") << int(Answer::No) << false << true;
    QTest::newRow("Cancel keeps everything") << int(Answer::Cancel) << false << false;
}

void LayoutFileCommandsTest::openAsksBeforeDroppingChanges()
{
    QFETCH(int, answer);
    QFETCH(bool, savedFirst);
    QFETCH(bool, opened);
    QVERIFY(put(saved("other.TXT"), QByteArray(81, '\0')));
    QFile::remove(saved("work.TXT"));
    driver().addVideo();
    harness_.dialogs.threeWayAnswers.enqueue(ModalDialogs::Answer(answer));
    if (savedFirst)
        harness_.dialogs.fileChoices.enqueue(saved("work.TXT"));
    open(saved("other.TXT"));
    QCOMPARE(harness_.dialogs.shown.first().text, QStringLiteral("Save changes to the layout?"));
    QCOMPARE(QFileInfo::exists(saved("work.TXT")), savedFirst);
    QCOMPARE(driver().listEntries(), opened ? QStringList{} : QStringList{"Video\n1"});
    QCOMPARE(harness_.form->history().isClean(), opened);
}

// Ctrl+S writes the file being edited in place; Save File proposes it and
// does not ask to cover it; the title names it and marks changes.
void LayoutFileCommandsTest::savingTheFileBeingEdited()
{
    Split& form = *harness_.form;
    QVERIFY(put(saved("shop.TXT"), QByteArray(81, '\0')));
    open(saved("shop.TXT"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Tessellview - shop.TXT[*]"));
    QVERIFY(!form.isWindowModified());
    driver().addPicture();
    QVERIFY(form.isWindowModified());
    const qsizetype asked = harness_.dialogs.shown.size();
    QTest::keyClick(form.windowHandle(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(harness_.dialogs.shown.size(), asked);
    QCOMPARE(contentOf(saved("shop.TXT")).at(1), '\1');
    QVERIFY(!form.isWindowModified());

    driver().addPicture();
    save(saved("shop.TXT"));
    QCOMPARE(harness_.dialogs.shown.size(), asked + 1);
    QCOMPARE(harness_.dialogs.shown.last().preset, QFileInfo(saved("shop.TXT")).absoluteFilePath());
    QCOMPARE(contentOf(saved("shop.TXT")).at(1), '\2');
}

// Ctrl+P writes the layout and just the media it names as a show folder.
void LayoutFileCommandsTest::publishingFromTheEditor()
{
    Split& form = *harness_.form;
    QTemporaryDir media;
    for (const char* name : {"a.jpg", "b.jpg"})
        QVERIFY(put(media.filePath(name), name));
    driver().chooseFolder(media.path());
    driver().addPicture();
    driver().pressFileRow(2);
    driver().addMarkedFiles();
    const QString show = saved("show");
    harness_.dialogs.folderChoices.enqueue(show + "/");
    QTest::keyClick(form.windowHandle(), Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(harness_.dialogs.messages().last(),
             QStringLiteral("+_+: The show was published to %1.").arg(show));
    QCOMPARE(QDir(show).entryList(QDir::Files), (QStringList{"b.jpg", "show.json", "show.TXT"}));
    QCOMPARE(contentOf(QDir(show).filePath("show.TXT")),
             std::get<QByteArray>(encodeLayout(form.layoutFile().describeLayout())));

    // Published again portrait, the show tells the display so.
    QTest::mouseClick(form.shapeBox().PortraitCheck, Qt::LeftButton);
    harness_.dialogs.folderChoices.enqueue(show + "/");
    QTest::keyClick(form.windowHandle(), Qt::Key_P, Qt::ControlModifier);
    QString why;
    const auto manifest = decodeManifest(contentOf(QDir(show).filePath("show.json")), &why);
    QVERIFY2(manifest, qPrintable(why));
    QCOMPARE(manifest->shapes.value("show.TXT"), ScreenShape::Portrait);
}

QTEST_MAIN(LayoutFileCommandsTest)
#include "tst_layout_file_commands.moc"
