#include "AccessibleApp.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QThread>
#include <vector>

#include "EventLoop.h"

namespace {

const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
const QString kConnection = QStringLiteral("accessibility");
// A text boundary of AT-SPI: from one line's start to the next's.
constexpr uint kLineStart = 5;
// Deeper than any widget of a main window.
constexpr int kMostDepth = 24;

QDBusMessage Call(const QDBusConnection& bus, const AccessibleApp::Node& node,
                  const QString& interface, const QString& method,
                  const QVariantList& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(node.bus, node.path, interface, method);
    call.setArguments(arguments);
    return bus.call(call);
}

QVariant Property(const QDBusConnection& bus, const AccessibleApp::Node& node,
                  const QString& interface, const QString& name) {
    const QDBusMessage reply = Call(bus, node, QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {interface, name});
    return reply.type() == QDBusMessage::ReplyMessage
               ? reply.arguments().value(0).value<QDBusVariant>().variant()
               : QVariant();
}

std::vector<AccessibleApp::Node> Children(const QDBusConnection& bus,
                                          const AccessibleApp::Node& node) {
    const QDBusMessage reply = Call(bus, node, kAccessible, QStringLiteral("GetChildren"));
    std::vector<AccessibleApp::Node> children;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return children;
    }
    const QDBusArgument list = reply.arguments().front().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        AccessibleApp::Node child;
        QDBusObjectPath path;
        list.beginStructure();
        list >> child.bus >> path;
        list.endStructure();
        child.path = path.path();
        children.push_back(child);
    }
    list.endArray();
    return children;
}

const AccessibleApp::Node kRegistry{QStringLiteral("org.a11y.atspi.Registry"),
                                    QStringLiteral("/org/a11y/atspi/accessible/root")};

// The address of the accessibility bus that the session bus at `address` launches.
QString AccessibilityBusAddress(const QString& address) {
    QDBusConnection session = QDBusConnection::connectToBus(address, QStringLiteral("session"));
    const QDBusMessage reply = session.call(QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")));
    QDBusConnection::disconnectFromBus(QStringLiteral("session"));
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0).toString()
                                                      : QString();
}

}  // namespace

bool AccessibleApp::TurnOn(const QString& address) {
    QDBusConnection session = QDBusConnection::connectToBus(address, QStringLiteral("turn-on"));
    QDBusMessage set = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"));
    set.setArguments({QStringLiteral("org.a11y.Status"), QStringLiteral("IsEnabled"),
                      QVariant::fromValue(QDBusVariant(true))});
    const bool on = session.call(set).type() == QDBusMessage::ReplyMessage;
    QDBusConnection::disconnectFromBus(QStringLiteral("turn-on"));
    return on;
}

AccessibleApp::AccessibleApp(const QString& address)
    : bus_(QDBusConnection::connectToBus(AccessibilityBusAddress(address), kConnection)) {}

AccessibleApp::~AccessibleApp() {
    QDBusConnection::disconnectFromBus(kConnection);
}

bool AccessibleApp::WaitReady() const {
    const QDeadlineTimer deadline(kGuardMs);
    while (bus_.isConnected() && !deadline.hasExpired()) {
        if (Call(bus_, kRegistry, kAccessible, QStringLiteral("GetChildren")).type() ==
            QDBusMessage::ReplyMessage) {
            return true;
        }
        QThread::msleep(20);
    }
    return false;
}

bool AccessibleApp::WaitFor(const QString& applicationName) {
    const Node& registry = kRegistry;
    const QDeadlineTimer deadline(kGuardMs);
    while (bus_.isConnected() && !deadline.hasExpired()) {
        for (const Node& application : Children(bus_, registry)) {
            if (Property(bus_, application, kAccessible, QStringLiteral("Name")).toString() ==
                applicationName) {
                application_ = application;
                return true;
            }
        }
        QThread::msleep(20);
    }
    return false;
}

std::optional<AccessibleApp::Node> AccessibleApp::Find(const QString& roleName,
                                                       const QString& name) const {
    return application_ ? FindBelow(*application_, roleName, name, 0) : std::nullopt;
}

std::optional<AccessibleApp::Node> AccessibleApp::FindBelow(const Node& from,
                                                            const QString& roleName,
                                                            const QString& name, int depth) const {
    for (const Node& child : Children(bus_, from)) {
        const QDBusMessage role = Call(bus_, child, kAccessible, QStringLiteral("GetRoleName"));
        if (role.arguments().value(0).toString() == roleName &&
            (name.isEmpty() ||
             Property(bus_, child, kAccessible, QStringLiteral("Name")).toString() == name)) {
            return child;
        }
        if (depth < kMostDepth) {
            if (std::optional<Node> found = FindBelow(child, roleName, name, depth + 1)) {
                return found;
            }
        }
    }
    return std::nullopt;
}

bool AccessibleApp::Press(const Node& node) const {
    const QDBusMessage reply =
        Call(bus_, node, QStringLiteral("org.a11y.atspi.Action"), QStringLiteral("DoAction"), {0});
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}

int AccessibleApp::CharacterCount(const Node& text) const {
    const QVariant count = Property(bus_, text, QStringLiteral("org.a11y.atspi.Text"),
                                    QStringLiteral("CharacterCount"));
    return count.isValid() ? count.toInt() : -1;
}

QString AccessibleApp::LineAt(const Node& text, int offset) const {
    const QDBusMessage reply = Call(bus_, text, QStringLiteral("org.a11y.atspi.Text"),
                                    QStringLiteral("GetTextAtOffset"), {offset, kLineStart});
    return reply.arguments().value(0).toString();
}
