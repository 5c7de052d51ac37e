#include "editor/qt_modal_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace tv;

// The message boxes the user really sees, read while they are open.
class QtModalDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void namesAreShownAsText_data();
    void namesAreShownAsText();
    void savedNamesGetTheExtension_data();
    void savedNamesGetTheExtension();
};

void QtModalDialogsTest::namesAreShownAsText_data()
{
    QTest::addColumn<bool>("question");
    QTest::newRow("message") << false;
    QTest::newRow("question") << true;
}

void QtModalDialogsTest::namesAreShownAsText()
{
    QFETCH(bool, question);
    const QString text =
        QStringLiteral("/tmp/<h1>SAVED OK<br><img src=x>.TXT is not a layout file: too short.");
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        QVERIFY(label);
        shown = label->text();
        format = label->textFormat();
        box->button(question ? QMessageBox::No : QMessageBox::Ok)->click();
    });
    QtModalDialogs dialogs;
    if (question)
        QVERIFY(!dialogs.askYesNo(nullptr, text, QStringLiteral("Confirm")));
    else
        dialogs.message(nullptr, text, QStringLiteral("+_+"));
    QCOMPARE(shown, text);
    QCOMPARE(format, Qt::PlainText);
}

void QtModalDialogsTest::savedNamesGetTheExtension_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    const QString layouts = QStringLiteral("SPLITFILE|*.TXT");
    QTest::newRow("no extension: .TXT added") << layouts << "shop"
                                              << "shop.TXT";
    QTest::newRow("already .TXT") << layouts << "shop.TXT"
                                  << "shop.TXT";
    QTest::newRow("another case") << layouts << "shop.txt"
                                  << "shop.txt";
    QTest::newRow("an extension of its own") << layouts << "shop.layout"
                                             << "shop.layout";
    QTest::newRow("a schedule") << QStringLiteral("SCHEDULE|*.schedule") << "week"
                                << "week.schedule";
}

// The real save dialog: a name typed without an extension is saved with
// the filter's, so the open dialog's filter shows it.
void QtModalDialogsTest::savedNamesGetTheExtension()
{
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    QTemporaryDir folder;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QCOMPARE(dialog->directory().absolutePath(), QDir(folder.path()).absolutePath());
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(typed);
        QTest::keyClick(name, Qt::Key_Return);
    });
    QtModalDialogs dialogs;
    const auto chosen =
        dialogs.saveFileName(nullptr, filter, QDir(folder.path()).filePath("TESSELLVIEW.TXT"));
    QVERIFY(chosen);
    QCOMPARE(QFileInfo(*chosen).fileName(), saved);
    QCOMPARE(QFileInfo(*chosen).absolutePath(), QDir(folder.path()).absolutePath());
}

QTEST_MAIN(QtModalDialogsTest)
#include "tst_qt_modal_dialogs.moc"
