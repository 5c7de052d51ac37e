#include "editor/controls/flex_grid.h"
#include "editor/media/media_file_list.h"
#include "support/editor_harness.h"
#include "support/media_folder.h"

#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QWindow>

using namespace tv;

// The note at the file list's foot lies below the rows: scrolled to the end,
// the last row shows whole above it and takes a click from the window system.
class FileListNoteTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_.open(); }
    void cleanup() { harness_.close(); }

    void lastRowStaysReachable_data();
    void lastRowStaysReachable();

private:
    test::EditorHarness harness_;
};

void FileListNoteTest::lastRowStaysReachable_data()
{
    QTest::addColumn<int>("pictures");
    QTest::newRow("a long list") << 40;
    QTest::newRow("a list just longer than the grid") << 12;
}

void FileListNoteTest::lastRowStaysReachable()
{
    QFETCH(int, pictures);
    test::MediaFolder folder;
    for (int n = 0; n < pictures; ++n)
        QVERIFY(folder.add(QStringLiteral("p%1.jpg").arg(n, 2, 10, QLatin1Char('0')), 10));
    QVERIFY(folder.add("clip.avi", 10));
    harness_.driver->chooseFolder(folder.path());
    harness_.driver->addPicture(); // leaves the clip out, with a note

    FlexGrid* grid = harness_.form->fileList().MSFlexGrid1;
    QCOMPARE(grid->note(), "1 file is of a kind this window does not play");
    QCOMPARE(grid->Rows(), pictures + 2); // the header and the empty last row
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    const auto* note = grid->findChild<QLabel*>("note");
    QVERIFY(note && note->isVisible());
    for (int row : {pictures, pictures + 1}) {
        const QRect cell = grid->visualRect(grid->model()->index(row - 1, 2));
        const QRect onGrid(grid->viewport()->mapTo(grid, cell.topLeft()), cell.size());
        QVERIFY2(onGrid.bottom() < note->y(), qPrintable(QStringLiteral("row %1").arg(row)));
    }
    const QRect last = grid->visualRect(grid->model()->index(pictures - 1, 2));
    QTest::mouseClick(harness_.form->windowHandle(), Qt::LeftButton, {},
                      grid->viewport()->mapTo(harness_.form.get(), last.center()));
    QCOMPARE(harness_.driver->fileMarks(), QString(pictures - 1, '.') + "x.");
}

QTEST_MAIN(FileListNoteTest)
#include "tst_file_list_note.moc"
