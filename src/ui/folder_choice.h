#pragma once

#include <QString>

#include <functional>

class QWidget;

// The adult chooses a folder (for files the game writes out): the desktop's folder box. Empty
// when the adult chose none.
QString chooseFolder(QWidget* parent, const QString& title);

// Tests choose the folder through this seam: while a handler is set, chooseFolder returns its
// answer instead of opening a box.
using FolderHandler = std::function<QString(const QString& title)>;
void setFolderHandlerForTests(FolderHandler handler);
