// SPDX-License-Identifier: MIT
// libcurl taken at run time: what loading says when it cannot be had, that the program does not
// carry it until the first transfer, and that an option given a value of the wrong type does not
// compile.
#include "core/upload/CurlLibrary.h"
#include "core/upload/InetFtp.h"
#include "CoreTestSupport.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;

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

namespace {

// Whether a library whose file name contains name is mapped into this process.
bool mapped(const char *name)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    return maps.readAll().contains(name);
}

} // namespace

class TestCurlLibrary : public QObject
{
    Q_OBJECT

private slots:
    // First: every later test loads libcurl into this process.
    void loadedOnlyByTheFirstTransfer();
    void loading_data();
    void loading();
};

void TestCurlLibrary::loading_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("failure");
    QTest::newRow("libcurl") << QStringLiteral("curl") << 4 << QString();
    QTest::newRow("no such library") << QStringLiteral("korva5-no-such-library") << 1
                                     << QStringLiteral("libcurl could not be loaded: ");
    // A library that is there but is not libcurl: each missing entry point is named.
    QTest::newRow("another library") << QStringLiteral("sqlite3") << 0
                                     << QStringLiteral("lacks curl_global_init, curl_version_info, curl_easy_init");
}

void TestCurlLibrary::loading()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, name);
    QFETCH(int, version);
    QFETCH(QString, failure);
    QString why;
    const std::optional<CurlApi> api = CurlApi::load(name, version, &why);
    QCOMPARE(api.has_value(), failure.isEmpty());
    QVERIFY2(why.contains(failure), qPrintable(why));
    if (api)
        QVERIFY(api->versionInfo(CURLVERSION_NOW)->version_num >= 0x075000);
#else
    QSKIP("library names of POSIX systems");
#endif
}

void TestCurlLibrary::loadedOnlyByTheFirstTransfer()
{
#ifdef Q_OS_LINUX
    // This test is its own process and links only the core: nothing has loaded libcurl yet.
    QVERIFY(!mapped("libcurl"));
    FtpServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("20240301.txt"));
    writeFile(local, "records\n");

    InetFtp ftp;
    ftp.setServerAddress(server.address());
    ftp.setUserName(FtpServer::User);
    ftp.setPassword(FtpServer::Password);
    QVERIFY2(!mapped("libcurl"), "a control that has sent nothing holds libcurl");

    // A transfer refused before it could connect does not need it either.
    QSignalSpy finished(&ftp, &InetFtp::transferFinished);
    ftp.Execute(dir.filePath(QStringLiteral("missing.txt")), QStringLiteral("/20240301.12"));
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.takeFirst().at(2).toBool(), false);
    QVERIFY2(!mapped("libcurl"), "a refused transfer loaded libcurl");

    ftp.Execute(local, QStringLiteral("/20240301.12"));
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.takeFirst().at(2).toBool(), true);
    QVERIFY(mapped("libcurl"));
    QCOMPARE(server.stored(QStringLiteral("20240301.12")), QByteArray("records\n"));
#else
    QSKIP("reads the process's mappings from /proc");
#endif
}

QTEST_GUILESS_MAIN(TestCurlLibrary)
#include "tst_curllibrary.moc"
