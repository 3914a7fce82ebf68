#pragma once

#include <QString>

#include <functional>

class QWidget;

// The game's messages to the adult: a modal box with a warning icon, one OK button, a Japanese
// text and a Japanese title.
void showWarning(QWidget* parent, const QString& text, const QString& title);

// Tests answer message boxes through this seam: while a handler is set, showWarning hands it the
// text and the title instead of opening a box.
using WarningHandler = std::function<void(const QString& text, const QString& title)>;
void setWarningHandlerForTests(WarningHandler handler);

// A question to the adult before something that cannot be taken back at once: a modal box with a
// question icon and the buttons "はい" and "いいえ" ("いいえ" has the focus, and Esc answers it).
// True for "はい".
bool askYesNo(QWidget* parent, const QString& text, const QString& title);

// Tests answer the questions through this seam: while a handler is set, askYesNo returns its
// answer instead of opening a box.
using QuestionHandler = std::function<bool(const QString& text, const QString& title)>;
void setQuestionHandlerForTests(QuestionHandler handler);
