#include <QTest>

#include "PathRules.h"
#include "Texts.h"

namespace {

QString Utf16(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

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

// The Windows rows are names as the ANSI code page GBK spells them; the program holds them as
// UTF-8, made from the UTF-16 names Windows gives it, and must read them as it read GBK.
void PathRulesTest::siblingWindows_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("help");
    QTest::newRow("program in a folder of a folder") << "D:\\Survey\\Bin\\prog.exe"
                                                     << "D:\\Survey\\Data\\"
                                                     << "D:\\Survey\\Help\\";
    QTest::newRow("tools folder") << "C:\\Tools\\Bin\\prog.exe"
                                  << "C:\\Tools\\Data\\"
                                  << "C:\\Tools\\Help\\";
    QTest::newRow("drive root keeps its backslash") << "C:\\prog.exe"
                                                    << "C:\\Data\\"
                                                    << "C:\\Help\\";
    QTest::newRow("no separator at all") << "prog.exe"
                                         << "\\Data\\"
                                         << "\\Help\\";
    QTest::newRow("drive without backslash") << "C:prog.exe"
                                             << "\\Data\\"
                                             << "\\Help\\";
    QTest::newRow("UNC-style double backslash") << "\\\\srv\\prog.exe"
                                                << "\\\\Data\\"
                                                << "\\\\Help\\";
    // 0x81 0x5C is one GBK character whose second byte has the value of a backslash.
    QTest::newRow("second byte 0x5C is no separator")
        << FromGbk("D:\\A\x81\\B\\prog.exe") << "D:\\Data\\"
        << "D:\\Help\\";
    QTest::newRow("folder ending in a double-byte character with 0x5C")
        << FromGbk("D:\\Top\\\x81\\\\prog.exe") << "D:\\Top\\Data\\"
        << "D:\\Top\\Help\\";
    QTest::newRow("folders named in Chinese")
        << QString("D:\\测线\\线\\bin\\kvq-transfer.exe") << QString("D:\\测线\\线\\Data\\")
        << QString("D:\\测线\\线\\Help\\");
}

void PathRulesTest::siblingWindows() {
    QFETCH(QString, program);
    QFETCH(QString, data);
    QFETCH(QString, help);
    QCOMPARE(Utf16(kvq::DataFolderWindows(program.toStdString())), data);
    QCOMPARE(Utf16(kvq::HelpFolderWindows(program.toStdString())), help);
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
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("forced");
    QTest::newRow("no extension") << "line3"
                                  << "line3.kvq";
    QTest::newRow("other extension") << "line3.txt"
                                     << "line3.kvq";
    QTest::newRow("only the last dot") << "a.b.c"
                                       << "a.b.kvq";
    QTest::newRow("dot in a folder name") << "D:\\run.2\\line3"
                                          << "D:\\run.2\\line3.kvq";
    QTest::newRow("already .kvq") << "s.kvq"
                                  << "s.kvq";
    QTest::newRow("drive and dotless name") << "C:x"
                                            << "C:x.kvq";
    QTest::newRow("trailing dot") << "survey."
                                  << "survey.kvq";
    QTest::newRow("0x5C second byte does not end the name")
        << FromGbk("D:\\a.b\x81\\c") << "D:\\a.kvq";
    QTest::newRow("Chinese names in a Chinese folder")
        << QString("D:\\测线.2\\线.txt") << QString("D:\\测线.2\\线.kvq");
    QTest::newRow("Chinese name without extension")
        << QString("测线数据") << QString("测线数据.kvq");
}

void PathRulesTest::extensionWindows() {
    QFETCH(QString, chosen);
    QFETCH(QString, forced);
    QCOMPARE(Utf16(kvq::ForceKvqExtensionWindows(chosen.toStdString())), forced);
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
