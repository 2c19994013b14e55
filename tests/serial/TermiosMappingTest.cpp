#include <QtTest>
#include <cerrno>
#include <cstring>

#include "TermiosMapping.h"

using kvq::StopBits;

Q_DECLARE_METATYPE(kvq::StopBits)

namespace {

// A record as a terminal starts out: cooked, echoing, 38400 baud, hardware flow control and
// hang-up on close set by some earlier program.
termios2 CookedRecord() {
    termios2 t{};
    t.c_iflag = ICRNL | IXON | IXOFF | BRKINT | IMAXBEL | INPCK;
    t.c_oflag = OPOST | ONLCR;
    t.c_cflag = B38400 | CS7 | CREAD | HUPCL | CRTSCTS;
    t.c_lflag = ISIG | ICANON | ECHO | ECHOE | ECHOK | ECHOCTL | ECHOKE | IEXTEN;
    t.c_ispeed = t.c_ospeed = 38400;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 5;
    return t;
}

bool SameRecord(const termios2& a, const termios2& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

const char* StopName(StopBits s) {
    return s == StopBits::kOne ? "1" : s == StopBits::kOneAndHalf ? "1.5" : "2";
}

}  // namespace

class TermiosMappingTest : public QObject {
    Q_OBJECT

private slots:
    void baudRate_data();
    void baudRate();
    void dataBits_data();
    void dataBits();
    void stopBits_data();
    void stopBits();
    void parity_data();
    void parity();
    void rawReceive();
    void everyCombinationOfTheControls_data();
    void everyCombinationOfTheControls();
    void settingsTaken_data();
    void settingsTaken();
};

void TermiosMappingTest::baudRate_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("error");
    QTest::addColumn<uint>("code");

    QTest::newRow("14400 is a custom rate") << 14400 << 0 << uint(BOTHER);
    QTest::newRow("9600") << 9600 << 0 << uint(B9600);
    QTest::newRow("4800") << 4800 << 0 << uint(B4800);
    QTest::newRow("2400") << 2400 << 0 << uint(B2400);
    QTest::newRow("1200") << 1200 << 0 << uint(B1200);
    QTest::newRow("other standard rate keeps its code") << 115200 << 0 << uint(B115200);
    QTest::newRow("zero refused") << 0 << EINVAL << 0u;
    QTest::newRow("negative refused") << -9600 << EINVAL << 0u;
}

void TermiosMappingTest::baudRate() {
    QFETCH(int, rate);
    QFETCH(int, error);
    QFETCH(uint, code);

    termios2 t = CookedRecord();
    t.c_cflag |= B300 << IBSHIFT;  // a split input rate left by an earlier program
    const termios2 before = t;
    QCOMPARE(kvq::SetBaudRate(t, rate), error);
    if (error != 0) {
        QVERIFY(SameRecord(t, before));
        return;
    }
    QCOMPARE(uint(t.c_cflag & CBAUD), code);
    QCOMPARE(t.c_cflag & (CBAUD << IBSHIFT), 0u);
    QCOMPARE(kvq::OutputBaudRate(t), uint(rate));
    QCOMPARE(kvq::InputBaudRate(t), uint(rate));
    QCOMPARE(t.c_cflag & ~(CBAUD | (CBAUD << IBSHIFT)),
             before.c_cflag & ~(CBAUD | (CBAUD << IBSHIFT)));
}

void TermiosMappingTest::dataBits_data() {
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("error");
    QTest::addColumn<uint>("size");

    QTest::newRow("5") << 5 << 0 << uint(CS5);
    QTest::newRow("6") << 6 << 0 << uint(CS6);
    QTest::newRow("7") << 7 << 0 << uint(CS7);
    QTest::newRow("8") << 8 << 0 << uint(CS8);
    QTest::newRow("4 refused") << 4 << EINVAL << 0u;
    QTest::newRow("9 refused") << 9 << EINVAL << 0u;
}

void TermiosMappingTest::dataBits() {
    QFETCH(int, bits);
    QFETCH(int, error);
    QFETCH(uint, size);

    termios2 t = CookedRecord();
    const termios2 before = t;
    QCOMPARE(kvq::SetDataBits(t, bits), error);
    if (error != 0) {
        QVERIFY(SameRecord(t, before));
        return;
    }
    QCOMPARE(uint(t.c_cflag & CSIZE), size);
    QCOMPARE(t.c_cflag & ~CSIZE, before.c_cflag & ~CSIZE);
}

void TermiosMappingTest::stopBits_data() {
    QTest::addColumn<StopBits>("stop");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<bool>("startWithTwo");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("twoStopFlag");

    QTest::newRow("one clears an earlier two") << StopBits::kOne << 8 << true << 0 << false;
    QTest::newRow("two") << StopBits::kTwo << 8 << false << 0 << true;
    QTest::newRow("two with 5 data bits") << StopBits::kTwo << 5 << false << 0 << true;
    QTest::newRow("1.5 with 5 data bits is the two-stop flag")
        << StopBits::kOneAndHalf << 5 << false << 0 << true;
    QTest::newRow("1.5 with 6 data bits refused")
        << StopBits::kOneAndHalf << 6 << false << EINVAL << false;
    QTest::newRow("1.5 with 7 data bits refused")
        << StopBits::kOneAndHalf << 7 << false << EINVAL << false;
    QTest::newRow("1.5 with 8 data bits refused, not turned into 2")
        << StopBits::kOneAndHalf << 8 << false << EINVAL << false;
}

void TermiosMappingTest::stopBits() {
    QFETCH(StopBits, stop);
    QFETCH(int, dataBits);
    QFETCH(bool, startWithTwo);
    QFETCH(int, error);
    QFETCH(bool, twoStopFlag);

    termios2 t = CookedRecord();
    if (startWithTwo) {
        t.c_cflag |= CSTOPB;
    }
    const termios2 before = t;
    QCOMPARE(kvq::SetStopBits(t, stop, dataBits), error);
    if (error != 0) {
        QVERIFY(SameRecord(t, before));
        return;
    }
    QCOMPARE((t.c_cflag & CSTOPB) != 0, twoStopFlag);
    QCOMPARE(t.c_cflag & ~CSTOPB, before.c_cflag & ~CSTOPB);
}

void TermiosMappingTest::parity_data() {
    QTest::addColumn<uint>("startBits");
    QTest::addColumn<bool>("odd");
    QTest::addColumn<uint>("expected");

    QTest::newRow("odd from none") << 0u << true << uint(PARENB | PARODD);
    QTest::newRow("none from odd") << uint(PARENB | PARODD) << false << 0u;
    QTest::newRow("none from even") << uint(PARENB) << false << 0u;
    QTest::newRow("odd from even") << uint(PARENB) << true << uint(PARENB | PARODD);
    QTest::newRow("odd from mark parity is not mark")
        << uint(PARENB | PARODD | CMSPAR) << true << uint(PARENB | PARODD);
    QTest::newRow("none from space parity") << uint(PARENB | CMSPAR) << false << 0u;
}

void TermiosMappingTest::parity() {
    QFETCH(uint, startBits);
    QFETCH(bool, odd);
    QFETCH(uint, expected);

    constexpr tcflag_t kParityBits = PARENB | PARODD | CMSPAR;
    termios2 t = CookedRecord();
    t.c_cflag |= startBits;
    const termios2 before = t;
    kvq::SetParity(t, odd);
    QCOMPARE(uint(t.c_cflag & kParityBits), expected);
    QCOMPARE(t.c_cflag & ~kParityBits, before.c_cflag & ~kParityBits);
}

void TermiosMappingTest::rawReceive() {
    termios2 t = CookedRecord();
    kvq::SetRawReceive(t);

    // Bytes arrive unchanged: no CR/NL mapping, no stripping, no flow-control bytes eaten.
    QCOMPARE(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF | IXANY | BRKINT | IGNBRK |
                          PARMRK | IUCLC),
             0u);
    // Nothing is ever sent back to the instrument, and no line editing or signals.
    QCOMPARE(t.c_lflag & (ECHO | ECHONL | ICANON | ISIG | IEXTEN), 0u);
    QCOMPARE(t.c_oflag & OPOST, 0u);
    QCOMPARE(t.c_cflag & (CREAD | CLOCAL), tcflag_t(CREAD | CLOCAL));
    QCOMPARE(int(t.c_cc[VMIN]), 1);
    QCOMPARE(int(t.c_cc[VTIME]), 0);
    // What is not ours stays as the port had it.
    QCOMPARE(t.c_cflag & (CSIZE | CBAUD | HUPCL | CRTSCTS),
             tcflag_t(CS7 | B38400 | HUPCL | CRTSCTS));
    QCOMPARE(t.c_iflag & (INPCK | IMAXBEL), tcflag_t(INPCK | IMAXBEL));
    QCOMPARE(t.c_oflag & ONLCR, tcflag_t(ONLCR));
}

void TermiosMappingTest::everyCombinationOfTheControls_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("bits");
    QTest::addColumn<StopBits>("stop");
    QTest::addColumn<bool>("odd");

    for (int rate : {14400, 9600, 4800, 2400, 1200}) {
        for (int bits : {5, 6, 7, 8}) {
            for (StopBits stop : {StopBits::kOne, StopBits::kOneAndHalf, StopBits::kTwo}) {
                for (bool odd : {false, true}) {
                    QTest::addRow("%d baud, %d data bits, %s stop, %s", rate, bits, StopName(stop),
                                  odd ? "odd" : "none")
                        << rate << bits << stop << odd;
                }
            }
        }
    }
}

void TermiosMappingTest::everyCombinationOfTheControls() {
    QFETCH(int, rate);
    QFETCH(int, bits);
    QFETCH(StopBits, stop);
    QFETCH(bool, odd);

    termios2 t = CookedRecord();
    const int error = kvq::ApplyLineSettings(t, {rate, bits, stop, odd});
    if (stop == StopBits::kOneAndHalf && bits != 5) {
        QCOMPARE(error, EINVAL);
        return;
    }
    QCOMPARE(error, 0);
    const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    QCOMPARE(t.c_cflag & CSIZE, sizes[bits - 5]);
    QCOMPARE((t.c_cflag & CSTOPB) != 0, stop != StopBits::kOne);
    QCOMPARE(t.c_cflag & (PARENB | PARODD | CMSPAR), odd ? tcflag_t(PARENB | PARODD) : 0u);
    QCOMPARE(kvq::OutputBaudRate(t), uint(rate));
    QCOMPARE(kvq::InputBaudRate(t), uint(rate));
    QCOMPARE(t.c_lflag & (ICANON | ECHO), 0u);
    QCOMPARE(t.c_cflag & (CREAD | CLOCAL | CRTSCTS), tcflag_t(CREAD | CLOCAL | CRTSCTS));
    QVERIFY(kvq::SettingsTaken(t, t));
}

void TermiosMappingTest::settingsTaken_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("taken");

    // The wanted record is the controls' settings; the read-back is it with one change.
    QTest::newRow("read back unchanged") << 9600 << 8 << "none" << true;
    QTest::newRow("custom rate read back unchanged") << 14400 << 8 << "none" << true;
    QTest::newRow("driver forced 8 data bits") << 9600 << 7 << "cs8" << false;
    QTest::newRow("driver dropped parity") << 9600 << 8 << "parity off" << false;
    QTest::newRow("driver dropped the two stop bits") << 9600 << 8 << "one stop" << false;
    QTest::newRow("custom rate fell back to 9600") << 14400 << 8 << "rate 9600" << false;
    QTest::newRow("custom rate fell back to 38400 code") << 14400 << 8 << "code 38400" << false;
    QTest::newRow("custom rate achieved within 1%") << 14400 << 8 << "rate 14397" << true;
    QTest::newRow("custom rate 3% off") << 14400 << 8 << "rate 13968" << false;
    QTest::newRow("driver encodes a near standard rate as its code")
        << 9600 << 8 << "custom 9598" << true;
    QTest::newRow("separate input rate left") << 9600 << 8 << "input 300" << false;
    QTest::newRow("echo left on") << 9600 << 8 << "echo" << false;
    QTest::newRow("receiver left off") << 9600 << 8 << "no cread" << false;
    QTest::newRow("other bits differ") << 9600 << 8 << "hupcl" << true;
}

void TermiosMappingTest::settingsTaken() {
    QFETCH(int, rate);
    QFETCH(int, bits);
    QFETCH(QString, change);
    QFETCH(bool, taken);

    termios2 wanted = CookedRecord();
    QCOMPARE(kvq::ApplyLineSettings(wanted, {rate, bits, StopBits::kTwo, true}), 0);
    termios2 got = wanted;
    auto setCode = [&got](tcflag_t code, unsigned speed) {
        got.c_cflag = (got.c_cflag & ~CBAUD) | code;
        got.c_ospeed = got.c_ispeed = speed;
    };
    if (change == "cs8") {
        got.c_cflag = (got.c_cflag & ~CSIZE) | CS8;
    } else if (change == "parity off") {
        got.c_cflag &= ~PARENB;
    } else if (change == "one stop") {
        got.c_cflag &= ~CSTOPB;
    } else if (change == "rate 9600") {
        setCode(B9600, 9600);
    } else if (change == "code 38400") {
        setCode(B38400, 14400);
    } else if (change.startsWith("rate ")) {
        setCode(BOTHER, change.mid(5).toUInt());
    } else if (change == "custom 9598") {
        setCode(BOTHER, 9598);
    } else if (change == "input 300") {
        got.c_cflag |= B300 << IBSHIFT;
    } else if (change == "echo") {
        got.c_lflag |= ECHO;
    } else if (change == "no cread") {
        got.c_cflag &= ~CREAD;
    } else if (change == "hupcl") {
        got.c_cflag ^= HUPCL;
    }
    QCOMPARE(kvq::SettingsTaken(wanted, got), taken);
}

QTEST_APPLESS_MAIN(TermiosMappingTest)
#include "TermiosMappingTest.moc"
