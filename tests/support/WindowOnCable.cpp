#include "WindowOnCable.h"

#include <QAbstractButton>
#include <QtGlobal>

#include "EventLoop.h"
#include "FarEnd.h"
#include "Memo.h"

bool ReceivesThrough(WindowUnderTest& window, const char* choice, const char* port,
                     const std::string& line) {
    window.Button(QString::fromLatin1(choice))->click();
    if (!window.Click("OpenCom") || !window->PortOpen() || !window.Click("ReceiveData")) {
        qWarning("%s did not open: %s", choice,
                 window.messages.empty() ? "" : qPrintable(window.messages.back().text));
        return false;
    }
    FarEnd instrument(qEnvironmentVariable((std::string("KVQ_FAR_") + port).c_str()).toStdString());
    if (!instrument.Send(line + "\n")) {
        qWarning("the far end of %s takes no bytes", port);
        return false;
    }
    const kvq::Memo& pane = window->TextPane();
    if (!RunEventsUntil([&] { return pane.LineCount() == 1; })) {
        qWarning("no line arrived through %s", port);
        return false;
    }
    return pane.LineText(0) == QString::fromStdString(line);
}
