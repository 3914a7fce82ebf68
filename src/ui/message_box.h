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
