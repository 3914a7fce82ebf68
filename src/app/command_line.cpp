#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

std::optional<CommandLine> readCommandLine(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("かぞえましょう: a counting game for young children.\n"
                       "Esc ends the game; H, N, V, C, W and K open the adult's screens\n"
                       "(man kazoemashou tells which)."));
    const QCommandLineOption userFolder(
        QStringLiteral("user-folder"),
        QStringLiteral("Play with your own picture folder (filled with the sample characters on "
                       "the first start) instead of a folder given here."));
    const QCommandLineOption lock(QStringLiteral("lock"),
                                  QStringLiteral("The classroom lock: the adult's keys act only "
                                                 "when held down for two seconds, and the window "
                                                 "cannot be closed from the desktop."));
    parser.addOption(userFolder);
    parser.addOption(lock);
    parser.addPositionalArgument(
        QStringLiteral("folder"),
        QStringLiteral("The folder of pictures to play with (by default the current one)."),
        QStringLiteral("[folder]"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);

    CommandLine line;
    line.userFolder = parser.isSet(userFolder);
    line.locked = parser.isSet(lock);
    line.folderWords = parser.positionalArguments();
    if (line.userFolder && !line.folderWords.isEmpty()) {
        std::fprintf(stderr, "kazoemashou: --user-folder and a folder cannot be given together\n");
        return std::nullopt;
    }
    return line;
}
