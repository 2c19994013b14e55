// Saves that the file system refuses, and saves while the line keeps sending, through the real
// main window with a real pseudo-terminal and real files.

#include <fcntl.h>
#include <linux/fs.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "EventLoop.h"
#include "Files.h"
#include "Memo.h"
#include "PermissionBitsBind.h"
#include "Texts.h"
#include "WindowOnLine.h"
#include "WindowUnderTest.h"

using kvq::BoxMessage;

namespace {

// Records of instrument type 5 (four fields, saved unchanged), numbered from `first`.
std::vector<std::string> Records(int first, int count) {
    std::vector<std::string> lines;
    for (int i = first; i < first + count; ++i) {
        lines.push_back(
            QStringLiteral("%1 12.5 3.20 10:30").arg(i, 6, 10, QLatin1Char('0')).toStdString());
    }
    return lines;
}

// The immutable attribute (chattr +i) refuses writing to everyone, root included; taken off
// again at the end, or the temporary folder could not be removed.
class ImmutableFile {
public:
    explicit ImmutableFile(const QString& path) : path_(QFile::encodeName(path).toStdString()) {
        error_ = SetFlag(true);
        set_ = error_ == 0;
    }
    ~ImmutableFile() {
        if (set_) {
            SetFlag(false);
        }
    }
    ImmutableFile(const ImmutableFile&) = delete;
    ImmutableFile& operator=(const ImmutableFile&) = delete;
    // 0 if the attribute is set, else why not.
    int Error() const { return error_; }

private:
    int SetFlag(bool on) {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return errno;
        }
        int flags = 0;
        int error = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
            error = errno;
        } else {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0) {
                error = errno;
            }
        }
        ::close(fd);
        return error;
    }

    std::string path_;
    int error_ = 0;
    bool set_ = false;
};

enum class Refusal { kDiskFull, kNoFolder, kFolder, kReadOnly, kImmutable };

const QByteArray kOldContent("000001 old record\r\n");

}  // namespace

Q_DECLARE_METATYPE(Refusal)

class SaveTest : public QObject {
    Q_OBJECT
private slots:
    void refusedSave_data();
    void refusedSave();
    void saveWhileReceiving();
    void cutThatFailsIsSaid();
    void portFailureWaitsForTheSave();
    void linesArriveWhileTheSaveDialogIsOpen();
};

void SaveTest::refusedSave_data() {
    QTest::addColumn<Refusal>("refusal");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("error");
    QTest::newRow("disk full: /dev/full") << Refusal::kDiskFull << "full" << ENOSPC;
    QTest::newRow("folder does not exist") << Refusal::kNoFolder << "missing/line" << ENOENT;
    QTest::newRow("the name is a folder") << Refusal::kFolder << "line" << EISDIR;
    QTest::newRow("read-only file, saved as an ordinary user")
        << Refusal::kReadOnly << "line" << EACCES;
    QTest::newRow("immutable file, refused to root too") << Refusal::kImmutable << "line" << EPERM;
}

// The main window tells which file failed and why; nothing else changes, not the pane, not the
// commands, not an old file; and the next save to a good name works.
void SaveTest::refusedSave() {
    QFETCH(Refusal, refusal);
    QFETCH(QString, chosen);
    QFETCH(int, error);
    WindowOnLine session(5);
    const std::vector<std::string> lines{"1 12.5 3.20 10:30", "2,12.4,3.18,10:31",
                                         "\xb2\xe2\xb5\xe3 12.5 3.20 10:33"};
    QVERIFY(session.Receive(Joined(lines, "\r\n"), lines.size()));
    QVERIFY(session.window.Click("Stop"));
    QDir folder(session.folder.path());
    const QString written = folder.filePath(chosen + ".kvq");

    std::unique_ptr<ImmutableFile> immutable;
    switch (refusal) {
        case Refusal::kDiskFull:
            QVERIFY(QFile::link("/dev/full", written));
            break;
        case Refusal::kNoFolder:
            break;
        case Refusal::kFolder:
            QVERIFY(folder.mkdir(chosen + ".kvq"));
            QVERIFY(WriteFile(written + "/inside", kOldContent));
            break;
        case Refusal::kReadOnly:
            QVERIFY(WriteFile(written, kOldContent));
            QVERIFY(::chmod(QFile::encodeName(written).constData(), 0444) == 0);
            // The folder itself lets the ordinary user in: only the file's mode refuses.
            QVERIFY(::chmod(QFile::encodeName(folder.path()).constData(), 0777) == 0);
            break;
        case Refusal::kImmutable:
            QVERIFY(WriteFile(written, kOldContent));
            immutable = std::make_unique<ImmutableFile>(written);
            if (immutable->Error() != 0) {
                QSKIP(qPrintable("the immutable attribute cannot be set here: " +
                                 SystemText(immutable->Error())));
            }
            break;
    }
    const std::vector<bool> commands = session.window.CommandStates();
    QVERIFY(session.window.Enabled(kvq::Command::kSaveDataButton));
    const QStringList entries = folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    session.window.saveAnswer = folder.filePath(chosen);
    if (refusal == Refusal::kReadOnly) {
        const PermissionBitsBind ordinaryUser;
        QVERIFY(ordinaryUser.Binds());
        QVERIFY(session.window.Click("SaveData"));
    } else {
        QVERIFY(session.window.Click("SaveData"));
    }

    QCOMPARE(session.window.messages.size(), std::size_t{1});
    QCOMPARE(session.window.messages.front(),
             (BoxMessage{QStringLiteral("保存数据"),
                         QStringLiteral("数据文件") + written + QStringLiteral("保存失败：") +
                             SystemText(error),
                         QMessageBox::Critical}));
    QCOMPARE(session.PaneLines(), lines);
    QCOMPARE(session.window.CommandStates(), commands);
    QVERIFY(!session.window->Receiver().IsRunning());
    QCOMPARE(folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entries);
    if (refusal == Refusal::kReadOnly || refusal == Refusal::kImmutable) {
        QCOMPARE(FileBytes(written), kOldContent);
    } else if (refusal == Refusal::kFolder) {
        QVERIFY(QFileInfo(written).isDir());
        QCOMPARE(FileBytes(written + "/inside"), kOldContent);
    }

    session.window.saveAnswer = folder.filePath("good");
    QVERIFY(session.window.Click("SaveData"));
    QCOMPARE(FileBytes(folder.filePath("good.kvq")),
             QByteArray::fromStdString(Joined(lines, "\r\n")));
    QCOMPARE(session.window.messages.size(), std::size_t{1});
    QCOMPARE(session.PaneLines(), lines);
}

// The line keeps sending while the file is written. The file is a pipe whose reader sends more
// lines into the serial line while the save is still writing (the pipe holds less than the
// file, so the save waits for the reader): the file holds exactly the pane's lines when the
// save began, and the lines sent during and after the save land in the pane, none lost, none
// twice, the half line of before the save completed.
void SaveTest::saveWhileReceiving() {
    WindowOnLine session(5);
    // A first reception, stopped, enables the save command; receiving again leaves it enabled.
    QVERIFY(session.Receive(Joined(Records(0, 1), "\r\n"), 1));
    QVERIFY(session.window.Click("Stop"));
    const std::vector<std::string> before = Records(1, 5000);
    QVERIFY(session.Receive(Joined(before, "\r\n"), before.size()));
    QVERIFY(session.line.Send("005001 12.5 3."));
    QVERIFY(RunEventsUntil(
        [&] { return session.window->Receiver().LineBuffer().Pending() == "005001 12.5 3."; }));
    QVERIFY(session.window.Enabled(kvq::Command::kSaveDataButton));
    const std::vector<bool> commands = session.window.CommandStates();

    const QString fifo = session.folder.filePath("during.kvq");
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    // Opened before the save, so that the save's open does not wait for a reader.
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    QVERIFY(::fcntl(reader, F_SETPIPE_SZ, 4096) > 0);
    const std::vector<std::string> during = Records(5002, 20);
    std::string file;
    bool sentDuring = false;
    {
        std::jthread drain([&](std::stop_token stop) {
            char buffer[4096];
            for (;;) {
                // Stop comes once the save has returned, when the pipe may still hold its
                // last writes: those are read to the end of the file, not left behind.
                const bool saved = stop.stop_requested();
                pollfd p{reader, POLLIN, 0};
                if (!saved && ::poll(&p, 1, 100) <= 0) {
                    continue;
                }
                const ssize_t n = ::read(reader, buffer, sizeof buffer);
                if (n > 0 && !sentDuring) {
                    // The save is writing and waits for this reader: send now.
                    sentDuring = session.line.Send("20 10:30\r\n" + Joined(during, "\r\n"));
                }
                if (n > 0) {
                    file.append(buffer, static_cast<std::size_t>(n));
                } else if (n == 0 || errno != EAGAIN || saved) {
                    break;  // the save closed the file
                }
            }
        });
        session.window.saveAnswer = session.folder.filePath("during");
        QVERIFY(session.window.Click("SaveData"));
        // The save has closed the file: the reader reaches its end.
    }
    ::close(reader);
    QVERIFY(sentDuring);
    QCOMPARE(file, Joined(before, "\r\n"));
    // Read steps may run while a long save writes (it keeps the window live): the lines it
    // began with stay first, whatever has come since follows them.
    const std::vector<std::string> pane = session.PaneLines();
    QVERIFY(pane.size() >= before.size());
    QVERIFY(std::equal(before.begin(), before.end(), pane.begin()));

    QVERIFY(session.line.Send("005022 12.5 3.20 10:30\r\n"));
    std::vector<std::string> expected = before;
    expected.push_back("005001 12.5 3.20 10:30");
    expected.insert(expected.end(), during.begin(), during.end());
    expected.push_back("005022 12.5 3.20 10:30");
    QVERIFY(
        RunEventsUntil([&] { return session.window->TextPane().LineCount() == expected.size(); }));
    QCOMPARE(session.PaneLines(), expected);
    QVERIFY(session.window->Receiver().IsRunning());
    QCOMPARE(session.window.CommandStates(), commands);
    QVERIFY(session.window.messages.empty());
}

// The file becomes immutable while the save writes it: the next write fails, and so does the
// cut back to whole records. The box says the file may end in part of a record.
void SaveTest::cutThatFailsIsSaid() {
    QTemporaryDir folder;
    const QString written = folder.filePath("line.kvq");
    std::unique_ptr<ImmutableFile> immutable;
    WindowUnderTest window;
    window.SelectInstrumentType(5);
    // Enough lines that the save lets the event loop run while it writes.
    window.PutLines(Records(1, 100000));
    QTimer::singleShot(0, this, [&] { immutable = std::make_unique<ImmutableFile>(written); });
    window.saveAnswer = written;
    window->SaveDataClick();
    QVERIFY2(immutable != nullptr, "the save ended before the event loop ran");
    if (immutable->Error() != 0) {
        QSKIP(qPrintable("the immutable attribute cannot be set here: " +
                         SystemText(immutable->Error())));
    }
    QCOMPARE(window.messages.size(), std::size_t{1});
    QCOMPARE(window.messages.front().text, QStringLiteral("数据文件") + written +
                                               QStringLiteral("保存失败：") + SystemText(EPERM) +
                                               QStringLiteral("\n文件的最后一条记录可能不完整。"));
}

// The cable is pulled while a save writes: the save finishes before the box holds the
// window, so the file is complete when the user sees the failure.
void SaveTest::portFailureWaitsForTheSave() {
    WindowOnLine session(5);
    QVERIFY(session.StartReceiving());
    const std::vector<std::string> lines = Records(1, 100000);
    session.window.PutLines(lines);
    const QString written = session.folder.filePath("hangup.kvq");
    qint64 sizeWhenShown = -1;
    session.window.whileShown = [&](const BoxMessage&) {
        sizeWhenShown = QFileInfo(written).size();
    };
    session.line.HangUp();
    session.window.saveAnswer = written;
    session.window->SaveDataClick();

    QCOMPARE(session.window.messages.size(), std::size_t{1});
    QCOMPARE(session.window.messages.front().caption, QStringLiteral("COM错误"));
    QCOMPARE(sizeWhenShown, qint64(Joined(lines, "\r\n").size()));
    QCOMPARE(session.window->Unsaved().Count(), std::size_t{0});
}

// The real save dialog is modal: the receiver goes on reading while it is open, and the file
// holds the pane's lines as they are when the user confirms the name, those that came while
// the dialog was open included.
void SaveTest::linesArriveWhileTheSaveDialogIsOpen() {
    PtyLine line;
    QTemporaryDir folder;
    kvq::WindowSeams seams;  // the real save dialog
    seams.ports.take = [&line] { return SnapshotOf({{"COM1", line.DevicePath()}}); };
    seams.journalFolder = folder.path();  // not the user's own
    std::vector<BoxMessage> messages;
    seams.showMessage = [&messages](const BoxMessage& message) { messages.push_back(message); };
    kvq::TRS232Form window(seams);
    window.findChild<QAbstractButton*>(QStringLiteral("InstrTypeItem5"))->click();
    window.show();
    window.OpenComClick();
    window.ReceiveDataClick();
    const std::vector<std::string> first = Records(1, 3);
    QVERIFY(line.Send(Joined(first, "\r\n")));
    QVERIFY(RunEventsUntil([&] { return window.TextPane().LineCount() == 3; }));

    const std::vector<std::string> second = Records(4, 3);
    bool dialogSeen = false;
    bool arrivedWhileOpen = false;
    QTimer::singleShot(0, this, [&] {
        QFileDialog* dialog = nullptr;
        dialogSeen = RunEventsUntil([&] {
            dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            return dialog != nullptr;
        });
        if (dialog == nullptr) {
            return;
        }
        arrivedWhileOpen = line.Send(Joined(second, "\r\n")) &&
                           RunEventsUntil([&] { return window.TextPane().LineCount() == 6; });
        // The user goes to the folder, types the name and presses Enter.
        dialog->setDirectory(folder.path());
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            name->setText(QStringLiteral("open"));
            QTest::keyClick(name, Qt::Key_Return);
        }
        // Never leave the test waiting on a dialog that did not take the name.
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
    window.SaveDataClick();
    QVERIFY(dialogSeen);
    QVERIFY(arrivedWhileOpen);
    QCOMPARE(window.SaveFileName(), folder.filePath("open.kvq"));
    std::vector<std::string> both = first;
    both.insert(both.end(), second.begin(), second.end());
    QCOMPARE(FileBytes(folder.filePath("open.kvq")),
             QByteArray::fromStdString(Joined(both, "\r\n")));

    QVERIFY(line.Send("000007 12.5 3.20 10:30\n"));
    QVERIFY(RunEventsUntil([&] { return window.TextPane().LineCount() == 7; }));
    QVERIFY(window.Receiver().IsRunning());
    QVERIFY(messages.empty());
}

QTEST_MAIN(SaveTest)
#include "SaveTest.moc"
