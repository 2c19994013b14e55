#include <QTest>

#include "PathRules.h"

namespace {

QByteArray Q(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::string_view V(const QByteArray& b) {
    return std::string_view(b.constData(), static_cast<std::size_t>(b.size()));
}

}  // namespace

class PathRulesTest : public QObject {
    Q_OBJECT
private slots:
    void siblingWindows_data();
    void siblingWindows();
    void siblingPosix_data();
    void siblingPosix();
    void extensionWindows_data();
    void extensionWindows();
    void extensionPosix_data();
    void extensionPosix();
};

void PathRulesTest::siblingWindows_data() {
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("help");
    QTest::newRow("program in a folder of a folder")
        << QByteArray("D:\\Survey\\Bin\\prog.exe") << QByteArray("D:\\Survey\\Data\\")
        << QByteArray("D:\\Survey\\Help\\");
    QTest::newRow("tools folder") << QByteArray("C:\\Tools\\Bin\\prog.exe")
                                  << QByteArray("C:\\Tools\\Data\\")
                                  << QByteArray("C:\\Tools\\Help\\");
    QTest::newRow("drive root keeps its backslash")
        << QByteArray("C:\\prog.exe") << QByteArray("C:\\Data\\") << QByteArray("C:\\Help\\");
    QTest::newRow("no separator at all")
        << QByteArray("prog.exe") << QByteArray("\\Data\\") << QByteArray("\\Help\\");
    QTest::newRow("drive without backslash")
        << QByteArray("C:prog.exe") << QByteArray("\\Data\\") << QByteArray("\\Help\\");
    QTest::newRow("UNC-style double backslash")
        << QByteArray("\\\\srv\\prog.exe") << QByteArray("\\\\Data\\") << QByteArray("\\\\Help\\");
    // 0x81 0x5C is one GBK character whose second byte has the value of a backslash.
    QTest::newRow("second byte 0x5C is no separator")
        << QByteArray("D:\\A\x81\\B\\prog.exe") << QByteArray("D:\\Data\\")
        << QByteArray("D:\\Help\\");
    QTest::newRow("folder ending in a double-byte character with 0x5C")
        << QByteArray("D:\\Top\\\x81\\\\prog.exe") << QByteArray("D:\\Top\\Data\\")
        << QByteArray("D:\\Top\\Help\\");
}

void PathRulesTest::siblingWindows() {
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, help);
    QCOMPARE(Q(kvq::DataFolderWindows(V(program))), data);
    QCOMPARE(Q(kvq::HelpFolderWindows(V(program))), help);
}

void PathRulesTest::siblingPosix_data() {
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("help");
    QTest::newRow("installed program")
        << QByteArray("/opt/kvq/bin/kvq-transfer") << QByteArray("/opt/kvq/Data/")
        << QByteArray("/opt/kvq/Help/");
    QTest::newRow("program one below the root")
        << QByteArray("/bin/kvq-transfer") << QByteArray("/Data/") << QByteArray("/Help/");
    QTest::newRow("program in the root")
        << QByteArray("/kvq-transfer") << QByteArray("/Data/") << QByteArray("/Help/");
    QTest::newRow("GBK folder names stay whole")
        << QByteArray("/home/\xB2\xE2/bin/kvq") << QByteArray("/home/\xB2\xE2/Data/")
        << QByteArray("/home/\xB2\xE2/Help/");
    QTest::newRow("backslash is an ordinary byte")
        << QByteArray("/a\\b/bin/kvq") << QByteArray("/a\\b/Data/") << QByteArray("/a\\b/Help/");
}

void PathRulesTest::siblingPosix() {
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, help);
    QCOMPARE(Q(kvq::DataFolderPosix(V(program))), data);
    QCOMPARE(Q(kvq::HelpFolderPosix(V(program))), help);
}

void PathRulesTest::extensionWindows_data() {
    QTest::addColumn<QByteArray>("chosen");
    QTest::addColumn<QByteArray>("forced");
    QTest::newRow("no extension") << QByteArray("line3") << QByteArray("line3.kvq");
    QTest::newRow("other extension") << QByteArray("line3.txt") << QByteArray("line3.kvq");
    QTest::newRow("only the last dot") << QByteArray("a.b.c") << QByteArray("a.b.kvq");
    QTest::newRow("dot in a folder name")
        << QByteArray("D:\\run.2\\line3") << QByteArray("D:\\run.2\\line3.kvq");
    QTest::newRow("already .kvq") << QByteArray("s.kvq") << QByteArray("s.kvq");
    QTest::newRow("drive and dotless name") << QByteArray("C:x") << QByteArray("C:x.kvq");
    QTest::newRow("trailing dot") << QByteArray("survey.") << QByteArray("survey.kvq");
    QTest::newRow("0x5C second byte does not end the name")
        << QByteArray("D:\\a.b\x81\\c") << QByteArray("D:\\a.kvq");
}

void PathRulesTest::extensionWindows() {
    QFETCH(QByteArray, chosen);
    QFETCH(QByteArray, forced);
    QCOMPARE(Q(kvq::ForceKvqExtensionWindows(V(chosen))), forced);
}

void PathRulesTest::extensionPosix_data() {
    QTest::addColumn<QByteArray>("chosen");
    QTest::addColumn<QByteArray>("forced");
    QTest::newRow("survey.txt") << QByteArray("/d/survey.txt") << QByteArray("/d/survey.kvq");
    QTest::newRow("survey") << QByteArray("/d/survey") << QByteArray("/d/survey.kvq");
    QTest::newRow("dot in a folder name")
        << QByteArray("/run.2/line3") << QByteArray("/run.2/line3.kvq");
    QTest::newRow("only the last dot") << QByteArray("a.b.c") << QByteArray("a.b.kvq");
    QTest::newRow("already .kvq") << QByteArray("/d/s.kvq") << QByteArray("/d/s.kvq");
}

void PathRulesTest::extensionPosix() {
    QFETCH(QByteArray, chosen);
    QFETCH(QByteArray, forced);
    QCOMPARE(Q(kvq::ForceKvqExtensionPosix(V(chosen))), forced);
}

QTEST_APPLESS_MAIN(PathRulesTest)
#include "PathRulesTest.moc"
