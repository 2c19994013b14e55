#include "PortTexts.h"

#include "SystemStrings.h"

namespace kvq {

namespace {

QString ChoiceName(int choice) {
    return QStringLiteral("COM%1").arg(choice);
}

QString NameOf(const PresentPort& port) {
    QString text = FromSystem(port.name);
    if (!port.description.empty()) {
        text += QStringLiteral(" (") + FromSystem(port.description) + QLatin1Char(')');
    }
    return text;
}

// Why no choice uses a port, in the crew's words.
QString WhyUnused(const PresentPort& port) {
    switch (port.kind) {
        case PortKind::kCable:
            return QStringLiteral("COM1、COM2 都没有用它");
        case PortKind::kUsbSerial:
            return QStringLiteral("其它USB串口设备（如GPS、手机），另有转换器或串口时不会自动选用");
        case PortKind::kBluetooth:
            return QStringLiteral("蓝牙，不会自动选用");
        case PortKind::kSerialOverLan:
            return QStringLiteral("Intel AMT 远程管理端口，不会自动选用");
        case PortKind::kVirtual:
            return QStringLiteral("虚拟串口，不会自动选用");
        case PortKind::kNoDevice:
            return QStringLiteral("不在设备管理器的“端口”中，不会自动选用");
        case PortKind::kOther:
            return QStringLiteral("未知的设备，不会自动选用");
        case PortKind::kFaulty:
            return QStringLiteral("设备有问题（代码 %1），请在设备管理器中查看").arg(port.problem);
    }
    return {};
}

QString StatusOf(const PortSnapshot& ports, std::size_t index) {
    QStringList users;
    for (int choice = 1; choice <= kPortChoices; ++choice) {
        if (ports.reached[choice - 1] == index) {
            users << ChoiceName(choice);
        }
    }
    return users.isEmpty()
               ? WhyUnused(ports.ports[index])
               : QStringLiteral("选") + users.join(QStringLiteral("、")) + QStringLiteral("时用它");
}

}  // namespace

QString PortToolTipText(int choice, const PortSnapshot& ports) {
    if (const PresentPort* reached = ReachedBy(ports, choice)) {
        return ChoiceName(choice) + QStringLiteral(" → ") + NameOf(*reached);
    }
    if (ports.ports.empty()) {
        return ChoiceName(choice) + QStringLiteral("：本机没有可用的串口");
    }
    return ChoiceName(choice) + QStringLiteral("：没有对应的串口\n") +
           PortLines(ports).join(QLatin1Char('\n'));
}

QStringList PortLines(const PortSnapshot& ports) {
    QStringList lines;
    for (std::size_t i = 0; i < ports.ports.size(); ++i) {
        lines << NameOf(ports.ports[i]) + QStringLiteral("：") + StatusOf(ports, i);
    }
    return lines;
}

}  // namespace kvq
