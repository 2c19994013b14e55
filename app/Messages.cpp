#include "Messages.h"

#include <QWidget>

namespace kvq {

void ShowMessageBox(QWidget* owner, const BoxMessage& message) {
    QMessageBox box(message.icon, message.caption, message.text, QMessageBox::Ok, owner);
    box.exec();
}

BoxMessage OpenFailedMessage(const QString& portName, const QString& device, const QString& reason,
                             bool permissionDenied) {
    QString text = QStringLiteral("打开") + portName + QStringLiteral("通信端口错误!\n") +
                   QStringLiteral("请利用其它通信端口。");
    if (!device.isEmpty()) {
        text += QLatin1Char('\n') + device + QStringLiteral(": ") + reason;
        if (permissionDenied) {
            // Serial devices belong to the group dialout on Debian and its kin.
            text += QStringLiteral(
                "\n请把用户加入 dialout 组（sudo usermod -aG dialout 用户名），然后重新登录。");
        }
    }
    return {QStringLiteral("COM错误"), text, QMessageBox::NoIcon};
}

QString PresentPortsLine(const QStringList& portLines) {
    if (portLines.isEmpty()) {
        return QStringLiteral("本机没有找到串口。");
    }
    return QStringLiteral("本机的串口：\n") + portLines.join(QLatin1Char('\n'));
}

BoxMessage PortFailureMessage(const QString& systemText) {
    // The suffix on a line of its own, as under the system texts that end in a line break.
    const QString text = systemText.isEmpty() ? QStringLiteral("COM口操作失败")
                                              : systemText + QStringLiteral("\nCOM口操作失败");
    return {QStringLiteral("COM错误"), text, QMessageBox::Information};
}

BoxMessage NoPortMessage() {
    return {QStringLiteral("警告"), QStringLiteral("没有打开相应的端口，接受数据失败。"),
            QMessageBox::Warning};
}

BoxMessage SaveFailedMessage(const QString& fileName, const QString& systemText, FileLeft left,
                             std::size_t wholeRecords) {
    QString text =
        QStringLiteral("数据文件") + fileName + QStringLiteral("保存失败：") + systemText;
    switch (left) {
        case FileLeft::kNotSaid:
            break;
        case FileLeft::kWholeRecords:
            text += QStringLiteral("\n文件中保留了 %1 条完整的记录。").arg(wholeRecords);
            break;
        case FileLeft::kMayEndInPart:
            text += QStringLiteral("\n文件的最后一条记录可能不完整。");
            break;
        case FileLeft::kOldContentKept:
            text += QStringLiteral("\n文件原有的内容没有改动。");
            break;
    }
    return {QStringLiteral("保存数据"), text, QMessageBox::Critical};
}

BoxMessage NothingToSaveMessage() {
    return {QStringLiteral("保存数据"), QStringLiteral("没有可保存的数据"),
            QMessageBox::Information};
}

BoxMessage EmptySaveMessage() {
    return {
        QStringLiteral("保存数据"),
        QStringLiteral("没有符合所选仪器类型的数据行，保存的文件是空的。请检查仪器类型是否正确。"),
        QMessageBox::Warning};
}

BoxMessage IncompleteGroupMessage(std::size_t readings) {
    return {QStringLiteral("保存数据"),
            QStringLiteral("最后 %1 个读数不足一组（十个），没有写入文件。").arg(readings),
            QMessageBox::Information};
}

BoxMessage UnsavedLinesQuestion(std::size_t lines, UnsavedLinesAction action) {
    QString what;
    switch (action) {
        case UnsavedLinesAction::kClear:
            what = QStringLiteral("清除");
            break;
        case UnsavedLinesAction::kExit:
            what = QStringLiteral("退出");
            break;
        case UnsavedLinesAction::kReceiveAgain:
            what = QStringLiteral("重新接收");
            break;
        case UnsavedLinesAction::kChangeType:
            what = QStringLiteral("改选仪器类型");
            break;
    }
    return {QStringLiteral("警告"),
            QStringLiteral("已接收的 %1 行数据尚未保存，确定要%2吗？").arg(lines).arg(what),
            QMessageBox::Question};
}

BoxMessage ReplaceFileQuestion(const QString& fileName) {
    return {QStringLiteral("保存数据"), fileName + QStringLiteral(" 已存在，要替换它吗？"),
            QMessageBox::Question};
}

BoxMessage WriteInPlaceQuestion(const QString& fileName, const QString& systemText) {
    return {QStringLiteral("保存数据"),
            fileName + QStringLiteral(" 不能先写成临时文件再替换：") + systemText +
                QStringLiteral("\n要直接改写 ") + fileName +
                QStringLiteral(" 吗？保存中途失败时，它原有的内容会丢失。"),
            QMessageBox::Question};
}

BoxMessage RestoreLinesQuestion(std::size_t lines) {
    return {QStringLiteral("恢复数据"),
            QStringLiteral("上次接收的 %1 行数据没有保存，要恢复吗？").arg(lines),
            QMessageBox::Question, true};
}

BoxMessage JournalFailedMessage(const QString& fileName, const QString& systemText) {
    return {QStringLiteral("警告"),
            QStringLiteral("接收的数据无法写入备份文件") + fileName + QStringLiteral("：") +
                systemText +
                QStringLiteral("\n接收照常进行，但程序意外退出时这些数据无法恢复，请及时保存。"),
            QMessageBox::Warning};
}

}  // namespace kvq
