#include "editor/qt_modal_dialogs.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tv;

// The message boxes the user really sees, read while they are open.
class QtModalDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void namesAreShownAsText_data();
    void namesAreShownAsText();
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

QTEST_MAIN(QtModalDialogsTest)
#include "tst_qt_modal_dialogs.moc"
