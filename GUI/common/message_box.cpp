#include "common/message_box.h"

#include <QMessageBox>
#include <QString>

#include "base/strtable.h"

namespace {

constexpr unsigned kStrAppTitle = 113;

MessageHandler& Handler() {
    static MessageHandler handler;
    return handler;
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        break;
    }
    return QMessageBox::Information;
}

} // namespace

std::string ApplicationTitle() {
    return LoadStr(kStrAppTitle);
}

MessageAnswer ShowMessage(QWidget* parent, const std::string& text, MessageIcon icon,
                          MessageButtons buttons) {
    return ShowMessageCaptioned(parent, ApplicationTitle(), text, icon, buttons);
}

MessageAnswer ShowMessageCaptioned(QWidget* parent, const std::string& caption,
                                   const std::string& text, MessageIcon icon,
                                   MessageButtons buttons) {
    if (Handler())
        return Handler()(ShownMessage{caption, text, icon, buttons});
    const bool yesNo = buttons == MessageButtons::YesNo;
    QMessageBox box(BoxIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    if (yesNo) {
        box.setEscapeButton(QMessageBox::No);
    }
    const int pressed = box.exec();
    if (!yesNo)
        return MessageAnswer::Ok;
    return pressed == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

void SetMessageHandler(MessageHandler handler) {
    Handler() = std::move(handler);
}
