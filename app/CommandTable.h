#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace kvq {

// The commands whose enabled state the handlers change, named by meaning; kCommandNames holds
// their names in the window definition (see the glossary in Rs232.h). `BitBtn1`, `N1`, `N6`
// and `N8` are always enabled and have no row.
enum class Command : int {
    kOpenComButton,      // OpenCom  打开通信口
    kReceiveDataButton,  // ReceiveData  接收数据
    kStopButton,         // Stop  停止传输
    kClearDataButton,    // ClearData  清除数据
    kSaveDataButton,     // SaveData  保存数据
    kOpenPortItem,       // N3  打开通信口(&O)
    kClosePortItem,      // X1  关闭通信口(&X)
    kReceiveItem,        // N5  接受数据&R)
    kStopItem,           // S1  停止传输(&S)
    kSaveItem,           // S2  保存数据(&S)
};
inline constexpr std::size_t kCommandCount = 10;

// Object names of the commands in the window definition, in the order of Command.
inline constexpr std::array<std::string_view, kCommandCount> kCommandNames = {
    "OpenCom", "ReceiveData", "Stop", "ClearData", "SaveData", "N3", "X1", "N5", "S1", "S2",
};

// The outcomes of the handlers that change enabled commands, one column each. Handlers and
// outcomes without a column change nothing.
enum class CommandColumn : int {
    kInitial,             // the window definition
    kOpenSucceeded,       // OpenComClick: port open and configured
    kSettingsNotWritten,  // OpenComClick: the port refused the settings
    kReceiveStarted,      // ReceiveDataClick with a port
    kStopped,             // StopClick
    kCleared,             // ClearDataClick
    kPortClosed,          // X1Click
    kLinesRestored,       // lines an earlier run left unsaved are in the pane again
};
inline constexpr std::size_t kColumnCount = 8;

enum class Enabling : unsigned char {
    kSame,             // left as it was
    kOn,               // enabled
    kOff,              // disabled
    kOnIfMemoHasLine,  // enabled if the text pane holds a line, else left as it was
};

namespace command_table_detail {
inline constexpr Enabling _ = Enabling::kSame;
inline constexpr Enabling on = Enabling::kOn;
inline constexpr Enabling off = Enabling::kOff;
inline constexpr Enabling memo = Enabling::kOnIfMemoHasLine;
}  // namespace command_table_detail

// A row per command (order of Command), a column per outcome (order of CommandColumn). The
// button and the menu item of one command do not always move together; that is intended.
// A refused setting leaves saving on while the pane holds lines, as a stop does: the lines
// received before it must stay savable whatever the next open does. Lines given back at the
// start can be saved, or cleared, at once.
inline constexpr std::array<std::array<Enabling, kColumnCount>, kCommandCount> kCommandTable = [] {
    using namespace command_table_detail;
    return std::array<std::array<Enabling, kColumnCount>, kCommandCount>{{
        //  initial open  refused receive stop  clear close restored
        {on, off, _, off, on, _, on, _},      // OpenCom
        {off, on, off, off, on, _, off, _},   // ReceiveData
        {off, _, _, on, off, _, off, _},      // Stop
        {off, _, off, off, on, off, _, on},   // ClearData
        {off, _, memo, _, memo, off, _, on},  // SaveData
        {on, _, _, off, on, _, off, _},       // N3, open port item
        {off, on, _, off, on, _, off, _},     // X1, close port item
        {off, on, _, off, on, _, _, _},       // N5, receive item
        {off, on, _, on, on, _, off, _},      // S1, stop item
        {off, _, memo, _, memo, off, _, on},  // S2, save item
    }};
}();

inline constexpr Enabling EnablingOf(Command command, CommandColumn column) {
    return kCommandTable[static_cast<std::size_t>(command)][static_cast<std::size_t>(column)];
}

// The state a command takes under `rule`, given its state before and whether the text pane
// holds a line.
inline constexpr bool EnabledAfter(Enabling rule, bool before, bool memoHasLine) {
    switch (rule) {
        case Enabling::kOn:
            return true;
        case Enabling::kOff:
            return false;
        case Enabling::kOnIfMemoHasLine:
            return memoHasLine || before;
        case Enabling::kSame:
            break;
    }
    return before;
}

}  // namespace kvq
