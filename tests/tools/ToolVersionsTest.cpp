// Each command-line companion tells the version of the project it was built from.

#include <QTest>

#include "Programs.h"

class ToolVersionsTest : public QObject {
    Q_OBJECT
private slots:
    void versionOption_data();
    void versionOption();
};

void ToolVersionsTest::versionOption_data() {
    QTest::addColumn<QString>("tool");
    QTest::newRow("kvq-convert") << "kvq-convert";
    QTest::newRow("kvq-sim") << "kvq-sim";
}

void ToolVersionsTest::versionOption() {
    QFETCH(QString, tool);
    const QString program = ProgramPath(qPrintable(tool));
    const ProgramRun version = RunProgram(program, {"--version"});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(QString::fromUtf8(version.out), tool + " " KVQ_PROJECT_VERSION "\n");
    QVERIFY(version.err.isEmpty());
    // The help tells of the option.
    QVERIFY(RunProgram(program, {"--help"}).out.contains(tool.toUtf8() + " --version"));
}

QTEST_GUILESS_MAIN(ToolVersionsTest)
#include "ToolVersionsTest.moc"
