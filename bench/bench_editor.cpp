// The editor's everyday work at its largest: the selection refresh with a
// full file list, choosing a folder of 10,000 entries, saving and opening the
// largest layout a file can hold (beside a plain write, sync and rename of
// the same bytes), and the memory the editor holds with every window made.
#include "editor/layout_file_commands.h"
#include "editor/media/media_file_list.h"
#include "editor/model/layout_model.h"
#include "editor/split.h"
#include "files/layout_file_reading.h"
#include "files/save_files.h"
#include "layout/layout_reader.h"
#include "layout/layout_writer.h"
#include "support/editor_driver.h"
#include "support/scripted_dialogs.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <map>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

using namespace tv;

namespace {

// The largest legal layout: every window, and as many names as the list
// starts can count.
QByteArray largestLayout()
{
    LayoutDescription layout;
    auto window = [](int index, int names) {
        LayoutWindow w{{float(72 * index), 81, 720, 405}, {}, {}, index};
        for (int n = 0; n < names; ++n)
            w.names << QStringLiteral("picture-%1-%2.jpg").arg(index).arg(n);
        return w;
    };
    layout.video = window(1, 25);
    for (int slot = 1; slot <= 10; ++slot)
        layout.pictures << window(slot + 1, slot == 10 ? 5 : 25);
    return std::get<QByteArray>(encodeLayout(layout));
}

qint64 peakResidentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

} // namespace

class EditorBenchmark : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void selectionRefreshWith255Files();
    void selectFolder_data();
    void selectFolder();
    void rawDirectoryRead_data();
    void rawDirectoryRead();
    void rawWriteSyncRename();
    void saveLargestLayout();
    void openLargestLayout();
    void readAndDecodeLargestLayout();
    void moveStep();
    void undoOneStep();
    void undoThousandSteps();
    void peakMemoryWithEveryWindow();

private:
    void fillEditor();
    test::ScriptedDialogs dialogs_;
    std::unique_ptr<Split> form_;
    QTemporaryDir pictures_;
    std::map<int, std::unique_ptr<QTemporaryDir>> large_; // by number of entries
    // On the disk the build lives on, where a sync costs what it costs users.
    QTemporaryDir files_{QStringLiteral("bench-files-XXXXXX")};
    QByteArray layout_;
};

void EditorBenchmark::initTestCase()
{
    for (int n = 0; n < 255; ++n)
        QVERIFY(
            QFile(pictures_.filePath(QStringLiteral("p%1.jpg").arg(n))).open(QIODevice::WriteOnly));
    for (int entries : {1000, 10000, 100000}) {
        auto folder = std::make_unique<QTemporaryDir>();
        for (int n = 0; n < entries; ++n)
            QVERIFY(QFile(folder->filePath(QStringLiteral("clip %1.avi").arg(n)))
                        .open(QIODevice::WriteOnly));
        large_[entries] = std::move(folder);
    }
    layout_ = largestLayout();
    QCOMPARE(layout_.size(), 81 + 40 * 255);
    qputenv("TEMP", QFile::encodeName(files_.path()));
    form_ = std::make_unique<Split>(dialogs_);
    form_->showForm();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    fillEditor();
}

void EditorBenchmark::fillEditor()
{
    test::EditorDriver driver(*form_);
    driver.chooseFolder(pictures_.path());
    driver.addVideo();
    for (int i = 0; i < 10; ++i)
        driver.addPicture();
}

void EditorBenchmark::selectionRefreshWith255Files()
{
    test::EditorDriver driver(*form_);
    int pick = 0;
    QBENCHMARK
    {
        driver.pickListEntry(1 + pick++ % 10);
    }
    QCOMPARE(driver.fileRows().size(), 256);
}

void EditorBenchmark::selectFolder_data()
{
    QTest::addColumn<int>("entries");
    for (int entries : {1000, 10000, 100000})
        QTest::newRow(qPrintable(QString::number(entries))) << entries;
}

void EditorBenchmark::selectFolder()
{
    QFETCH(int, entries);
    const QString folder = large_[entries]->path();
    QBENCHMARK
    {
        dialogs_.folderChoices.enqueue(folder);
        form_->fileList().Command5_Click();
    }
    dialogs_.folderChoices.enqueue(pictures_.path());
    form_->fileList().Command5_Click();
}

void EditorBenchmark::rawDirectoryRead_data()
{
    selectFolder_data();
}

// The floor Select stands on: reading the folder's names and nothing else.
void EditorBenchmark::rawDirectoryRead()
{
    QFETCH(int, entries);
    const QByteArray folder = QFile::encodeName(large_[entries]->path());
    int read = 0;
    QBENCHMARK
    {
        read = 0;
        DIR* dir = ::opendir(folder.constData());
        while (::readdir(dir))
            ++read;
        ::closedir(dir);
    }
    QCOMPARE(read, entries + 2);
}

void EditorBenchmark::rawWriteSyncRename()
{
    const QByteArray path = QFile::encodeName(files_.filePath("raw.TXT"));
    const QByteArray beside = path + ".new";
    QBENCHMARK
    {
        const int fd = ::open(beside.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, layout_.constData(), size_t(layout_.size())), ssize_t(layout_.size()));
        QCOMPARE(::fsync(fd), 0);
        QCOMPARE(::close(fd), 0);
        QCOMPARE(::rename(beside.constData(), path.constData()), 0);
    }
}

void EditorBenchmark::saveLargestLayout()
{
    SaveFiles files;
    const QString path = files_.filePath("saved.TXT");
    QBENCHMARK
    {
        QCOMPARE(saveLayoutFile(layout_, path, tempLayoutPath(), files), QString());
    }
}

void EditorBenchmark::openLargestLayout()
{
    const QString path = files_.filePath("open.TXT");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(layout_) == layout_.size());
    file.close();
    dialogs_.shown.clear();
    QBENCHMARK
    {
        dialogs_.fileChoices.enqueue(path);
        QTest::mouseClick(form_->layoutFile().Command11, Qt::LeftButton);
    }
    QVERIFY(dialogs_.messages().isEmpty());
    fillEditor();
}

// The floor Open File stands on: reading the file and decoding it.
void EditorBenchmark::readAndDecodeLargestLayout()
{
    const QString path = files_.filePath("open.TXT");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(layout_) == layout_.size());
    file.close();
    QBENCHMARK
    {
        const LayoutFileBytes read = readLayoutFileBytes(path);
        QVERIFY(std::holds_alternative<LayoutDescription>(decodeLayout(read.bytes)));
    }
}

namespace {

// A window moved by a step, as an arrow key moves it.
LayoutState moved(LayoutState state, int index, float by)
{
    state.windows[static_cast<std::size_t>(index)].rect.Left += by;
    return state;
}

} // namespace

// The step an undo undoes: a window moved in the whole editor, recorded as
// a step (merged with the one before, as a key held down).
void EditorBenchmark::moveStep()
{
    LayoutModel& model = form_->model();
    const int index = kFirstPictureWindow;
    float by = 15;
    QBENCHMARK
    {
        const LayoutState before = model.state();
        TwipsRect rect = model.window(index).rect;
        rect.Left += (by = -by);
        model.setRect(index, rect);
        form_->recordStep(before, QStringLiteral("Move"), 1, index);
    }
    form_->history().undo();
}

// One step undone, then done again, in the whole editor with eleven windows.
void EditorBenchmark::undoOneStep()
{
    LayoutModel& model = form_->model();
    const LayoutState before = model.state();
    model.restore(moved(before, kFirstPictureWindow, 15));
    form_->recordStep(before, QStringLiteral("Move"));
    QBENCHMARK
    {
        form_->history().undo();
        form_->history().redo();
    }
    form_->history().undo();
}

// A thousand steps undone at once, and done again.
void EditorBenchmark::undoThousandSteps()
{
    LayoutModel& model = form_->model();
    QUndoStack& history = form_->history();
    const int start = history.index();
    for (int step = 0; step < 1000; ++step) {
        const LayoutState before = model.state();
        model.restore(moved(before, kFirstPictureWindow + step % 10, step % 2 ? -15 : 15));
        form_->recordStep(before, QStringLiteral("Move"));
    }
    QBENCHMARK
    {
        history.setIndex(start);
        history.setIndex(start + 1000);
    }
    history.setIndex(start);
}

void EditorBenchmark::peakMemoryWithEveryWindow()
{
    // Eleven windows and 255 listed files are in the editor since the start.
    const qint64 peak = peakResidentKilobytes();
    QVERIFY(peak > 0);
    qInfo("peak resident memory: %.1f MB", double(peak) / 1024);
}

QTEST_MAIN(EditorBenchmark)
#include "bench_editor.moc"
