#include "ui/message_box.h"

#include <QMessageBox>

namespace {
WarningHandler& handlerForTests() {
    static WarningHandler handler;
    return handler;
}
}  // namespace

void showWarning(QWidget* parent, const QString& text, const QString& title) {
    if (handlerForTests()) {
        handlerForTests()(text, title);
        return;
    }
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void setWarningHandlerForTests(WarningHandler handler) {
    handlerForTests() = std::move(handler);
}
