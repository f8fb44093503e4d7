// SPDX-License-Identifier: MIT
// The settings dialog from the keyboard and as it first shows: where the focus goes, the masked
// password and its button, what the boxes show of a long value.
#include "gui/dialog/SettingsDialog.h"
#include "gui/shell/Application.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace korva5;

using namespace TestSupport;

namespace {

const QString LongFolder = QStringLiteral("/srv/") + QString(120, u'x') + QStringLiteral("/records/");

QByteArray settingsFile(const QString &language)
{
    return "[TALLY]\nLanguage=" + language.toUtf8()
        + "\nFtpNo=12\nFtpServer=127.0.0.1:9\nFtpPath=/upload/" + QByteArray(100, 'u')
        + "/\nFtpUserName=station\nFtpPassword=pass word\nFtpTime1=08:30\nLocalPath=" + LongFolder.toUtf8() + '\n';
}

struct Window : LoadedWindow
{
    explicit Window(const QString &language = QStringLiteral("English"))
        : LoadedWindow(settingsFile(language))
    {
        window->show();
    }
    SettingsDialog *open()
    {
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("cmbParameter")), Qt::LeftButton);
        auto *dialog = window->findChild<SettingsDialog *>();
        if (dialog && !QTest::qWaitForWindowActive(dialog))
            qWarning("the settings dialog did not become active");
        return dialog;
    }
};

QString focusName()
{
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
}

} // namespace

class TestParameterKeys : public QObject
{
    Q_OBJECT

private slots:
    void tabGoesFromCancelThroughTheBoxes_data();
    void tabGoesFromCancelThroughTheBoxes();
    void passwordIsMaskedUntilShown_data();
    void passwordIsMaskedUntilShown();
    void boxesShowTheStartOfTheirText();
};

void TestParameterKeys::tabGoesFromCancelThroughTheBoxes_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QStringList>("walk"); // from the control the dialog opens on, round to it
    QStringList forward{QStringLiteral("cmbCancel"), QStringLiteral("cmbOk"),     QStringLiteral("txtNo"),
                        QStringLiteral("txtServer"), QStringLiteral("txtLocal"),  QStringLiteral("txtUpload"),
                        QStringLiteral("txtName"),   QStringLiteral("txtPassword")};
    for (int i = 0; i < SettingsDialog::TimeBoxes; ++i)
        forward << QStringLiteral("txtTime%1").arg(i);
    // What the dialog gained since comes after the times.
    forward << QStringLiteral("cmbShowPassword") << QStringLiteral("txtStatusPath") << QStringLiteral("cmbTest")
            << QStringLiteral("cmbCancel");
    QStringList backward = forward;
    std::reverse(backward.begin(), backward.end());
    QTest::newRow("Tab") << Qt::KeyboardModifiers() << forward;
    QTest::newRow("Shift+Tab") << Qt::KeyboardModifiers(Qt::ShiftModifier) << backward;
}

void TestParameterKeys::tabGoesFromCancelThroughTheBoxes()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QStringList, walk);
    Window w;
    SettingsDialog *dialog = w.open();
    QVERIFY(dialog);
    QCOMPARE(focusName(), QStringLiteral("cmbCancel"));
    QStringList walked{focusName()};
    for (qsizetype i = 1; i < walk.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), modifiers ? Qt::Key_Backtab : Qt::Key_Tab, modifiers);
        walked << focusName();
    }
    QCOMPARE(walked, walk);
    // Nothing the walk went through was pressed or stored.
    QVERIFY(dialog->isVisible());
    QCOMPARE(readFile(w.dir.iniFile()), settingsFile(QStringLiteral("English")));
}

void TestParameterKeys::passwordIsMaskedUntilShown_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("name"); // as a screen reader says it, and the tooltip
    QTest::newRow("English") << "English" << "&Show" << "Show the password";
    QTest::newRow("China") << "China" << "显示(&S)" << "显示密码";
    QTest::newRow("Taiwan") << "Taiwan" << "顯示(&S)" << "顯示密碼";
}

void TestParameterKeys::passwordIsMaskedUntilShown()
{
    QFETCH(QString, language);
    QFETCH(QString, caption);
    QFETCH(QString, name);
    Window w(language);
    SettingsDialog *dialog = w.open();
    QVERIFY(dialog);
    auto *password = dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword"));
    auto *show = dialog->findChild<QAbstractButton *>(QStringLiteral("cmbShowPassword"));
    QVERIFY(password && show);
    QCOMPARE(show->text(), caption);
    QCOMPARE(show->accessibleName(), name);
    QCOMPARE(show->toolTip(), name);

    QCOMPARE(password->text(), QStringLiteral("pass word"));
    QVERIFY2(!password->displayText().contains(u'p'), qPrintable(password->displayText()));
    QTest::mouseClick(show, Qt::LeftButton);
    QCOMPARE(password->displayText(), QStringLiteral("pass word"));
    QTest::mouseClick(show, Qt::LeftButton);
    QVERIFY(!password->displayText().contains(u'p'));
    // Its access key, from wherever the focus is; through the window, as the desktop delivers
    // keys, so the shortcut map sees it. A shortcut presses the button visibly, for a moment.
    QTest::keyClick(dialog->windowHandle(), Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(password->displayText(), QStringLiteral("pass word"));
    QTest::keyClick(dialog->windowHandle(), Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(!password->displayText().contains(u'p'));

    // Typed while masked, it is stored as typed; the file learns nothing of the mask.
    password->selectAll();
    QTest::keyClicks(password, QStringLiteral("n3w secret"));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmbOk")), Qt::LeftButton);
    const QByteArray stored = readFile(w.dir.iniFile());
    QVERIFY2(stored.contains("\nFtpPassword=n3w secret\n"), stored.constData());
    // The next opening starts masked again.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!w.window->findChild<SettingsDialog *>());
    dialog = w.open();
    QVERIFY(dialog);
    QVERIFY(!dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword"))->displayText().contains(u'n'));
}

void TestParameterKeys::boxesShowTheStartOfTheirText()
{
    Window w;
    SettingsDialog *dialog = w.open();
    QVERIFY(dialog);
    auto *local = dialog->findChild<QLineEdit *>(QStringLiteral("txtLocal"));
    QCOMPARE(local->text(), LongFolder);
    // Longer than the box shows: only its start tells the folder.
    QVERIFY(local->fontMetrics().horizontalAdvance(LongFolder) > local->width());
    for (QLineEdit *box : dialog->findChildren<QLineEdit *>())
        QVERIFY2(box->cursorPosition() == 0, qPrintable(box->objectName()));
    // A box shows its start at the cursor's place: the leading "/" is at the box's left.
    const int cursorAt = local->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
    QVERIFY2(cursorAt < local->fontMetrics().horizontalAdvance(QStringLiteral("/s")), qPrintable(QString::number(cursorAt)));
}

QTEST_MAIN(TestParameterKeys)
#include "tst_parameterkeys.moc"
