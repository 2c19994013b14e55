// Which Windows port each choice reaches, worked out by hand from the rule: a choice reaches
// the usable port of its own name whatever its kind; else the lowest-numbered cable port above
// COM2 that the other choice does not already reach, or where no cable port is there, the
// lowest such other USB serial device; never a Bluetooth link, AMT's port, a virtual port or
// a name without a device. Runs on Linux and under Wine.

#include <QtTest>

#include "PortChoice.h"
#include "PortTexts.h"

using kvq::PortsClassRow;
using kvq::PresentPort;

namespace {

// Cable ports as the system lists them: "COM4 COM7".
std::vector<PresentPort> Ports(const QString& names) {
    std::vector<PresentPort> ports;
    for (const QString& name : names.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        ports.push_back({name.toStdString(), "device of " + name.toStdString(), {}});
    }
    return ports;
}

// The name of the port a choice reaches, empty for nothing; "?" marks a port that is not
// the one listed (its device lost).
QString Reached(const std::vector<PresentPort>& present, int choice) {
    const kvq::PortSnapshot snapshot = kvq::ChoicesAmong(present);
    const PresentPort* port = kvq::ReachedBy(snapshot, choice);
    return port != nullptr ? QString::fromStdString(port->name) +
                                 (port->device == "device of " + port->name ? "" : "?")
                           : QString();
}

// Devices of the ports class, one a line: "instance ID|service|PortName|friendly name|problem".
std::vector<PortsClassRow> Rows(const QStringList& lines) {
    std::vector<PortsClassRow> rows;
    for (const QString& line : lines) {
        const QStringList cells = line.split(QLatin1Char('|'));
        Q_ASSERT(cells.size() == 5);
        rows.push_back({cells[0].toStdString(), cells[1].toStdString(), cells[2].toStdString(),
                        cells[3].toStdString(), cells[4].toULong()});
    }
    return rows;
}

const QString kFtdiAt5 =
    "FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000|FTSER2K|COM5|USB Serial Port (COM5)|0";
const QString kBluetoothAt3 =
    "BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0000\\7&1D2A3F4&0&000000000000_"
    "00000003|BTHMODEM|COM3|Standard Serial over Bluetooth link (COM3)|0";
const QString kCh340At4 =
    "USB\\VID_1A86&PID_7523\\5&2B8C1A5&0&2|CH341SER_A64|COM4|"
    "USB-SERIAL CH340 (COM4)|0";
const QString kAmtAt3 =
    "PCI\\VEN_8086&DEV_9D3D&SUBSYS_225D17AA&REV_21\\3&11583659&1&B3|"
    "Serial|COM3|Intel(R) Active Management Technology - SOL (COM3)|0";
const QString kGpsAt6 =
    "USB\\VID_1546&PID_01A8\\5&3A1F2C&0&1|usbser|COM6|"
    "USB 串行设备 (COM6)|0";

}  // namespace

class PortChoiceTest : public QObject {
    Q_OBJECT
private slots:
    void choicesReach_data();
    void choicesReach();
    void portsClassRows_data();
    void portsClassRows();
    void kinds_data();
    void kinds();
    void deviceNames_data();
    void deviceNames();
    void friendlyNames_data();
    void friendlyNames();
};

void PortChoiceTest::choicesReach_data() {
    QTest::addColumn<QString>("present");
    QTest::addColumn<QString>("com1");
    QTest::addColumn<QString>("com2");
    QTest::newRow("no port") << ""
                             << ""
                             << "";
    QTest::newRow("both built in") << "COM1 COM2"
                                   << "COM1"
                                   << "COM2";
    QTest::newRow("one adapter at COM4") << "COM4"
                                         << "COM4"
                                         << "";
    QTest::newRow("built-in COM1, adapter at COM3") << "COM1 COM3"
                                                    << "COM1"
                                                    << "COM3";
    QTest::newRow("two adapters, no built-in port") << "COM3 COM6"
                                                    << "COM3"
                                                    << "COM6";
    QTest::newRow("COM1 falls back beside a built-in COM2") << "COM2 COM7"
                                                            << "COM7"
                                                            << "COM2";
    QTest::newRow("COM2 is not above COM2") << "COM2"
                                            << ""
                                            << "COM2";
    QTest::newRow("adapters unused when both are built in") << "COM1 COM2 COM5"
                                                            << "COM1"
                                                            << "COM2";
    QTest::newRow("by number, not as text") << "COM10 COM9 COM12"
                                            << "COM9"
                                            << "COM10";
    QTest::newRow("the system's order does not count") << "COM8 COM3"
                                                       << "COM3"
                                                       << "COM8";
    QTest::newRow("a number listed twice is one port") << "COM4 COM4"
                                                       << "COM4"
                                                       << "";
    QTest::newRow("names that are not ports") << "LPT1 COM0 COMX CNCA0 COM5"
                                              << "COM5"
                                              << "";
}

void PortChoiceTest::choicesReach() {
    QFETCH(QString, present);
    QFETCH(QString, com1);
    QFETCH(QString, com2);
    const std::vector<PresentPort> ports = Ports(present);
    QCOMPARE(Reached(ports, 1), com1);
    QCOMPARE(Reached(ports, 2), com2);
    // Only the two choices of the window reach anything.
    QCOMPARE(Reached(ports, 3), QString());
}

// The rows a laptop's ports class holds, and what the crew sees: the tool tips of COM1 and COM2
// and the ports a failed open lists. A tool tip "…：没有对应的串口" goes on with that list.
void PortChoiceTest::portsClassRows_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QList<int>>("listed");  // SERIALCOMM numbers besides the rows' own
    QTest::addColumn<QString>("com1");
    QTest::addColumn<QString>("com2");
    QTest::addColumn<QString>("list");
    const QString none = QStringLiteral("：没有对应的串口");
    QTest::newRow("FTDI adapter at COM5 beside an incoming Bluetooth port at COM3")
        << QStringList{kBluetoothAt3, kFtdiAt5} << QList<int>{3, 5}
        << "COM1 → COM5 (USB Serial Port)"
        << "COM2" + none
        << "COM3 (Standard Serial over Bluetooth link)：蓝牙，不会自动选用\n"
           "COM5 (USB Serial Port)：选COM1时用它";
    QTest::newRow("CH340 at COM4 beside AMT's Serial over LAN at COM3")
        << QStringList{kAmtAt3, kCh340At4} << QList<int>{3, 4} << "COM1 → COM4 (USB-SERIAL CH340)"
        << "COM2" + none
        << "COM3 (Intel(R) Active Management Technology - SOL)：Intel AMT "
           "远程管理端口，不会自动选用\n"
           "COM4 (USB-SERIAL CH340)：选COM1时用它";
    QTest::newRow("only a GPS receiver on the generic driver at COM6")
        << QStringList{kGpsAt6} << QList<int>{6} << "COM1 → COM6 (USB 串行设备)"
        << "COM2" + none << "COM6 (USB 串行设备)：选COM1时用它";
    QTest::newRow("the GPS receiver passed over beside an adapter")
        << QStringList{kGpsAt6, kCh340At4} << QList<int>{4, 6} << "COM1 → COM4 (USB-SERIAL CH340)"
        << "COM2" + none
        << "COM4 (USB-SERIAL CH340)：选COM1时用它\n"
           "COM6 (USB 串行设备)：其它USB串口设备（如GPS、手机），另有转换器或串口时不会自动选用";
    QTest::newRow("a Bluetooth port renamed COM1")
        << QStringList{QString(kBluetoothAt3).replace("COM3", "COM1"), kFtdiAt5} << QList<int>{1, 5}
        << "COM1 → COM1 (Standard Serial over Bluetooth link)"
        << "COM2 → COM5 (USB Serial Port)"
        << "COM1 (Standard Serial over Bluetooth link)：选COM1时用它\n"
           "COM5 (USB Serial Port)：选COM2时用它";
    QTest::newRow("a PL2303 with a problem code")
        << QStringList{"USB\\VID_067B&PID_2303\\6&1A2B3C&0&3|Ser2pl|COM3|"
                       "Prolific USB-to-Serial Comm Port (COM3)|10"}
        << QList<int>{} << "COM1" + none << "COM2" + none
        << "COM3 (Prolific USB-to-Serial Comm Port)：设备有问题（代码 10），请在设备管理器中查看";
    QTest::newRow("a disabled built-in COM1 beside an adapter at COM3")
        << QStringList{"ACPI\\PNP0501\\1|Serial|COM1|通信端口 (COM1)|22",
                       QString(kFtdiAt5).replace("COM5", "COM3")}
        << QList<int>{3} << "COM1 → COM3 (USB Serial Port)"
        << "COM2" + none
        << "COM1 (通信端口)：设备有问题（代码 22），请在设备管理器中查看\n"
           "COM3 (USB Serial Port)：选COM1时用它";
    QTest::newRow("two adapters at COM7 and COM5")
        << QStringList{"USB\\VID_10C4&PID_EA60\\0001|silabser|COM7|"
                       "Silicon Labs CP210x USB to UART Bridge (COM7)|0",
                       kFtdiAt5}
        << QList<int>{5, 7} << "COM1 → COM5 (USB Serial Port)"
        << "COM2 → COM7 (Silicon Labs CP210x USB to UART Bridge)"
        << "COM5 (USB Serial Port)：选COM1时用它\n"
           "COM7 (Silicon Labs CP210x USB to UART Bridge)：选COM2时用它";
    QTest::newRow("a built-in COM1 and an adapter at COM3; the printer port is no COM port")
        << QStringList{"ACPI\\PNP0501\\1|Serial|COM1|通信端口 (COM1)|0",
                       "ACPI\\PNP0401\\1|Parport|LPT1|ECP 打印机端口 (LPT1)|0",
                       QString(kFtdiAt5).replace("COM5", "COM3")}
        << QList<int>{1, 3} << "COM1 → COM1 (通信端口)"
        << "COM2 → COM3 (USB Serial Port)"
        << "COM1 (通信端口)：选COM1时用它\nCOM3 (USB Serial Port)：选COM2时用它";
    QTest::newRow("virtual ports and a name without a device")
        << QStringList{"ROOT\\PORTS\\0000|Serial|COM8|Virtual Serial Port (COM8)|0",
                       "COM0COM\\PORT\\CNCA0|com0com|COM9|com0com - serial port emulator|0"}
        << QList<int>{7, 8, 9} << "COM1" + none << "COM2" + none
        << "COM7：不在设备管理器的“端口”中，不会自动选用\n"
           "COM8 (Virtual Serial Port)：虚拟串口，不会自动选用\n"
           "COM9 (com0com - serial port emulator)：虚拟串口，不会自动选用";
    QTest::newRow("nothing at all") << QStringList{} << QList<int>{} << "COM1：本机没有可用的串口"
                                    << "COM2：本机没有可用的串口"
                                    << "";
}

void PortChoiceTest::portsClassRows() {
    QFETCH(QStringList, rows);
    QFETCH(QList<int>, listed);
    QFETCH(QString, com1);
    QFETCH(QString, com2);
    QFETCH(QString, list);
    const kvq::PortSnapshot ports = kvq::ChoicesAmong(
        kvq::WindowsPorts(Rows(rows), std::vector<int>(listed.begin(), listed.end())));
    QCOMPARE(kvq::PortLines(ports).join(QLatin1Char('\n')), list);
    for (QString* tip : {&com1, &com2}) {
        if (tip->endsWith(QStringLiteral("：没有对应的串口"))) {
            *tip += QLatin1Char('\n') + list;
        }
    }
    QCOMPARE(kvq::PortToolTipText(1, ports), com1);
    QCOMPARE(kvq::PortToolTipText(2, ports), com2);
    // A choice that reaches nothing opens the port of its own name.
    for (int choice = 1; choice <= kvq::kPortChoices; ++choice) {
        const PresentPort* reached = kvq::ReachedBy(ports, choice);
        QCOMPARE(kvq::DeviceToOpen(ports, choice),
                 reached != nullptr ? reached->device : "COM" + std::to_string(choice));
    }
}

void PortChoiceTest::kinds_data() {
    QTest::addColumn<QString>("instanceId");
    QTest::addColumn<QString>("service");
    QTest::addColumn<int>("kind");
    using Kind = kvq::PortKind;
    const auto row = [](const char* name, const char* id, const char* service, Kind kind) {
        QTest::newRow(name) << id << service << static_cast<int>(kind);
    };
    row("Silicon Labs by vendor, lower case", "usb\\vid_10c4&pid_ea60\\0001", "", Kind::kCable);
    row("a WCH chip on the generic driver", "USB\\VID_1A86&PID_55D4\\5&1C&0&1", "usbser",
        Kind::kCable);
    row("an adapter's driver on another vendor", "USB\\VID_4348&PID_5523\\5&2&0&4", "CH341SER",
        Kind::kCable);
    row("a modem's diagnostic port on its maker's driver",
        "USB\\VID_05C6&PID_9091&MI_00\\7&1F&0&0000", "qcusbser", Kind::kUsbSerial);
    row("Bluetooth's modem service", "{F12D3CF8-B11D-457E-8641-BE2AF2D6D204}\\X\\1", "BTHMODEM",
        Kind::kBluetooth);
    row("another ACPI device", "ACPI\\INT3511\\1", "Serial", Kind::kOther);
    row("a PCI serial card", "PCI\\VEN_1415&DEV_C158&SUBSYS_00001415\\4&1", "Serial", Kind::kCable);
    row("an unknown enumerator", "SWD\\VSP\\1", "vsp", Kind::kOther);
}

void PortChoiceTest::kinds() {
    QFETCH(QString, instanceId);
    QFETCH(QString, service);
    QFETCH(int, kind);
    const PortsClassRow row{instanceId.toStdString(), service.toStdString(), "COM4", "", 0};
    QCOMPARE(static_cast<int>(kvq::KindOf(row)), kind);
    PortsClassRow faulty = row;
    faulty.problem = 43;
    QCOMPARE(kvq::KindOf(faulty), kvq::PortKind::kFaulty);
}

void PortChoiceTest::deviceNames_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("device");
    QTest::newRow("COM9, the last DOS name") << 9 << "COM9";
    QTest::newRow("COM10 needs the device prefix") << 10 << "\\\\.\\COM10";
    QTest::newRow("COM255") << 255 << "\\\\.\\COM255";
}

void PortChoiceTest::deviceNames() {
    QFETCH(int, number);
    QFETCH(QString, device);
    QCOMPARE(QString::fromStdString(kvq::ComDeviceName(number)), device);
}

void PortChoiceTest::friendlyNames_data() {
    QTest::addColumn<QString>("friendly");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("shown");
    QTest::newRow("adapter") << "USB-SERIAL CH340 (COM4)" << 4 << "USB-SERIAL CH340";
    QTest::newRow("two-digit port")
        << "Prolific USB-to-Serial Comm Port (COM12)" << 12 << "Prolific USB-to-Serial Comm Port";
    QTest::newRow("another port's number stays")
        << "Silicon Labs CP210x (COM5)" << 4 << "Silicon Labs CP210x (COM5)";
    QTest::newRow("COM1 is not the end of COM12") << "Adapter (COM12)" << 1 << "Adapter (COM12)";
}

void PortChoiceTest::friendlyNames() {
    QFETCH(QString, friendly);
    QFETCH(int, number);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(kvq::FriendlyNameWithoutPort(friendly.toStdString(), number)),
             shown);
}

QTEST_APPLESS_MAIN(PortChoiceTest)
#include "PortChoiceTest.moc"
