// The save flow without a window: the test types the names into the dialog and answers the
// questions; the writer writes real files in a temporary folder.

#include <QDir>
#include <QDirIterator>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <optional>
#include <string>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <cerrno>
#include <csignal>

#include "PermissionBitsBind.h"
#endif

#include "Files.h"
#include "PaneLineStore.h"
#include "SaveFlow.h"
#include "SystemErrorText.h"
#include "SystemStrings.h"

using kvq::BoxMessage;

Q_DECLARE_METATYPE(std::vector<std::string>)

namespace {

// Type 5 writes a line of four fields as it is.
const std::string kLine = "1 12.5 3.20 10:30";
const QByteArray kRecord("1 12.5 3.20 10:30\r\n");
// Longer than the record: a replaced file must keep none of its bytes.
const QByteArray kOld(1000, 'x');

#ifdef _WIN32
constexpr unsigned long kNoFolder = ERROR_PATH_NOT_FOUND;
constexpr unsigned long kNoReplacementBeside = ERROR_SHARING_VIOLATION;
#else
constexpr unsigned long kNoFolder = ENOENT;
constexpr unsigned long kNoReplacementBeside = EACCES;
#endif

// The system's text for an error code of this platform, as the program shows it.
QString Reason(unsigned long code) {
    return kvq::FromSystem(kvq::SystemErrorText(code));
}

QString Replace(const char* name) {
    return QStringLiteral("%1 已存在，要替换它吗？").arg(QLatin1String(name));
}

QString InPlace(const char* name) {
    return QStringLiteral(
               "%1 不能先写成临时文件再替换：%2\n要直接改写 %1 吗？"
               "保存中途失败时，它原有的内容会丢失。")
        .arg(QLatin1String(name), Reason(kNoReplacementBeside));
}

// The user's part: the names typed into the dialog in turn (then Cancel), the questions
// answered in turn (then No).
struct User {
    QStringList typed;
    QString answers;  // 'Y' and 'N'
    std::vector<kvq::SaveDialogRequest> requests;
    QStringList asked;

    kvq::SaveFlowSeams Seams() {
        return {[this](const kvq::SaveDialogRequest& request) -> std::optional<QString> {
                    requests.push_back(request);
                    if (typed.isEmpty()) {
                        return std::nullopt;
                    }
                    return typed.takeFirst();
                },
                [this](const BoxMessage& question) {
                    asked << question.text;
                    const bool yes = answers.startsWith(QLatin1Char('Y'));
                    answers.remove(0, 1);
                    return yes;
                }};
    }
};

// The existing file cannot be replaced through a temporary file beside it: on Linux its
// folder refuses the ordinary user a new file; on Windows another program holds it open
// without sharing its deletion (and shares reading and writing, so it can be written over).
class NoReplacementBeside {
public:
    NoReplacementBeside(const QString& folder, const QString& file) {
#ifdef _WIN32
        Q_UNUSED(folder);
        held_ = CreateFileW(reinterpret_cast<const wchar_t*>(file.utf16()), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        holds_ = held_ != INVALID_HANDLE_VALUE;
#else
        Q_UNUSED(file);
        folder_ = QFile::encodeName(folder);
        holds_ = ::chmod(folder_.constData(), 0555) == 0;
        bind_.emplace();
        holds_ = holds_ && bind_->Binds();
#endif
    }
    ~NoReplacementBeside() {
#ifdef _WIN32
        CloseHandle(held_);
#else
        bind_.reset();
        ::chmod(folder_.constData(), 0700);
#endif
    }
    NoReplacementBeside(const NoReplacementBeside&) = delete;
    NoReplacementBeside& operator=(const NoReplacementBeside&) = delete;
    bool Holds() const {
        return holds_;
    }

private:
#ifdef _WIN32
    HANDLE held_ = INVALID_HANDLE_VALUE;
#else
    QByteArray folder_;
    std::optional<PermissionBitsBind> bind_;
#endif
    bool holds_ = false;
};

// Every file under the folder, hidden ones too, by its path from there.
QStringList FilesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << QDir(folder).relativeFilePath(it.next());
    }
    files.sort();
    return files;
}

QMessageBox::Icon IconOf(const QString& message) {
    if (message.startsWith(QStringLiteral("数据文件"))) {
        return QMessageBox::Critical;
    }
    return message.startsWith(QStringLiteral("最后")) ? QMessageBox::Information
                                                      : QMessageBox::Warning;
}

}  // namespace

class SaveFlowTest : public QObject {
    Q_OBJECT
private slots:
    void nameAndQuestions_data();
    void nameAndQuestions();
    void reportToMessage_data();
    void reportToMessage();
};

void SaveFlowTest::nameAndQuestions_data() {
    QTest::addColumn<QStringList>("existing");  // files there before, holding kOld
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<bool>("noReplacementBeside");
    QTest::addColumn<bool>("paneEmpty");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QString>("written");       // the file that holds the record, if any
    QTest::addColumn<QStringList>("proposed");  // each dialog's proposed name
    QTest::addColumn<QString>("message");
    const QStringList none;
    const QStringList fresh{""};
    QTest::newRow("survey: .kvq added") << none << QStringList{"survey"} << "" << false << false
                                        << none << "survey.kvq" << fresh << "";
    QTest::newRow("survey.txt: its extension replaced, survey.txt left alone")
        << QStringList{"survey.txt"} << QStringList{"survey.txt"} << "" << false << false << none
        << "survey.kvq" << fresh << "";
    QTest::newRow("a.b.c: only the last extension")
        << none << QStringList{"a.b.c"} << "" << false << false << none << "a.b.kvq" << fresh << "";
    QTest::newRow("run.2/line3: a dot in the folder's name")
        << none << QStringList{"run.2/line3"} << "" << false << false << none << "run.2/line3.kvq"
        << fresh << "";
    QTest::newRow("line.kvq: already .kvq") << none << QStringList{"line.kvq"} << "" << false
                                            << false << none << "line.kvq" << fresh << "";
    QTest::newRow("cancelled: nothing written")
        << QStringList{"L10.kvq"} << none << "" << false << false << none << "" << fresh << "";
    QTest::newRow("L10.9 over L10.kvq, Yes: replaced, none of its bytes left")
        << QStringList{"L10.kvq"} << QStringList{"L10.9"} << "Y" << false << false
        << QStringList{Replace("L10.kvq")} << "L10.kvq" << fresh << "";
    QTest::newRow("L10.9 over L10.kvq, No: the dialog again with L10.9")
        << QStringList{"L10.kvq"} << QStringList{"L10.9", "L11"} << "N" << false << false
        << QStringList{Replace("L10.kvq")} << "L11.kvq" << QStringList{"", "L10.9"} << "";
    QTest::newRow("no replacement beside L10.kvq, Yes to writing over it: written in place")
        << QStringList{"L10.kvq"} << QStringList{"L10"} << "YY" << true << false
        << QStringList{Replace("L10.kvq"), InPlace("L10.kvq")} << "L10.kvq" << fresh << "";
    QTest::newRow("no replacement beside L10.kvq, No to writing over it: the dialog again")
        << QStringList{"L10.kvq"} << QStringList{"L10"} << "YN" << true << false
        << QStringList{Replace("L10.kvq"), InPlace("L10.kvq")} << "" << QStringList{"", "L10"}
        << "";
    QTest::newRow("the pane empty: nothing to save, no dialog, L10.kvq kept")
        << QStringList{"L10.kvq"} << QStringList{"L10"} << "Y" << false << true << none << ""
        << none << "没有可保存的数据";
}

// The dialog comes until a name is taken or the user cancels; an existing file is replaced
// or written over only when the user agrees; the file holds the record and nothing else
// changes, no temporary file left; the next save proposes the name written.
void SaveFlowTest::nameAndQuestions() {
    QFETCH(QStringList, existing);
    QFETCH(QStringList, typed);
    QFETCH(QString, answers);
    QFETCH(bool, noReplacementBeside);
    QFETCH(bool, paneEmpty);
    QFETCH(QStringList, asked);
    QFETCH(QString, written);
    QFETCH(QStringList, proposed);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QDir folder(dir.path());
    QVERIFY(folder.mkdir("run.2"));
    for (const QString& name : existing) {
        QVERIFY(WriteFile(folder.filePath(name), kOld));
    }
    User user;
    for (const QString& name : typed) {
        user.typed << folder.filePath(name);
    }
    user.answers = answers;
    kvq::SaveFlow flow(user.Seams(), folder.path());
    kvq::SaveOutcome outcome;
    {
        std::optional<NoReplacementBeside> refusal;
        if (noReplacementBeside) {
            refusal.emplace(folder.path(), folder.filePath(existing.front()));
            QVERIFY(refusal->Holds());
        }
        outcome = flow.Run(kvq::PaneLineStore(paneEmpty ? std::vector<std::string>{}
                                                        : std::vector<std::string>{kLine}),
                           5);
    }

    QCOMPARE(user.asked, asked);
    QStringList seen;
    for (const kvq::SaveDialogRequest& request : user.requests) {
        seen << (request.proposedName.isEmpty() ? QString()
                                                : folder.relativeFilePath(request.proposedName));
    }
    QCOMPARE(seen, proposed);
    QStringList files = existing;
    if (!written.isEmpty() && !files.contains(written)) {
        files << written;
    }
    files.sort();
    QCOMPARE(FilesUnder(folder.path()), files);
    for (const QString& name : existing) {
        QCOMPARE(FileBytes(folder.filePath(name)), name == written ? kRecord : kOld);
    }
    if (!written.isEmpty()) {
        QCOMPARE(FileBytes(folder.filePath(written)), kRecord);
    }
    QCOMPARE(flow.ProposedName(),
             written.isEmpty() ? QString() : QDir::toNativeSeparators(folder.filePath(written)));
    QCOMPARE(outcome.message ? outcome.message->text : QString(), message);
    QCOMPARE(outcome.report.has_value(), !written.isEmpty());
}

void SaveFlowTest::reportToMessage_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<std::vector<std::string>>("lines");
    QTest::addColumn<QString>("chosen");  // typed into the dialog; line.kvq is there before
    QTest::addColumn<int>("limit");       // bytes a file may hold, 0: no limit (Linux)
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");  // empty: none
    const QString empty =
        QStringLiteral("没有符合所选仪器类型的数据行，保存的文件是空的。请检查仪器类型是否正确。");
    const std::vector<std::string> ten{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
    const QByteArray record(
        "1 2 3 4 5 9999 9999 9999 9999 9999 9999 9999 9999 9999 9999 "
        "6 7 8 9 10\r\n");
    auto withMore = [&ten](std::vector<std::string> more) {
        std::vector<std::string> lines = ten;
        lines.insert(lines.end(), more.begin(), more.end());
        return lines;
    };
    QTest::newRow("no line of the type")
        << 3 << std::vector<std::string>{"1 2 3 4", "5"} << "line" << 0 << QByteArray() << empty;
    QTest::newRow("an empty line is a line")
        << 0 << std::vector<std::string>{""} << "line" << 0 << QByteArray() << empty;
    QTest::newRow("type 2, no line is a reading")
        << 2 << std::vector<std::string>{"POINT 1", "1 2", "abc"} << "line" << 0 << QByteArray()
        << empty;
    QTest::newRow("two readings, no record")
        << 2 << std::vector<std::string>{"1", "x y", "2"} << "line" << 0 << QByteArray()
        << QStringLiteral("最后 2 个读数不足一组（十个），没有写入文件。");
    QTest::newRow("nine readings after a record")
        << 2 << withMore({"a", "1", "2", "3", "4", "5", "6", "7", "8", "9", "b"}) << "line" << 0
        << record << QStringLiteral("最后 9 个读数不足一组（十个），没有写入文件。");
    QTest::newRow("ten readings leave none")
        << 2 << withMore({"not a reading"}) << "line" << 0 << record << QString();
    QTest::newRow("a record was written")
        << 3 << std::vector<std::string>{"1 2 3 4 5 6 7 8", "9"} << "line" << 0
        << QByteArray(
               "1 2 9999 3 9999 4 5 6 7 9999 9999 9999 9999 9999 9999 5 8 9999 9999 "
               "9999\r\n")
        << QString();
    QTest::newRow("the folder does not exist")
        << 5 << std::vector<std::string>{kLine} << "missing/line" << 0 << QByteArray("<missing>")
        << QStringLiteral("数据文件%1保存失败：") + Reason(kNoFolder);
#ifndef _WIN32
    // A file size limit (a real limit of the kernel) stops the writes: the whole records
    // before it stay and nothing of the record it cut.
    std::vector<std::string> eight;
    QByteArray whole[9];
    for (int i = 1; i <= 8; ++i) {
        eight.push_back(
            QStringLiteral("%1 11111 22222 333").arg(i, 2, 10, QLatin1Char('0')).toStdString());
        whole[i] = whole[i - 1] + QByteArray::fromStdString(eight.back()) + "\r\n";
    }
    auto kept = [](int records) {
        return QStringLiteral("数据文件%1保存失败：") + Reason(EFBIG) +
               QStringLiteral("\n文件中保留了 ") + QString::number(records) +
               QStringLiteral(" 条完整的记录。");
    };
    QTest::newRow("limit at the end of the fifth record")
        << 5 << eight << "limited" << 100 << whole[5] << kept(5);
    QTest::newRow("limit inside the seventh record")
        << 5 << eight << "limited" << 130 << whole[6] << kept(6);
    QTest::newRow("limit between CR and LF")
        << 5 << eight << "limited" << 79 << whole[3] << kept(3);
    QTest::newRow("limit inside the first record")
        << 5 << eight << "limited" << 10 << whole[0] << kept(0);
#endif
}

// The file is written as it is; the user is told when a save failed and what the file holds,
// when it is empty (most likely the wrong type), or when readings of type 2 did not fill a
// record.
void SaveFlowTest::reportToMessage() {
    QFETCH(int, type);
    QFETCH(std::vector<std::string>, lines);
    QFETCH(QString, chosen);
    QFETCH(int, limit);
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QDir folder(dir.path());
    QVERIFY(WriteFile(folder.filePath("line.kvq"), "old contents\r\n"));
    const QString written = folder.filePath(chosen + ".kvq");
    User user;
    user.typed << folder.filePath(chosen);
    user.answers = "Y";
    kvq::SaveFlow flow(user.Seams(), folder.path());
    kvq::SaveOutcome outcome;
#ifndef _WIN32
    rlimit old{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &old) == 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (limit > 0) {
        rlimit limited = old;
        limited.rlim_cur = static_cast<rlim_t>(limit);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
    }
    outcome = flow.Run(kvq::PaneLineStore(lines), type);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
#else
    Q_UNUSED(limit);
    outcome = flow.Run(kvq::PaneLineStore(lines), type);
#endif

    QCOMPARE(FileBytes(written), file);
    QCOMPARE(outcome.message.has_value(), !message.isEmpty());
    if (outcome.message) {
        const QString text = message.contains(QLatin1String("%1"))
                                 ? message.arg(QDir::toNativeSeparators(written))
                                 : message;
        QCOMPARE(*outcome.message, (BoxMessage{QStringLiteral("保存数据"), text, IconOf(text)}));
    }
}

QTEST_MAIN(SaveFlowTest)
#include "SaveFlowTest.moc"
