// SPDX-License-Identifier: MIT
// libcurl linked into the program: the executable names it among the libraries it needs, a
// libcurl too old for the transfer's options is refused with a reason and kind of its own, and an
// option given a value of the wrong type does not compile.
#include "core/transfer/CurlLibrary.h"

#include <QProcess>
#include <QTest>

using namespace korva5;

Q_DECLARE_METATYPE(FailureKind)

// The mistakes the check is there for: an int where libcurl reads a long, a number where it
// reads a pointer, a data pointer where it calls a function.
static_assert(curlOptionTakes<CURLOPT_UPLOAD, long>());
static_assert(!curlOptionTakes<CURLOPT_UPLOAD, int>());
static_assert(!curlOptionTakes<CURLOPT_UPLOAD, bool>());
static_assert(curlOptionTakes<CURLOPT_URL, const char *>());
static_assert(curlOptionTakes<CURLOPT_FTPPORT, std::nullptr_t>());
static_assert(!curlOptionTakes<CURLOPT_URL, long>());
static_assert(curlOptionTakes<CURLOPT_READFUNCTION, size_t (*)(char *, size_t, size_t, void *)>());
static_assert(!curlOptionTakes<CURLOPT_READFUNCTION, void *>());
static_assert(!curlOptionTakes<CURLOPT_READDATA, size_t (*)(char *, size_t, size_t, void *)>());
static_assert(curlOptionTakes<CURLOPT_INFILESIZE_LARGE, curl_off_t>());
static_assert(!curlOptionTakes<CURLOPT_INFILESIZE_LARGE, int>());

class TestCurlLibrary : public QObject
{
    Q_OBJECT

private slots:
    void versionCheck_data();
    void versionCheck();
    void theLinkedLibraryIsUsable();
    void theProgramNeedsLibcurl();
};

void TestCurlLibrary::versionCheck_data()
{
    QTest::addColumn<uint>("version");
    QTest::addColumn<FailureKind>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("without the prerequest callback") << 0x074f00u << FailureKind::CurlTooOld
                                                     << "libcurl 7.79.0 is too old: uploads need 7.80.0 or newer";
    QTest::newRow("much older") << 0x073a01u << FailureKind::CurlTooOld << "libcurl 7.58.1 is too old: uploads need 7.80.0 or newer";
    QTest::newRow("the oldest that will do") << 0x075000u << FailureKind::None << "";
    QTest::newRow("Debian 12's") << 0x075800u << FailureKind::None << "";
    QTest::newRow("8.x") << 0x080b01u << FailureKind::None << "";
}

void TestCurlLibrary::versionCheck()
{
    QFETCH(uint, version);
    QFETCH(FailureKind, kind);
    QFETCH(QString, reason);
    const CurlProblem problem = curlVersionProblem(version);
    QCOMPARE(problem.kind, kind);
    QCOMPARE(problem.why, reason);
    QCOMPARE(problem.ok(), reason.isEmpty());
}

void TestCurlLibrary::theLinkedLibraryIsUsable()
{
    const CurlProblem problem = curlProblem();
    QVERIFY2(problem.ok(), qPrintable(problem.why));
    QCOMPARE(curlOptionName(CURLOPT_UPLOAD), QStringLiteral("UPLOAD"));
}

void TestCurlLibrary::theProgramNeedsLibcurl()
{
#ifdef Q_OS_LINUX
    const QString app = qEnvironmentVariable("KORVA5_APP");
    QVERIFY2(!app.isEmpty(), "KORVA5_APP names the built program");
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"), {QStringLiteral("-d"), app});
    if (!readelf.waitForStarted())
        QSKIP("readelf is not installed (binutils)");
    QVERIFY(readelf.waitForFinished(30000));
    QCOMPARE(readelf.exitCode(), 0);
    QStringList needed;
    for (const QByteArray &line : readelf.readAllStandardOutput().split('\n')) {
        if (line.contains("(NEEDED)"))
            needed << QString::fromUtf8(line.mid(line.indexOf('[') + 1).chopped(1));
    }
    QVERIFY2(std::any_of(needed.cbegin(), needed.cend(), [](const QString &name) { return name.startsWith(u"libcurl"); }),
             qPrintable(needed.join(u' ')));
#else
    QSKIP("reads an ELF executable's dynamic section");
#endif
}

QTEST_GUILESS_MAIN(TestCurlLibrary)
#include "tst_curllibrary.moc"
