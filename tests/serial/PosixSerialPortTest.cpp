#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <memory>

#include "EventLoop.h"
#include "PtyLine.h"
#include "SerialPort.h"

using kvq::LineSettings;
using kvq::StopBits;

Q_DECLARE_METATYPE(kvq::StopBits)

namespace {

std::string SystemText(int error) {
    return std::strerror(error);
}

// A port on the pty, opened and set to the window's defaults.
std::unique_ptr<kvq::SerialPort> OpenConfigured(const PtyLine& pty) {
    auto port = kvq::CreatePlatformSerialPort();
    if (!port->Open(pty.DevicePath()) || !port->ReadSettings() ||
        !port->WriteSettings(LineSettings{})) {
        return nullptr;
    }
    return port;
}

}  // namespace

class PosixSerialPortTest : public QObject {
    Q_OBJECT

private slots:
    void missingDeviceCannotBeOpened();
    void nonTerminalHasNoSettings_data();
    void nonTerminalHasNoSettings();
    void portInUseIsBusy_data();
    void portInUseIsBusy();
    void closeReleasesThePort();
    void portIsNotInherited();
    void lineSettingsOnAPty_data();
    void lineSettingsOnAPty();
    void refusedSettingsLeaveThePortAlone();
    void bytesArriveUnchangedAndNothingGoesBack();
    void queueCountReadAndDiscard();
    void newSettingsDropBytesFramedUnderOldOnes();
    void hangUpFailsTheStatusQuery();
    void closedPortFails();
};

void PosixSerialPortTest::missingDeviceCannotBeOpened() {
    auto port = kvq::CreatePlatformSerialPort();
    QVERIFY(!port->Open("/dev/no-such-serial-device"));
    QVERIFY(!port->IsOpen());
    QCOMPARE(port->LastErrorText(), SystemText(ENOENT));
}

void PosixSerialPortTest::nonTerminalHasNoSettings_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("/dev/null") << "/dev/null";
    QTest::newRow("regular file") << "";
}

void PosixSerialPortTest::nonTerminalHasNoSettings() {
    QFETCH(QString, path);
    QTemporaryDir dir;
    if (path.isEmpty()) {
        path = dir.filePath("capture.bin");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    auto port = kvq::CreatePlatformSerialPort();
    QVERIFY(port->Open(path.toStdString()));
    QVERIFY(!port->ReadSettings());
    QCOMPARE(port->LastErrorText(), SystemText(ENOTTY));
    QVERIFY(!port->WriteSettings(LineSettings{}));
    QCOMPARE(port->LastErrorText(), SystemText(ENOTTY));
}

void PosixSerialPortTest::portInUseIsBusy_data() {
    QTest::addColumn<QString>("holder");
    QTest::newRow("second port of this program") << "port";
    QTest::newRow("advisory lock of another program, even for root") << "flock";
    QTest::newRow("exclusive mode set by another program") << "excl";
}

void PosixSerialPortTest::portInUseIsBusy() {
    QFETCH(QString, holder);
    PtyLine pty;
    QVERIFY(pty.IsValid());

    std::unique_ptr<kvq::SerialPort> first;
    const int other = ::open(pty.DevicePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    QVERIFY(other >= 0);
    if (holder == "port") {
        first = OpenConfigured(pty);
        QVERIFY(first);
    } else if (holder == "flock") {
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
    } else {
        QCOMPARE(::ioctl(other, TIOCEXCL), 0);
    }

    auto second = kvq::CreatePlatformSerialPort();
    QVERIFY(!second->Open(pty.DevicePath()));
    QVERIFY(!second->IsOpen());
    QCOMPARE(second->LastErrorText(), SystemText(EBUSY));
    if (first) {
        QVERIFY(first->BytesWaiting().has_value());
    }
    ::ioctl(other, TIOCNXCL);
    ::close(other);
}

void PosixSerialPortTest::closeReleasesThePort() {
    PtyLine pty;
    auto first = OpenConfigured(pty);
    QVERIFY(first);
    first->Close();
    QVERIFY(!first->IsOpen());
    QCOMPARE(first->NotifyDescriptor(), -1);

    // The test still holds the device, so the exclusive flag would outlive a careless close.
    auto second = kvq::CreatePlatformSerialPort();
    QVERIFY2(second->Open(pty.DevicePath()), second->LastErrorText().c_str());
    second->Close();
    QVERIFY2(first->Open(pty.DevicePath()), first->LastErrorText().c_str());
}

void PosixSerialPortTest::portIsNotInherited() {
    PtyLine pty;
    auto port = OpenConfigured(pty);
    QVERIFY(port);
    // A child started by the program (help viewer, browser) would otherwise keep it locked.
    QVERIFY(::fcntl(port->NotifyDescriptor(), F_GETFD) & FD_CLOEXEC);
}

void PosixSerialPortTest::lineSettingsOnAPty_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("bits");
    QTest::addColumn<StopBits>("stop");
    QTest::addColumn<bool>("odd");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<uint>("rateCode");  // 0: a custom rate, which tcgetattr cannot show

    // A pty keeps rates, custom ones included, and the stop-bits flag, but forces 8 data
    // bits and drops parity: those must come back as refused writes, not silent success.
    QTest::newRow("window defaults") << 4800 << 8 << StopBits::kOne << false << true << uint(B4800);
    QTest::newRow("9600") << 9600 << 8 << StopBits::kOne << false << true << uint(B9600);
    QTest::newRow("2400") << 2400 << 8 << StopBits::kOne << false << true << uint(B2400);
    QTest::newRow("1200") << 1200 << 8 << StopBits::kOne << false << true << uint(B1200);
    QTest::newRow("14400 as a custom rate") << 14400 << 8 << StopBits::kOne << false << true << 0u;
    QTest::newRow("two stop bits") << 4800 << 8 << StopBits::kTwo << false << true << uint(B4800);
    QTest::newRow("5 data bits not kept by a pty")
        << 4800 << 5 << StopBits::kOne << false << false << 0u;
    QTest::newRow("6 data bits not kept by a pty")
        << 4800 << 6 << StopBits::kOne << false << false << 0u;
    QTest::newRow("7 data bits not kept by a pty")
        << 4800 << 7 << StopBits::kOne << false << false << 0u;
    QTest::newRow("odd parity not kept by a pty")
        << 4800 << 8 << StopBits::kOne << true << false << 0u;
    QTest::newRow("1.5 stop bits with 5 data bits: no 5 bits on a pty")
        << 4800 << 5 << StopBits::kOneAndHalf << false << false << 0u;
    QTest::newRow("1.5 stop bits with 8 data bits refused")
        << 4800 << 8 << StopBits::kOneAndHalf << false << false << 0u;
}

void PosixSerialPortTest::lineSettingsOnAPty() {
    QFETCH(int, rate);
    QFETCH(int, bits);
    QFETCH(StopBits, stop);
    QFETCH(bool, odd);
    QFETCH(bool, taken);
    QFETCH(uint, rateCode);

    PtyLine pty;
    auto port = kvq::CreatePlatformSerialPort();
    QVERIFY(port->Open(pty.DevicePath()));
    QVERIFY(port->ReadSettings());
    QCOMPARE(port->WriteSettings({rate, bits, stop, odd}), taken);
    if (!taken) {
        QCOMPARE(port->LastErrorText(), SystemText(EINVAL));
        return;
    }
    const termios t = pty.SlaveSettings();
    if (rateCode == 0) {
        QCOMPARE(pty.CustomRate(), uint(rate));
    } else {
        QCOMPARE(uint(cfgetospeed(&t)), rateCode);
        QCOMPARE(uint(cfgetispeed(&t)), rateCode);
        QCOMPARE(pty.CustomRate(), 0u);
    }
    QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE((t.c_cflag & CSTOPB) != 0, stop == StopBits::kTwo);
    QCOMPARE(t.c_cflag & PARENB, 0u);
    QCOMPARE(t.c_cflag & (CREAD | CLOCAL), tcflag_t(CREAD | CLOCAL));
    QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    QCOMPARE(t.c_iflag & (ICRNL | IXON | IXOFF | ISTRIP), 0u);
    QCOMPARE(t.c_oflag & OPOST, 0u);
}

void PosixSerialPortTest::refusedSettingsLeaveThePortAlone() {
    PtyLine pty;
    auto port = kvq::CreatePlatformSerialPort();
    QVERIFY(port->Open(pty.DevicePath()));
    QVERIFY(port->ReadSettings());
    const termios before = pty.SlaveSettings();
    QVERIFY(!port->WriteSettings({9600, 8, StopBits::kOneAndHalf, false}));
    QCOMPARE(port->LastErrorText(), SystemText(EINVAL));
    const termios after = pty.SlaveSettings();
    QVERIFY(std::memcmp(&before, &after, sizeof before) == 0);
}

void PosixSerialPortTest::bytesArriveUnchangedAndNothingGoesBack() {
    PtyLine pty;
    auto port = OpenConfigured(pty);
    QVERIFY(port);
    // CR, the XON/XOFF bytes, a zero byte, ^C and a byte with the high bit all pass as data.
    const std::string sent("a\r\n\x11\x13\0\x03\xb2\xe2\x7f\n", 11);
    QVERIFY(pty.Send(sent));
    QTRY_COMPARE_WITH_TIMEOUT(pty.InputQueued(), int(sent.size()), kGuardMs);
    QCOMPARE(port->BytesWaiting(), std::optional<std::size_t>(sent.size()));
    std::string got(64, '\0');
    got.resize(port->Read(got.data(), got.size()));
    QCOMPARE(got, sent);
    QVERIFY(!pty.MasterReadable(100));
}

void PosixSerialPortTest::queueCountReadAndDiscard() {
    PtyLine pty;
    auto port = OpenConfigured(pty);
    QVERIFY(port);
    QCOMPARE(port->BytesWaiting(), std::optional<std::size_t>(0));
    char buffer[16];
    QCOMPARE(port->Read(buffer, sizeof buffer), std::size_t(0));
    QCOMPARE(port->LastErrorText(), SystemText(EAGAIN));

    QVERIFY(pty.Send("0123456789"));
    QTRY_COMPARE_WITH_TIMEOUT(port->BytesWaiting(), std::optional<std::size_t>(10), kGuardMs);
    QCOMPARE(port->Read(buffer, 4), std::size_t(4));
    QCOMPARE(std::string(buffer, 4), std::string("0123"));
    QCOMPARE(port->BytesWaiting(), std::optional<std::size_t>(6));
}

void PosixSerialPortTest::newSettingsDropBytesFramedUnderOldOnes() {
    PtyLine pty;
    auto port = kvq::CreatePlatformSerialPort();
    QVERIFY(port->Open(pty.DevicePath()));
    QVERIFY(pty.Send("junk\n"));
    QTRY_COMPARE_WITH_TIMEOUT(pty.InputQueued(), 5, kGuardMs);
    QVERIFY(port->ReadSettings());
    QVERIFY(port->WriteSettings(LineSettings{}));
    QCOMPARE(port->BytesWaiting(), std::optional<std::size_t>(0));
    QVERIFY(pty.Send("ok\n"));
    QTRY_COMPARE_WITH_TIMEOUT(port->BytesWaiting(), std::optional<std::size_t>(3), kGuardMs);
}

void PosixSerialPortTest::hangUpFailsTheStatusQuery() {
    PtyLine pty;
    auto port = OpenConfigured(pty);
    QVERIFY(port);
    pty.HangUp();
    QCOMPARE(port->BytesWaiting(), std::nullopt);
    QCOMPARE(port->LastErrorText(), SystemText(EIO));
    char buffer[8];
    QCOMPARE(port->Read(buffer, sizeof buffer), std::size_t(0));
    QCOMPARE(port->LastErrorText(), SystemText(EIO));
}

void PosixSerialPortTest::closedPortFails() {
    auto port = kvq::CreatePlatformSerialPort();
    QCOMPARE(port->BytesWaiting(), std::nullopt);
    QCOMPARE(port->LastErrorText(), SystemText(EBADF));
    QVERIFY(!port->ReadSettings());
    QVERIFY(!port->WriteSettings(LineSettings{}));
    char buffer[8];
    QCOMPARE(port->Read(buffer, sizeof buffer), std::size_t(0));
    port->Close();
}

QTEST_GUILESS_MAIN(PosixSerialPortTest)
#include "PosixSerialPortTest.moc"
