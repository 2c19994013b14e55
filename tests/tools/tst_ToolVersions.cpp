// Each command-line companion tells the version of the project it was built from.

#include <QProcess>
#include <QTest>

class TestToolVersions : public QObject {
    Q_OBJECT
private slots:
    void versionOption_data();
    void versionOption();
};

void TestToolVersions::versionOption_data() {
    QTest::addColumn<QString>("tool");
    QTest::newRow("kvq-convert") << "kvq-convert";
    QTest::newRow("kvq-sim") << "kvq-sim";
}

void TestToolVersions::versionOption() {
    QFETCH(QString, tool);
    QProcess process;
    process.start(QStringLiteral(KVQ_BIN_DIR "/") + tool, {"--version"});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()),
             tool + " " KVQ_PROJECT_VERSION "\n");
    QVERIFY(process.readAllStandardError().isEmpty());
    // The help tells of the option.
    process.start(QStringLiteral(KVQ_BIN_DIR "/") + tool, {"--help"});
    QVERIFY(process.waitForFinished(30000));
    QVERIFY(process.readAllStandardOutput().contains(tool.toUtf8() + " --version"));
}

QTEST_GUILESS_MAIN(TestToolVersions)
#include "tst_ToolVersions.moc"
