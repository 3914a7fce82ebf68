// The program: reads the command line, makes sure it is the one game of this user, builds the
// program's wiring (Program) and runs the event loop.

#include <QApplication>
#include <QTimer>

#include <cstdio>

#include "app/command_line.h"
#include "app/one_game.h"
#include "app/program.h"
#include "record/record_file.h"
#include "ui/embedded_pictures.h"
#include "ui/translations.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    loadQtJapanese(app);
    initEmbeddedPictures();
    QApplication::setApplicationName(QStringLiteral("kazoemashou"));
    QApplication::setApplicationVersion(QStringLiteral(KAZOE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(KAZOE_APP_ID));

    const std::optional<CommandLine> options = readCommandLine(app);
    if (!options)
        return 2;
    // Before anything is read: a second start touches neither the files nor the record.
    OneGame oneGame;
    if (!oneGame.claim()) {
        std::fprintf(stderr, "kazoemashou: the game is already running; it comes forward\n");
        oneGame.callTheFirst();
        return 0;
    }
    Program program(*options, RecordFile::defaultPath());
    if (!program.start())
        return 1;
    // Once the first screen is on its way: a later start that calls before ends all the same, and
    // this game comes up in front anyway.
    QTimer::singleShot(0, &app, [&oneGame] { oneGame.listen(); });
    return QApplication::exec();
}
