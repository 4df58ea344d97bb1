// The control panel's message boxes: modal, captioned with the application title, with the
// icon and buttons the situation asks for. Tests install a handler that answers in place of the
// box and records what would have been shown.
#pragma once

#include <functional>
#include <string>

class QWidget;

enum class MessageIcon { Information, Warning, Error, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// The caption of every message box: the application title (text 113).
std::string ApplicationTitle();

// Shows text in a modal box over parent (nullptr: no owner) and returns the button pressed;
// closing a yes/no box with Escape answers No. GUI thread.
MessageAnswer ShowMessage(QWidget* parent, const std::string& text, MessageIcon icon,
                          MessageButtons buttons = MessageButtons::Ok);
// The same with a caption of the caller's. GUI thread.
MessageAnswer ShowMessageCaptioned(QWidget* parent, const std::string& caption,
                                   const std::string& text, MessageIcon icon,
                                   MessageButtons buttons = MessageButtons::Ok);

// Answers in place of every box while set; an empty handler shows boxes again. GUI thread.
struct ShownMessage {
    std::string caption;
    std::string text;
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;
};
using MessageHandler = std::function<MessageAnswer(const ShownMessage& message)>;
void SetMessageHandler(MessageHandler handler);
