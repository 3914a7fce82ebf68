#include "ui/message_box.h"

#include <QMessageBox>
#include <QPushButton>

namespace {
WarningHandler& handlerForTests() {
    static WarningHandler handler;
    return handler;
}

QuestionHandler& questionHandlerForTests() {
    static QuestionHandler handler;
    return handler;
}
}  // namespace

void showWarning(QWidget* parent, const QString& text, const QString& title) {
    if (handlerForTests()) {
        handlerForTests()(text, title);
        return;
    }
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    // Plain text always: a name in a message (a child's, a file's) is never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void setWarningHandlerForTests(WarningHandler handler) {
    handlerForTests() = std::move(handler);
}

bool askYesNo(QWidget* parent, const QString& text, const QString& title) {
    if (questionHandlerForTests())
        return questionHandlerForTests()(text, title);
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton* yes = box.addButton(QStringLiteral("はい"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("いいえ"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void setQuestionHandlerForTests(QuestionHandler handler) {
    questionHandlerForTests() = std::move(handler);
}
