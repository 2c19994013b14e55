#pragma once

#include <QDBusConnection>
#include <QString>
#include <optional>

// A program's widgets as a screen reader reaches them: over the accessibility bus (AT-SPI)
// that a session bus launches. No part of the program is made for the tests: this is what
// every Qt program offers a screen reader.
class AccessibleApp {
public:
    // One accessible object of a program: its bus name and object path.
    struct Node {
        QString bus;
        QString path;
    };

    // Turns accessibility on for the programs that start on the session bus at `address`
    // after this, as a screen reader does; false if that bus has no accessibility service.
    static bool TurnOn(const QString& address);

    // Connects to the accessibility bus of the session bus at `address`.
    explicit AccessibleApp(const QString& address);
    ~AccessibleApp();
    AccessibleApp(const AccessibleApp&) = delete;
    AccessibleApp& operator=(const AccessibleApp&) = delete;

    // Waits until the bus's registry answers, so that a program started after this finds
    // it; false after the guard time.
    bool WaitReady() const;
    // Waits until the application of that name is there; false after the guard time.
    bool WaitFor(const QString& applicationName);
    // The application's first widget, depth first, of the role ("push button", "text") and,
    // when given, the name.
    std::optional<Node> Find(const QString& roleName, const QString& name = {}) const;
    // The widget's first action: a button's press.
    bool Press(const Node& node) const;
    // A text's length in characters, -1 if it cannot be read.
    int CharacterCount(const Node& text) const;
    // The text's line that holds the character at `offset`.
    QString LineAt(const Node& text, int offset) const;

private:
    std::optional<Node> FindBelow(const Node& from, const QString& roleName, const QString& name,
                                  int depth) const;
    QDBusConnection bus_;
    std::optional<Node> application_;
};
