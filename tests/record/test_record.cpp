// Each child's record: rounds played by a scripted child on the simulated clock, written to a real
// file, and the kinds of mistake derived from the rows; the file's versions, and files that are
// damaged, newer, or cannot be written.

#include <QDir>
#include <QProcess>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "faults/fault_rig.h"
#include "record/record_report.h"
#include "record/record_schema.h"
#include "record/record_writer.h"
#include "support/files.h"
#include "support/record_rig.h"

namespace {
GameSettings settingsFor(qint16 countWay, bool clickToCount = false) {
    GameSettings s;
    s.countWay = countWay;
    s.clickToCount = clickToCount;
    s.minCount = 1;
    s.maxCount = 5;
    return s;
}

// Plays a round of `count` characters, caught and cut short by H.
bool playCutShort(RecordRig& r, int count) {
    r.rig.activate(count);
    const bool caught = r.child.catchAll();
    r.rig.game.keyPressed(GameKey::H);
    return caught;
}

// The kinds of mistake of each round of the child, once every round is written.
QList<RoundMistakes> roundMistakes(RecordRig& r, qint64 id) {
    r.store.flush();
    RecordReport report(r.store.path());
    report.open();
    return report.roundMistakes(id);
}

QList<RecordProblem::Kind> kindsOf(const QList<RecordProblem>& problems) {
    QList<RecordProblem::Kind> kinds;
    for (const RecordProblem& p : problems)
        kinds << p.kind;
    return kinds;
}

// A round of `characters` characters answered right at the first try, for the writer alone.
QString describe(const RoundMistakes& m) {
    return QStringLiteral(
               "twice %1 skipped %2 one-to-one %3 order %4 right-then-wrong %5 "
               "off-by-one %6 uncounted %7 solved at %8")
        .arg(m.countedTwice)
        .arg(m.skipped)
        .arg(m.oneToOne)
        .arg(m.orderMistakes)
        .arg(m.countedRightAnsweredWrong)
        .arg(m.offByOne)
        .arg(m.answeredWithoutCounting)
        .arg(m.solvedAt);
}

// Plays "c 0 1 1" (count these places), "a 3" (answer card 3).
bool play(Child& child, const QStringList& script) {
    for (const QString& step : script) {
        const QStringList words = step.split(QLatin1Char(' '));
        if (words[0] == QLatin1String("a")) {
            if (!child.answer(words[1].toInt()))
                return false;
            continue;
        }
        QList<int> places;
        for (const QString& w : words.mid(1))
            places << w.toInt();
        if (!child.count(places))
            return false;
    }
    return child.waitUntilQuiet();
}

}  // namespace

class RecordTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void mistakesOfPlayedRounds_data();
    void mistakesOfPlayedRounds();
    void rowsOfARoundAndOneCutShort();
    void childrenAndWhoPlays();
    void migratesFromEveryEarlierVersion();
    void damagedFileIsMovedAside_data();
    void damagedFileIsMovedAside();
    void newerFileIsLeftUntouched();
    void heldOrStrangeFileIsToldAndPlayGoesOn();
    void readOnlyFolder();
    void writerWritesEveryRoundHandedOver();
    void writerTakesTheRoundsHandedOverBeforeItStops();

private:
    QString path() const { return m_dir->filePath(QStringLiteral("record.sqlite")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void RecordTest::mistakesOfPlayedRounds_data() {
    QTest::addColumn<qint16>("way");
    QTest::addColumn<bool>("click");
    QTest::addColumn<int>("characters");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("touches");  // place:kind(number) of every touch, in order
    QTest::addColumn<QString>("mistakes");

    QTest::newRow("counted and answered right")
        << CountWay::FromLeft << false << 3 << QStringList{"c 0 1 2", "a 3"}
        << "0:counted1 1:counted2 2:counted3"
        << "twice 0 skipped 0 one-to-one 0 order 0 right-then-wrong 0 off-by-one 0 uncounted 0 "
           "solved at 1";
    // Any order: the second character numbered twice leaves the third without a number; the
    // count of 3 is wrong, so the answer 2 is not "counted right, answered wrong".
    QTest::newRow("any order, one counted twice and one skipped")
        << CountWay::AnyOrder << true << 3 << QStringList{"c 0 1 1", "a 2", "c 0 1 2", "a 3"}
        << "0:counted1 1:counted2 1:counted3 0:counted1 1:counted2 2:counted3"
        << "twice 1 skipped 1 one-to-one 2 order 0 right-then-wrong 0 off-by-one 1 uncounted 0 "
           "solved at 2";
    // From the left: going back to the first is a repeat; resting on the one just counted is not.
    QTest::newRow("from the left, back to one counted before")
        << CountWay::FromLeft << false << 3 << QStringList{"c 0 0 1 0 2", "a 3"}
        << "0:counted1 0:repeat 1:counted2 0:repeat 2:counted3"
        << "twice 1 skipped 0 one-to-one 1 order 0 right-then-wrong 0 off-by-one 0 uncounted 0 "
           "solved at 1";
    QTest::newRow("corrected, ahead of the next")
        << CountWay::FromLeftCorrected << false << 3 << QStringList{"c 0 2", "c 0 1 2", "a 3"}
        << "0:counted1 2:out_of_order 0:counted1 1:counted2 2:counted3"
        << "twice 0 skipped 0 one-to-one 0 order 1 right-then-wrong 0 off-by-one 0 uncounted 0 "
           "solved at 1";
    QTest::newRow("counted right, answered wrong twice")
        << CountWay::FromLeftBlinking << true << 3
        << QStringList{"c 0 1 2", "a 5", "c 0 1 2", "a 4", "c 0 1 2", "a 3"}
        << "0:counted1 1:counted2 2:counted3 0:counted1 1:counted2 2:counted3 0:counted1 "
           "1:counted2 2:counted3"
        << "twice 0 skipped 0 one-to-one 0 order 0 right-then-wrong 2 off-by-one 1 uncounted 0 "
           "solved at 3";
    // Without counting: touches go unheard until two wrong answers; then the child counts.
    QTest::newRow("no counting, two guesses")
        << CountWay::NoCounting << true << 3 << QStringList{"a 2", "c 1", "a 5", "c 0 1 2", "a 3"}
        << "1:ignored 0:counted1 1:counted2 2:counted3"
        << "twice 0 skipped 0 one-to-one 0 order 0 right-then-wrong 0 off-by-one 1 uncounted 2 "
           "solved at 3";
}

void RecordTest::mistakesOfPlayedRounds() {
    QFETCH(qint16, way);
    QFETCH(bool, click);
    QFETCH(int, characters);
    QFETCH(QStringList, script);
    RecordRig r(path(), settingsFor(way, click));
    const qint64 id = r.addAndChoose();
    QList<RoundRecord> played;
    r.seen = [&](const RoundRecord& round) { played.append(round); };
    r.rig.activate(characters);
    QVERIFY(r.child.catchAll());
    QVERIFY(play(r.child, script));
    QVERIFY(r.child.waitUntil(
        [&] { return r.rig.game.round().current == 0 && r.rig.game.phase() == Phase::Catching; }));
    const QList<RoundMistakes> rounds = roundMistakes(r, id);

    QTEST(RecordRows(path())
              .rows("SELECT place || ':' || kind || coalesce(number, '') FROM touch"
                    " ORDER BY seq")
              .join(QLatin1Char(' ')),
          "touches");
    QCOMPARE(rounds.size(), 1);
    QTEST(describe(rounds[0]), "mistakes");
    // おまかせ counts them in memory, as the round ends, the same way.
    QCOMPARE(played.size(), 1);
    QTEST(describe(mistakesOf(played[0])), "mistakes");
}

// The rows of a round as they are written, in simulated time; a round cut short by H; a guest's
// round, which is not written.
void RecordTest::rowsOfARoundAndOneCutShort() {
    GameSettings settings = settingsFor(CountWay::FromLeft, true);
    settings.blinkTime = 20;
    settings.minCount = settings.maxCount = 2;
    RecordRig r(path(), settings);
    QCOMPARE(r.problems.size(), 0);
    const qint64 id = r.addAndChoose();
    r.rig.activate();
    QVERIFY(r.child.catchAll());
    QVERIFY(play(r.child, {"c 0 1", "a 1", "c 0 1", "a 2"}));
    // The next round: one character caught, then the adult presses H.
    QVERIFY(r.child.waitUntil([&] { return r.rig.game.phase() == Phase::Catching; }));
    r.rig.timers.advance(700);
    // Without sound nothing stops a second touch from catching the character again.
    r.rig.sound.setDefaultLength(0);
    r.child.touch(0);
    r.child.touch(0);
    r.rig.timers.advance(300);
    r.rig.game.keyPressed(GameKey::H);
    // A guest plays the round after: nothing is written.
    r.players.choose(std::nullopt);
    r.rig.activate();
    QVERIFY(r.child.catchAll());
    r.rig.game.keyPressed(GameKey::Escape);
    r.store.flush();

    RecordRows reader(path());
    const QStringList rounds = reader.rows(
        "SELECT child_id, began_at - 1714554000000, ended_at - began_at, cut_short, characters,"
        " count_way, click_to_count, mixed_characters, ask_how_many_people, hide_pointer,"
        " blink_time, min_count, max_count FROM round ORDER BY id");
    QCOMPARE(rounds.size(), 2);
    const QString child = QString::number(id);
    QVERIFY2(rounds[0].startsWith(child + " 0 "), qPrintable(rounds[0]));
    QVERIFY2(rounds[0].endsWith(" 0 2 1 1 0 0 0 20 2 2"), qPrintable(rounds[0]));
    QVERIFY2(rounds[1].endsWith(" 1600 1 2 1 1 0 0 0 20 2 2"), qPrintable(rounds[1]));
    // Each character is caught as soon as its hop sound (600 ms) is over; the next comes 1.7 s
    // after a catch. The round cut short ends with H, 300 ms after its one catch.
    QCOMPARE(reader.rows("SELECT round_id, place, at_ms, took_ms FROM catch ORDER BY 1, 2"),
             QStringList({"1 0 600 600", "1 1 2900 600", "2 0 1300 1300"}));
    QCOMPARE(reader.rows("SELECT attempt, card, right FROM answer ORDER BY seq"),
             QStringList({"1 1 0", "2 2 1"}));
    QCOMPARE(reader.rows("SELECT seq, pass, kind FROM touch ORDER BY seq"),
             QStringList({"0 1 counted", "1 1 counted", "3 2 counted", "4 2 counted"}));
    // Times within the round only go forward.
    QCOMPARE(reader.one("SELECT count(*) FROM (SELECT at_ms, lag(at_ms) OVER (ORDER BY seq) AS"
                        " before FROM (SELECT seq, at_ms FROM touch WHERE round_id = 1 UNION ALL"
                        " SELECT seq, at_ms FROM answer WHERE round_id = 1)) WHERE at_ms < before"),
             QStringLiteral("0"));
}

// The kana rule and the limits; who plays, and removing the child who plays.
void RecordTest::childrenAndWhoPlays() {
    RecordRig r(path(), settingsFor(CountWay::FromLeft));
    // No file until the first child: the game plays as it always has.
    QVERIFY(!QFileInfo::exists(path()));
    QVERIFY(r.children.list().isEmpty());
    QVERIFY(!r.players.mustAsk(!r.children.list().isEmpty()));

    const QList<std::pair<const char*, NameProblem>> refused{
        {"", NameProblem::Empty},
        {"ken", NameProblem::NotKana},
        {"けん1", NameProblem::NotKana},
        {"漢字", NameProblem::NotKana},
        {"あいうえおかきくけこさしす", NameProblem::TooLong}};
    for (const auto& [name, problem] : refused) {
        const ChildProblem p = r.children.add(QString::fromUtf8(name), "p0.gif");
        QVERIFY2(p.kind == ChildProblem::Name && p.name == problem, name);
    }
    QVERIFY(!QFileInfo::exists(path()));
    qint64 ken = 0, yui = 0;
    QVERIFY(!r.children.add(QStringLiteral(" けん "), QStringLiteral("p1.gif"), &ken));
    // Half-width katakana is kept full-width, so "ユイ" is taken.
    QVERIFY(!r.children.add(QStringLiteral("ﾕｲ"), QStringLiteral("p2.gif"), &yui));
    QCOMPARE(r.children.add(QStringLiteral("ユイ"), QStringLiteral("p3.gif")).kind,
             ChildProblem::NameTaken);
    QCOMPARE(r.children.add(QStringLiteral("さら"), QString()).kind, ChildProblem::NoMark);
    QVERIFY(!r.children.change(yui, QStringLiteral("ゆい"), QStringLiteral("p4.gif")));
    QCOMPARE(r.children.change(yui, QStringLiteral("けん"), QStringLiteral("p4.gif")).kind,
             ChildProblem::NameTaken);
    QStringList listed;
    for (const ChildEntry& c : r.children.list())
        listed << c.name + QLatin1Char(' ') + c.mark;
    QCOMPARE(listed, QStringList({"けん p1.gif", "ゆい p4.gif"}));
    // Forty children at most.
    for (int i = 2; i < Children::kMostChildren; ++i)
        QVERIFY(!r.children.add(QString(2, QChar(u'あ' + i)), QStringLiteral("p0.gif")));
    QCOMPARE(r.children.add(QStringLiteral("さいご"), QStringLiteral("p0.gif")).kind,
             ChildProblem::TooMany);

    // Removing the child who plays removes their rounds once written, and asks who plays again.
    QVERIFY(r.players.mustAsk(true));
    r.players.choose(yui);
    QVERIFY(!r.players.mustAsk(true));
    QVERIFY(playCutShort(r, 1));
    QVERIFY(!r.children.remove(yui));
    QCOMPARE(r.players.child(), std::nullopt);
    QVERIFY(r.players.mustAsk(true));
    QCOMPARE(RecordRows(path()).rows("SELECT count(*) FROM round UNION ALL SELECT count(*) FROM"
                                     " catch"),
             QStringList({"0", "0"}));
}

// A file of every earlier version opens, is migrated, and ends with the same schema as a new one.
void RecordTest::migratesFromEveryEarlierVersion() {
    const auto schemaOf = [](const QString& file) {
        RecordRows reader(file);
        return reader.rows("SELECT type, name, sql FROM sqlite_master ORDER BY name") +
               reader.rows("PRAGMA user_version");
    };
    const QString fresh = m_dir->filePath(QStringLiteral("fresh.sqlite"));
    {
        RecordRig r(fresh, GameSettings());
        r.addAndChoose();
    }
    const QStringList expected = schemaOf(fresh);
    QCOMPARE(expected.last(), QString::number(RecordSchema::latestVersion()));

    for (int version = 0; version < RecordSchema::latestVersion(); ++version) {
        for (const bool emptyFile : {true, false}) {
            if (emptyFile && version > 0)
                continue;
            const QString old =
                m_dir->filePath(QStringLiteral("v%1-%2.sqlite").arg(version).arg(emptyFile));
            if (emptyFile) {
                writeFile(old, {});
            } else {
                // A database at `version`, made by the migrations of that time.
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), old);
                db.setDatabaseName(old);
                QVERIFY(db.open());
                QString error;
                QVERIFY(RecordSchema::migrateTo(db, version, &error) ==
                        RecordSchema::Outcome::Migrated);
                if (version >= 1) {
                    QSqlQuery(db).exec(QStringLiteral(
                        "INSERT INTO child (name, mark, added_at) VALUES ('はな', 'p1.gif', 0)"));
                }
                db.close();
            }
            if (!old.isEmpty())
                QSqlDatabase::removeDatabase(old);
            RecordRig r(old, GameSettings());
            QCOMPARE(r.problems.size(), 0);
            QVERIFY(r.store.canRecord());
            QVERIFY(r.addAndChoose() != 0);
            QCOMPARE(schemaOf(old), expected);
            // A child of an earlier version plays by the adult's settings.
            if (version >= 1)
                QCOMPARE(RecordRows(old).one("SELECT omakase FROM child WHERE name = 'はな'"),
                         QStringLiteral("0"));
        }
    }
}

void RecordTest::damagedFileIsMovedAside_data() {
    QTest::addColumn<QString>("damage");
    QTest::newRow("not a database") << "text";
    QTest::newRow("a database cut short") << "cut";
    QTest::newRow("a page overwritten") << "page";
    QTest::newRow("another program's database") << "foreign";
    QTest::newRow("a database of a negative version") << "negative";
}

void RecordTest::damagedFileIsMovedAside() {
    QFETCH(QString, damage);
    if (damage == QLatin1String("text")) {
        writeFile(path(), "Pimo\r\n1,#FALSE#\r\n");
    } else if (damage == QLatin1String("foreign")) {
        RecordRows(path()).rows("CREATE TABLE child (who TEXT)");
    } else if (damage == QLatin1String("negative")) {
        QVERIFY(RecordRows(path()).run("PRAGMA user_version = -3"));
    } else {
        {
            RecordRig r(path(), settingsFor(CountWay::FromLeft));
            r.addAndChoose();
        }
        RecordRows(path()).run(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400)"
            " INSERT INTO child (name, mark, added_at) SELECT 'あ' || i, 'p0.gif', 0 FROM n");
        QByteArray bytes = fileBytes(path());
        QVERIFY(bytes.size() >= 4096 * 3);
        if (damage == QLatin1String("cut"))
            bytes.truncate(bytes.size() / 2 + 100);
        else
            bytes.replace(4096 * 2, 4096, QByteArray(4096, '\x5a'));
        writeFile(path(), bytes);
    }
    const QByteArray before = fileBytes(path());

    QString aside;
    {
        RecordRig r(path(), settingsFor(CountWay::FromLeft));
        // The header and the schema are read before the first screen; the rest of the file is
        // checked by the writer, and damage found there is moved aside as the adult is told.
        if (damage == QLatin1String("page"))
            QCOMPARE(r.problems.size(), 0);
        r.store.flush();
        const QList<RecordProblem> problems = r.problems + r.store.takeProblems();
        QCOMPARE(problems.size(), 1);
        QVERIFY(problems[0].kind == RecordProblem::Damaged ||
                problems[0].kind == RecordProblem::DamagedLater);
        aside = problems[0].detail;
        QCOMPARE(QDir(m_dir->path()).entryList({"record.sqlite.damaged-*"}, QDir::Files),
                 QStringList{QFileInfo(aside).fileName()});
        QCOMPARE(fileBytes(aside), before);
        QCOMPARE(r.children.list().size(), 0);
        // Found at start, a new record takes rounds at once; found later, at the next start.
        QCOMPARE(r.store.canRecord(), problems[0].kind == RecordProblem::Damaged);
    }
    RecordRig next(path(), settingsFor(CountWay::FromLeft));
    QCOMPARE(next.problems.size(), 0);
    const qint64 id = next.addAndChoose();
    QVERIFY(playCutShort(next, 1));
    QCOMPARE(roundMistakes(next, id).size(), 1);
    QCOMPARE(fileBytes(aside), before);
}

void RecordTest::newerFileIsLeftUntouched() {
    {
        RecordRig r(path(), settingsFor(CountWay::FromLeft));
        r.addAndChoose();
    }
    QVERIFY(RecordRows(path()).run(
        QStringLiteral("PRAGMA user_version = %1").arg(RecordSchema::latestVersion() + 1)));
    const QStringList files = QDir(m_dir->path()).entryList(QDir::Files);
    const QByteArray before = fileBytes(path());

    RecordRig r(path(), settingsFor(CountWay::FromLeft));
    QCOMPARE(kindsOf(r.problems), QList{RecordProblem::Newer});
    QVERIFY(!r.store.canRecord());
    QVERIFY(r.children.list().isEmpty());
    QCOMPARE(r.children.add(QStringLiteral("ゆい"), QStringLiteral("p0.gif")).record.kind,
             RecordProblem::Newer);
    // The game plays on.
    QVERIFY(playCutShort(r, 1));
    r.store.flush();
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), files);
    QCOMPARE(fileBytes(path()), before);
}

// Another program that holds the file at start (a backup, the sqlite3 shell in a transaction):
// the game plays without recording, says so, and records once the file is free again. A named
// pipe in the file's place is told at once, not waited on.
void RecordTest::heldOrStrangeFileIsToldAndPlayGoesOn() {
    {
        RecordRig r(path(), settingsFor(CountWay::FromLeft));
        r.addAndChoose();
    }
    {
        RecordRows holder(path());
        QVERIFY(holder.run("BEGIN EXCLUSIVE"));
        RecordRig held(path(), settingsFor(CountWay::FromLeft));
        QCOMPARE(kindsOf(held.problems), QList{RecordProblem::Busy});
        QVERIFY(!held.store.canRecord());
        QVERIFY(holder.run("COMMIT"));
        QVERIFY(held.store.retryIfBusy());
        QCOMPARE(held.children.list().size(), 1);
        held.store.flush();
        QCOMPARE(kindsOf(held.store.takeProblems()), QList<RecordProblem::Kind>());
    }
#ifdef Q_OS_UNIX
    const QString pipe = m_dir->filePath(QStringLiteral("pipe.sqlite"));
    QVERIFY(QProcess::execute(QStringLiteral("mkfifo"), {pipe}) == 0);
    RecordRig onPipe(pipe, settingsFor(CountWay::FromLeft));
    QCOMPARE(kindsOf(onPipe.problems), QList{RecordProblem::Unusable});
    QVERIFY(!onPipe.store.canRecord());
#endif
}

// A disk that fills up during play loses the rounds, says so once, and the game goes on; a
// folder that cannot be written plays without recording and says so; a record cannot be begun
// in one.
void RecordTest::readOnlyFolder() {
#ifndef Q_OS_UNIX
    QSKIP("needs a read-only folder");
#else
    const QString folder = m_dir->filePath(QStringLiteral("ro"));
    QVERIFY(QDir().mkpath(folder));
    Faults::ReadOnlyFolder readOnly(folder);
    if (!readOnly.usable())
        QSKIP(qPrintable(QStringLiteral("cannot make a read-only folder here: ") + readOnly.why()));
    const QString file = folder + QStringLiteral("/record.sqlite");
    {
        RecordRig during(file, settingsFor(CountWay::FromLeft));
        during.addAndChoose();
        QVERIFY(playCutShort(during, 1));
        during.store.flush();
        QCOMPARE(kindsOf(during.store.takeProblems()), QList<RecordProblem::Kind>());
        if (readOnly.fill(QStringLiteral("filler"))) {
            for (int round = 0; round < 3; ++round)
                QVERIFY(playCutShort(during, 5));
            during.store.flush();
            QCOMPARE(kindsOf(during.store.takeProblems()), QList{RecordProblem::RoundLost});
            QVERIFY(QFile::remove(folder + QStringLiteral("/filler")));
        }
    }

    QVERIFY(readOnly.makeReadOnly());
    RecordRig after(file, settingsFor(CountWay::FromLeft));
    QCOMPARE(kindsOf(after.problems), QList{RecordProblem::Unusable});
    QVERIFY(!after.store.canRecord());
    QVERIFY(after.children.list().isEmpty());
    after.rig.activate(1);
    QVERIFY(after.child.catchAll());

    RecordRig nowhere(folder + QStringLiteral("/none/record.sqlite"),
                      settingsFor(CountWay::FromLeft));
    QCOMPARE(nowhere.problems.size(), 0);
    QCOMPARE(nowhere.children.add(QStringLiteral("ゆい"), QStringLiteral("p0.gif")).record.kind,
             RecordProblem::NotMade);
#endif
}

// The game's thread hands rounds over without waiting: flush() returns once they are written,
// and a writer destroyed at once after a few rounds (the program ending on Esc) writes them all
// first.
void RecordTest::writerWritesEveryRoundHandedOver() {
    qint64 id = 0;
    {
        RecordRig r(path(), settingsFor(CountWay::FromLeft));
        id = r.addAndChoose();
    }
    QList<RecordProblem> failures;  // appended to on the writer's thread, read once it has ended
    int handed = 0;
    for (int writer = 0; writer < 60; ++writer) {
        RecordWriter w(path(), [&](const RecordProblem& problem) { failures << problem; });
        for (int round = 0; round < 1 + writer % 3; ++round) {
            w.write(countedRound(id, handed, 1 + round));
            ++handed;
        }
        if (writer % 10 == 0) {
            w.flush();
            QCOMPARE(RecordRows(path()).one("SELECT count(*) FROM round"), QString::number(handed));
        }
    }
    QCOMPARE(failures.size(), 0);
    QCOMPARE(RecordRows(path()).rows("SELECT count(*), count(DISTINCT round_id) FROM answer"),
             QStringList{QStringLiteral("%1 %2").arg(2 * handed).arg(handed)});
}

// The round handed over while the writer is busy with the one before, just before the game
// ends, is written before the writer stops.
void RecordTest::writerTakesTheRoundsHandedOverBeforeItStops() {
    qint64 id = 0;
    {
        RecordRig r(path(), settingsFor(CountWay::FromLeft));
        id = r.addAndChoose();
    }
    QSemaphore held, go;
    {
        RecordWriter w(path(), {});
        w.write(countedRound(id, 0, 1));
        w.queue([&] {
            held.release();
            go.acquire();
        });
        QVERIFY(held.tryAcquire(1, 5000));
        w.write(countedRound(id, 1, 2));
        w.beginStopping();
        go.release();
    }
    QCOMPARE(RecordRows(path()).rows("SELECT characters FROM round ORDER BY id"),
             QStringList({"1", "2"}));
}

QTEST_GUILESS_MAIN(RecordTest)
#include "test_record.moc"
