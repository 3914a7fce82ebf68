#pragma once

class QCoreApplication;

// Qt's own windows and buttons in Japanese, like the rest of the game: the file dialogs where the
// adult adds pictures or saves the record's CSV and PDF, and the standard buttons (キャンセル).
// The translations come with Qt (Debian's qt6-translations-l10n); where they are not installed,
// those dialogs stay in English and the game plays as ever. Returns whether they were loaded.
bool loadQtJapanese(QCoreApplication& app);
