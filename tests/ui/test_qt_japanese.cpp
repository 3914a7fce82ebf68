// Qt's own dialogs speak Japanese once the game has loaded Qt's translations: the file dialog the
// adult meets at 「画像を追加…」 (and at the record's CSV and PDF) offers キャンセル, not Cancel.

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/translations.h"

class QtJapaneseTest : public QObject {
    Q_OBJECT

private slots:
    void fileDialogButtonsAreJapanese() {
        const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (!QFile::exists(folder + QStringLiteral("/qtbase_ja.qm")))
            QSKIP("Qt's Japanese translations are not installed (Debian: qt6-translations-l10n)");
        QVERIFY(loadQtJapanese(*QCoreApplication::instance()));

        // The same call the picture import makes; the dialog is read, then closed.
        QString cancel;
        QString title;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog)
                return;
            title = dialog->windowTitle();
            if (auto* buttons = dialog->findChild<QDialogButtonBox*>())
                if (QPushButton* button = buttons->button(QDialogButtonBox::Cancel))
                    cancel = button->text();
            dialog->close();
        });
        QFileDialog::getOpenFileNames(nullptr, QStringLiteral("画像を追加"), QDir::tempPath(),
                                      QStringLiteral("画像 (*.png)"), nullptr,
                                      QFileDialog::DontUseNativeDialog);
        QCOMPARE(title, QStringLiteral("画像を追加"));
        QCOMPARE(cancel, QStringLiteral("キャンセル"));
    }
};

QTEST_MAIN(QtJapaneseTest)
#include "test_qt_japanese.moc"
