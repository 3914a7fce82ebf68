#include "ui/folder_choice.h"

#include <QFileDialog>
#include <QStandardPaths>

namespace {
FolderHandler& handlerForTests() {
    static FolderHandler handler;
    return handler;
}
}  // namespace

QString chooseFolder(QWidget* parent, const QString& title) {
    if (handlerForTests())
        return handlerForTests()(title);
    return QFileDialog::getExistingDirectory(
        parent, title, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

void setFolderHandlerForTests(FolderHandler handler) {
    handlerForTests() = std::move(handler);
}
