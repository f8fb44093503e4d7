// SPDX-License-Identifier: MIT
#include "core/settings/ProfileFile.h"
#include "CoreTestSupport.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace korva5;

using TestSupport::readFile;
using TestSupport::writeFile;

namespace {

QByteArray gb18030(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

} // namespace

class TestProfileFile : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void valueIsCutOnACharacterBoundary_data();
    void valueIsCutOnACharacterBoundary();
    void write_data();
    void write();
    void unsafeWriteIsRefused_data();
    void unsafeWriteIsRefused();
    void writtenValueReadsBack();

    void createdFileIsOwnerOnly();
    void existingFileKeepsPermissions();
    void replacedFileKeepsOwnerAndGroup_data();
    void replacedFileKeepsOwnerAndGroup();
    void failedWriteLeavesFileWhole();
    void readOnlyFileOrFolderIsNotWritten_data();
    void readOnlyFileOrFolderIsNotWritten();
    void unusableFileReadsEmptyAndIsNotWritten_data();
    void unusableFileReadsEmptyAndIsNotWritten();
    void unreadableFileReadsEmpty();
    void hugeFileAndLongLine();
    void binaryGarbage();
    void severalKeysAreWrittenTogether();
};

void TestProfileFile::read_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("expected");

    const QString T = QStringLiteral("T");
    const QString A = QStringLiteral("A");
    QTest::newRow("plain") << QByteArray("[T]\nA=1\n") << T << A << true << "1";
    QTest::newRow("names ignore case") << QByteArray("[t]\na=1\n") << T << A << true << "1";
    QTest::newRow("blanks around names and =") << QByteArray("[ T ]\n\t A  =  1 \n") << T << A << true << "1 ";
    QTest::newRow("tab after =") << QByteArray("[T]\nA=\t1\n") << T << A << true << "1";
    QTest::newRow("tab inside the value kept") << QByteArray("[T]\nA=1\t2\n") << T << A << true << "1\t2";
    QTest::newRow("first duplicate wins") << QByteArray("[T]\nA=1\nA=2\n") << T << A << true << "1";
    QTest::newRow("sections of one name merge") << QByteArray("[T]\nB=1\n[U]\nA=2\n[T]\nA=3\n") << T << A << true << "3";
    QTest::newRow("absent key") << QByteArray("[T]\nB=1\n") << T << A << false << "";
    QTest::newRow("absent section") << QByteArray("[U]\nA=1\n") << T << A << false << "";
    QTest::newRow("key before any section") << QByteArray("A=1\n[T]\n") << T << A << false << "";
    QTest::newRow("empty section name") << QByteArray("[]\nA=1\n") << QString() << A << false << "";
    QTest::newRow("empty key name") << QByteArray("[T]\n=1\n") << T << QString() << false << "";
    QTest::newRow("comments") << QByteArray("[T]\n;A=1\n#A=2\nA=3\n") << T << A << true << "3";
    QTest::newRow("malformed lines skipped") << QByteArray("[T]\njunk\n[broken\nA=1\n") << T << A << true << "1";
    QTest::newRow("CRLF") << QByteArray("[T]\r\nA=1\r\n") << T << A << true << "1";
    QTest::newRow("no final line end") << QByteArray("[T]\nA=1") << T << A << true << "1";
    QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBF[T]\nA=1\n") << T << A << true << "1";
    QTest::newRow("empty value") << QByteArray("[T]\nA=\n") << T << A << true << "";
    QTest::newRow("= inside value") << QByteArray("[T]\nA=b=c\n") << T << A << true << "b=c";
    QTest::newRow("UTF-8 Chinese") << QStringLiteral("[China]\nTitle=记录上传系统\n").toUtf8()
                                   << "China" << "Title" << true << "记录上传系统";
    QTest::newRow("GB18030 Chinese") << gb18030(QStringLiteral("[China]\nTitle=记录上传系统\n"))
                                     << "China" << "Title" << true << "记录上传系统";
    // In GB18030 the second byte of 礭 is ']'; the header must still be read whole.
    QTest::newRow("GB18030 ] inside a character") << gb18030(QStringLiteral("[礭]\nA=礭\n"))
                                                   << "礭" << "A" << true << "礭";
}

void TestProfileFile::read()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(bool, found);
    QFETCH(QString, expected);

    const std::optional<QString> value = ProfileDocument::fromBytes(content).value(section, key);
    QCOMPARE(value.has_value(), found);
    QCOMPARE(value.value_or(QString()), expected);

    // The same through the file functions: absent reads as the empty text.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.ini"));
    writeFile(path, content);
    QCOMPARE(TestSupport::storedValue(path, section, key), expected);
}

void TestProfileFile::valueIsCutOnACharacterBoundary_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    QTest::newRow("single-byte") << QByteArray("[T]\nA=" + QByteArray(1500, 'x') + "\n") << QString(1022, u'x');
    const QString han = QStringLiteral("中").repeated(400); // 3 bytes each in UTF-8
    QTest::newRow("UTF-8") << QByteArray("[T]\nA=" + han.toUtf8() + "\n") << han.left(340);
    const QString gb = QStringLiteral("中").repeated(600); // 2 bytes each in GB18030
    QTest::newRow("GB18030") << gb18030(u"[T]\nA=" + gb + u"\n") << gb.left(511);
    const QString mixed = u'x' + QStringLiteral("中").repeated(600);
    QTest::newRow("GB18030 odd start") << gb18030(u"[T]\nA=" + mixed + u"\n") << mixed.left(511);
}

void TestProfileFile::valueIsCutOnACharacterBoundary()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QCOMPARE(ProfileDocument::fromBytes(content).value(QStringLiteral("T"), QStringLiteral("A")).value_or(QString()),
             expected);
}

void TestProfileFile::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    const QString T = QStringLiteral("T");
    QTest::newRow("replace, rest kept") << QByteArray("; note\n\n[T]\nA=1\nB=2\n") << T << "A" << "9"
                                        << QByteArray("; note\n\n[T]\nA=9\nB=2\n");
    QTest::newRow("tabs around the old value go") << QByteArray("[T]\nA=\t1\t\nB=2\n") << T << "A" << "3"
                                                 << QByteArray("[T]\nA=3\nB=2\n");
    QTest::newRow("blanks around the old value go") << QByteArray("[T]\n  A =  1 \r\nB=2\r\n") << T << "A" << "22"
                                                    << QByteArray("[T]\nA=22\r\nB=2\r\n");
    QTest::newRow("names ignore case, spelling kept") << QByteArray("[t]\na=1\n") << T << "A" << "2" << QByteArray("[t]\na=2\n");
    QTest::newRow("first duplicate changes") << QByteArray("[T]\nA=1\nA=2\n") << T << "A" << "3"
                                             << QByteArray("[T]\nA=3\nA=2\n");
    QTest::newRow("new key at section end, CRLF")
        << QByteArray("[T]\r\nA=1\r\n\r\n[U]\r\nX=1\r\n") << T << "B" << "2"
        << QByteArray("[T]\r\nA=1\r\nB=2\r\n\r\n[U]\r\nX=1\r\n");
    QTest::newRow("new key before next section's comment")
        << QByteArray("[T]\nA=1\n; about U\n[U]\n") << T << "B" << "2" << QByteArray("[T]\nA=1\nB=2\n; about U\n[U]\n");
    QTest::newRow("new key in empty section") << QByteArray("[T]\n[U]\n") << T << "A" << "1" << QByteArray("[T]\nA=1\n[U]\n");
    QTest::newRow("new key, no final line end") << QByteArray("[T]\nA=1") << T << "B" << "2" << QByteArray("[T]\nA=1\nB=2");
    QTest::newRow("new section") << QByteArray("[T]\nA=1\n") << "U" << "X" << "5" << QByteArray("[T]\nA=1\n[U]\nX=5\n");
    QTest::newRow("new section, no final line end") << QByteArray("[T]\nA=1") << "U" << "X" << "5"
                                                    << QByteArray("[T]\nA=1\n[U]\nX=5\n");
    QTest::newRow("new section, CRLF") << QByteArray("[T]\r\nA=1\r\n") << "U" << "X" << "5"
                                       << QByteArray("[T]\r\nA=1\r\n[U]\r\nX=5\r\n");
    QTest::newRow("empty file") << QByteArray() << T << "A" << "1" << QByteArray("[T]\nA=1\n");
    QTest::newRow("BOM kept") << QByteArray("\xEF\xBB\xBF[T]\nA=1\n") << T << "A" << "2"
                              << QByteArray("\xEF\xBB\xBF[T]\nA=2\n");
    QTest::newRow("empty value stored") << QByteArray("[T]\nA=1\n") << T << "A" << "" << QByteArray("[T]\nA=\n");
    QTest::newRow("GB18030 kept") << gb18030(QStringLiteral("[T]\nA=中\n")) << T << "B" << "文"
                                  << gb18030(QStringLiteral("[T]\nA=中\nB=文\n"));
    QTest::newRow("UTF-8 Chinese value") << QByteArray("[T]\nA=1\n") << T << "A" << "記錄"
                                         << QStringLiteral("[T]\nA=記錄\n").toUtf8();
}

void TestProfileFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.ini"));
    writeFile(path, before);
    QVERIFY(ProfileFile::writeValues(path, section, {{key, value}}) != 0);
    QCOMPARE(readFile(path), after);
    QCOMPARE(TestSupport::storedValue(path, section, key), value);
}

void TestProfileFile::unsafeWriteIsRefused_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("LF in value") << "TALLY" << "FtpNo" << "1\n[TALLY]";
    QTest::newRow("CR in value") << "TALLY" << "FtpNo" << "1\rX=2";
    QTest::newRow("NUL in value") << "TALLY" << "FtpNo" << QStringLiteral("1") + QChar(0);
    QTest::newRow("= in key") << "TALLY" << "Ftp=No" << "1";
    QTest::newRow("empty key") << "TALLY" << " " << "1";
    QTest::newRow("] in section") << "TA]LLY" << "FtpNo" << "1";
    QTest::newRow("LF in section") << "TA\nLLY" << "FtpNo" << "1";
}

void TestProfileFile::unsafeWriteIsRefused()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.ini"));
    const QByteArray before("[TALLY]\nFtpNo=12\n");
    writeFile(path, before);
    QCOMPARE(ProfileFile::writeValues(path, section, {{key, value}}), 0);
    QCOMPARE(readFile(path), before);
}

void TestProfileFile::writtenValueReadsBack()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new.ini"));
    QVERIFY(ProfileFile::writeValues(path, QStringLiteral("TALLY"), {{QStringLiteral("FtpPassword"), QStringLiteral(" p=a s;s ")}}));
    QVERIFY(ProfileFile::writeValues(path, QStringLiteral("TALLY"), {{QStringLiteral("FtpNo"), QStringLiteral("7")}}));
    QCOMPARE(TestSupport::storedValue(path, QStringLiteral("TALLY"), QStringLiteral("FtpPassword")), QStringLiteral("p=a s;s "));
    QCOMPARE(TestSupport::storedValue(path, QStringLiteral("tally"), QStringLiteral("ftpno")), QStringLiteral("7"));
}

void TestProfileFile::createdFileIsOwnerOnly()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TALLYPORT.ini"));
    QVERIFY(ProfileFile::writeValues(path, QStringLiteral("TALLY"), {{QStringLiteral("FtpPassword"), QStringLiteral("secret")}}));
    QCOMPARE(readFile(path), QByteArray("[TALLY]\nFtpPassword=secret\n"));
#ifdef Q_OS_UNIX
    QCOMPARE(QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
}

void TestProfileFile::existingFileKeepsPermissions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TALLYPORT.ini"));
    writeFile(path, "[TALLY]\nFtpNo=1\n");
    const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
        | QFileDevice::ReadOther;
    QVERIFY(QFile::setPermissions(path, permissions));
    QVERIFY(ProfileFile::writeValues(path, QStringLiteral("TALLY"), {{QStringLiteral("FtpNo"), QStringLiteral("2")}}));
    QCOMPARE(QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), permissions);
}

void TestProfileFile::replacedFileKeepsOwnerAndGroup_data()
{
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("the file itself") << false;
    QTest::newRow("the file behind a link") << true;
}

void TestProfileFile::replacedFileKeepsOwnerAndGroup()
{
#ifdef Q_OS_UNIX
    if (!runningAsRoot())
        QSKIP("giving a file to another user needs root");
    QFETCH(bool, throughLink);
    // The station user's file, written by an administrator.
    constexpr uid_t stationUser = 12345;
    constexpr gid_t stationGroup = 12346;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("TALLYPORT.ini"));
    writeFile(file, "[TALLY]\nFtpNo=1\n");
    const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(file, permissions));
    QCOMPARE(::chown(QFile::encodeName(file).constData(), stationUser, stationGroup), 0);
    QString path = file;
    if (throughLink) {
        path = dir.filePath(QStringLiteral("link.ini"));
        QVERIFY(QFile::link(file, path));
    }

    QVERIFY(ProfileFile::writeValues(path, QStringLiteral("TALLY"), {{QStringLiteral("FtpNo"), QStringLiteral("2")}}));
    QCOMPARE(readFile(file), QByteArray("[TALLY]\nFtpNo=2\n"));
    const QFileInfo written(file);
    QCOMPARE(written.ownerId(), uint(stationUser));
    QCOMPARE(written.groupId(), uint(stationGroup));
    QCOMPARE(QFile::permissions(file) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), permissions);
#else
    QSKIP("owners and groups are POSIX file attributes");
#endif
}

void TestProfileFile::failedWriteLeavesFileWhole()
{
#ifdef Q_OS_UNIX
    // A file-size limit makes the write of the new content fail part-way, as a full disk would.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TALLYPORT.ini"));
    const QByteArray before("[TALLY]\nFtpNo=1\n; a comment that must survive\n");
    writeFile(path, before);

    rlimit saved{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 512;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    const qint32 result =
        ProfileFile::writeValues(path, QStringLiteral("TALLY"), {{QStringLiteral("FtpPath"), QString(4096, u'x')}});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(result, 0);
    QCOMPARE(readFile(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("TALLYPORT.ini")});
#else
    QSKIP("needs a POSIX file-size limit");
#endif
}

void TestProfileFile::readOnlyFileOrFolderIsNotWritten_data()
{
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("read-only file") << false;
    QTest::newRow("read-only folder") << true;
}

void TestProfileFile::readOnlyFileOrFolderIsNotWritten()
{
    QFETCH(bool, readOnlyFolder);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TALLYPORT.ini"));
    const QByteArray before("[TALLY]\nFtpNo=1\n");
    writeFile(path, before);
    const QString target = readOnlyFolder ? dir.path() : path;
    const auto permissions = QFile::permissions(target);
    QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    const qint32 result = ProfileFile::writeValues(path, QStringLiteral("TALLY"), {{QStringLiteral("FtpNo"), QStringLiteral("2")}});
    QFile::setPermissions(target, permissions);
    QCOMPARE(result, 0);
    QCOMPARE(readFile(path), before);
    QCOMPARE(TestSupport::storedValue(path, QStringLiteral("TALLY"), QStringLiteral("FtpNo")), QStringLiteral("1"));
}

void TestProfileFile::unusableFileReadsEmptyAndIsNotWritten_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("directory") << "directory";
    QTest::newRow("dangling link") << "dangling link";
}

void TestProfileFile::unusableFileReadsEmptyAndIsNotWritten()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TALLYPORT.ini"));
    if (kind == u"directory")
        QVERIFY(QDir().mkpath(path));
    else
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone.ini")), path));

    QCOMPARE(TestSupport::storedValue(path, QStringLiteral("TALLY"), QStringLiteral("FtpNo")), QString());
    QCOMPARE(ProfileFile::writeValues(path, QStringLiteral("TALLY"), {{QStringLiteral("FtpNo"), QStringLiteral("1")}}), 0);
    QCOMPARE(QFileInfo(path).isDir(), kind == u"directory");
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("gone.ini"))));
}

void TestProfileFile::unreadableFileReadsEmpty()
{
    if (runningAsRoot())
        QSKIP("root reads a file without read permission; covered by the directory and link cases");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TALLYPORT.ini"));
    writeFile(path, "[TALLY]\nFtpNo=1\n");
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    QCOMPARE(TestSupport::storedValue(path, QStringLiteral("TALLY"), QStringLiteral("FtpNo")), QString());
    QCOMPARE(ProfileFile::writeValues(path, QStringLiteral("TALLY"), {{QStringLiteral("FtpNo"), QStringLiteral("2")}}), 0);
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(readFile(path), QByteArray("[TALLY]\nFtpNo=1\n"));
}

void TestProfileFile::hugeFileAndLongLine()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.ini"));
    QByteArray content;
    content.reserve(51 * 1024 * 1024);
    for (int section = 0; content.size() < 50 * 1024 * 1024; ++section)
        content += "[S" + QByteArray::number(section) + "]\nkey=value value value value value\n";
    content += "[T]\nLong=" + QByteArray(1024 * 1024, 'y') + "\nA=1\n";
    writeFile(path, content);

    QCOMPARE(TestSupport::storedValue(path, QStringLiteral("T"), QStringLiteral("A")), QStringLiteral("1"));
    QCOMPARE(TestSupport::storedValue(path, QStringLiteral("T"), QStringLiteral("Long")), QString(1022, u'y'));
    QVERIFY(ProfileFile::writeValues(path, QStringLiteral("T"), {{QStringLiteral("B"), QStringLiteral("2")}}));
    QCOMPARE(readFile(path), content + "B=2\n");
}

void TestProfileFile::binaryGarbage()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("garbage.ini"));
    QByteArray garbage;
    quint32 seed = 12345;
    for (int i = 0; i < 256 * 1024; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage += char(seed >> 24);
    }
    writeFile(path, garbage);
    QCOMPARE(TestSupport::storedValue(path, QStringLiteral("TALLY"), QStringLiteral("FtpNo")), QString());
    // A write keeps the garbage and adds a readable section after it.
    QVERIFY(ProfileFile::writeValues(path, QStringLiteral("TALLY"), {{QStringLiteral("FtpNo"), QStringLiteral("12")}}));
    QVERIFY(readFile(path).startsWith(garbage));
    QCOMPARE(TestSupport::storedValue(path, QStringLiteral("TALLY"), QStringLiteral("FtpNo")), QStringLiteral("12"));
}

void TestProfileFile::severalKeysAreWrittenTogether()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TALLYPORT.ini"));
    const QByteArray before("[TALLY]\nLanguage=China\nFtpNo=1\n");
    writeFile(path, before);
    // One refused value means none is written.
    QVERIFY(!ProfileFile::writeValues(path, QStringLiteral("TALLY"),
                                      {{QStringLiteral("FtpNo"), QStringLiteral("2")},
                                       {QStringLiteral("FtpPath"), QStringLiteral("bad\nvalue")}}));
    QCOMPARE(readFile(path), before);
    QVERIFY(ProfileFile::writeValues(path, QStringLiteral("TALLY"),
                                     {{QStringLiteral("FtpNo"), QStringLiteral("2")},
                                      {QStringLiteral("FtpPath"), QStringLiteral("/up/")}}));
    QCOMPARE(readFile(path), QByteArray("[TALLY]\nLanguage=China\nFtpNo=2\nFtpPath=/up/\n"));
}

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
