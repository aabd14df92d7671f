#pragma once

#include <QString>
#include <functional>

class QWidget;

// The program's message boxes: titled with the application's name, with the
// buttons given. Tests replace the box by an answerer of their own.

constexpr const char* APPLICATION_TITLE = "Pathfolio";

// YesNoDefaultNo: Enter, like Escape, answers No.
enum class MessageButtons { Ok, YesNo, YesNoDefaultNo, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

using MessageAnswerer = std::function<MessageAnswer(const QString& text, MessageButtons buttons)>;

MessageAnswer ShowMessageBox(QWidget* pOwner, const QString& text,
                             MessageButtons buttons = MessageButtons::Ok);

// Installs an answerer in place of the real box (an empty one restores the box).
void SetMessageAnswerer(MessageAnswerer answerer);
