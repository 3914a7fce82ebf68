// The record's schema, one migration per version. A migration is never changed once released: a
// change of the tables or of a mistake's definition is a new migration appended to kMigrations
// (a view is dropped and created anew there), and the test from every earlier version covers it.
//
// Version 1
//   child(id, name, mark, added_at)
//       name: in kana; mark: the file name of a character picture in the data folder.
//   round(id, child_id, began_at, ended_at, cut_short, characters, count_way, click_to_count,
//         mixed_characters, ask_how_many_people, hide_pointer, blink_time, min_count, max_count)
//       Times are milliseconds since 1970-01-01 UTC; the last eight columns are the settings in
//       force. A round is written whole, in one transaction, when it ends or is cut short.
//   catch(round_id, place, at_ms, took_ms)
//       Each character caught: its place in the tray (0 at the left), when (ms since the round
//       began) and how long it was on show before the child caught it.
//   touch(round_id, seq, at_ms, pass, place, kind, number)
//       Each touch while counting, as the game took it: kind 'counted' (number: the number
//       said), 'out_of_order' (ahead of the next), 'repeat' (one already counted) or 'ignored'
//       (the counting way took no touch then). pass: the try the counting leads to (1 before the
//       first answer, 2 after one wrong answer...). seq orders touches and answers together.
//   answer(round_id, seq, at_ms, attempt, card, right)
//       Each card chosen: its number, right or wrong, and which try of the round it was.
//
//   The kinds of mistake, derived per round (view round_mistakes; per answer: answer_kind):
//   - counted_twice: touches that number a character already numbered in the same count. In
//     counting way 0 (any order) a counted touch on a place counted before in the same pass; in
//     the other ways the game refuses such a touch and tells it as a repeat. When a touch is the
//     pointer moving (not a click), a repeat on the character counted just before is the pointer
//     still resting there, not a second count, and is left out.
//   - skipped: characters left without a number when a count reached the number of characters.
//     Only counting way 0 lets a count reach it so (every character numbered twice leaves one
//     out); in the other ways a count reaches it only by numbering each character in turn.
//   - one_to_one: counted_twice + skipped.
//   - order_mistakes: touches ahead of the next character in turn (ways 1 to 4, from the left).
//   - counted_right_answered_wrong: wrong answers after a count that numbered every character
//     exactly once and ended at the number of characters: the child heard "N" last and chose
//     another card.
//   - off_by_one: wrong answers one more or one less than the number of characters. (An answer
//     can be both this and the one before.)
//   - answered_without_counting: wrong answers given with no count before them in their pass;
//     only counting way 4 asks before counting (its first two tries).
//   Besides: answers (cards chosen) and solved_at (the try that was right; NULL when none was).
//
// Version 2 (おまかせ, docs/omakase.md)
//   child.omakase: 1 when the game chooses the child's number of characters and counting way;
//       0 (the adult's settings) by default.
//   round.chosen_why, chosen_right, chosen_of, chosen_mistake: for a round the game chose, why
//       it has its number (0 a new child's numbers seen at a glance, 1 the frontier, 2 one or two
//       above it, 3 a review, 4 a step down after two rounds wrong at the first try, 5 all mastered),
//       the figures behind it (of the last chosen_of rounds of that number, chosen_right right
//       at the first try without a mistake) and the kind of mistake its counting way practises
//       (0 to 4 in the order of round_mistakes' kinds; NULL: none). All NULL for the adult's
//       settings.
//
// Version 3: what the class's record on the school's server needs (sent only once the machine has
//            joined a class; see src/classroom)
//   machine(id)  one row: this machine's id, 32 random hex digits made once.
//   child.shared_key  the child's key in the class, the same on every machine (32 hex digits, made
//                     when the child is added); child.changed_at  ms since 1970 of the last change
//                     of name or mark (the later of two changes wins).
//   send_queue(number, round_id)  each round not yet on the server; number is the machine's own
//                     number for the round, never given twice (AUTOINCREMENT), so that
//                     (machine, number) keys the round on the server even after a round id is
//                     taken again. Every round is queued as it is written, those before this
//                     version too; the sender empties the queue.
//   removed_child(shared_key, removed_at)  children removed here, to be removed on the server.
//   class_round(round_id, machine, number, received_us)  rounds played on the class's other
//                     machines (received_us: when the server took them, µs since 1970), fetched
//                     from the server into round, catch, touch and answer like the machine's own
//                     (so that the report, the CSV and the PDF cover the whole class), never sent
//                     back; (machine, number) is their key on the server.
//
// Version 4: the class's record fetched by transaction, and rounds it refuses set aside
//   class_round.tx  the server's number for the transaction that brought the round (NULL for
//                   rounds fetched before): the next fetch goes on from the highest.
//   send_queue.refused  the server's words when it refused the round itself (a rule of its
//                   tables, not the network or the password): the round stays here, the rounds
//                   after it go on, and each start of the sender tries it again. NULL: to send.

#include "record/record_schema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace RecordSchema {

namespace {

// Migration i brings a file from version i to i + 1.
const QList<QStringList>& migrations() {
    static const QList<QStringList> all{
        // 0 -> 1: the children, their rounds, touches and answers, and the kinds of mistake.
        {
            QStringLiteral("CREATE TABLE child ("
                           " id INTEGER PRIMARY KEY,"
                           " name TEXT NOT NULL,"
                           " mark TEXT NOT NULL,"
                           " added_at INTEGER NOT NULL)"),
            QStringLiteral("CREATE TABLE round ("
                           " id INTEGER PRIMARY KEY,"
                           " child_id INTEGER NOT NULL REFERENCES child(id) ON DELETE CASCADE,"
                           " began_at INTEGER NOT NULL,"
                           " ended_at INTEGER NOT NULL,"
                           " cut_short INTEGER NOT NULL,"
                           " characters INTEGER NOT NULL,"
                           " count_way INTEGER NOT NULL,"
                           " click_to_count INTEGER NOT NULL,"
                           " mixed_characters INTEGER NOT NULL,"
                           " ask_how_many_people INTEGER NOT NULL,"
                           " hide_pointer INTEGER NOT NULL,"
                           " blink_time INTEGER NOT NULL,"
                           " min_count INTEGER NOT NULL,"
                           " max_count INTEGER NOT NULL)"),
            QStringLiteral("CREATE INDEX round_of_child ON round(child_id, began_at)"),
            QStringLiteral("CREATE TABLE catch ("
                           " round_id INTEGER NOT NULL REFERENCES round(id) ON DELETE CASCADE,"
                           " place INTEGER NOT NULL,"
                           " at_ms INTEGER NOT NULL,"
                           " took_ms INTEGER NOT NULL,"
                           " PRIMARY KEY (round_id, place)) WITHOUT ROWID"),
            QStringLiteral("CREATE TABLE touch ("
                           " round_id INTEGER NOT NULL REFERENCES round(id) ON DELETE CASCADE,"
                           " seq INTEGER NOT NULL,"
                           " at_ms INTEGER NOT NULL,"
                           " pass INTEGER NOT NULL,"
                           " place INTEGER NOT NULL,"
                           " kind TEXT NOT NULL"
                           "  CHECK (kind IN ('counted', 'out_of_order', 'repeat', 'ignored')),"
                           " number INTEGER,"
                           " PRIMARY KEY (round_id, seq)) WITHOUT ROWID"),
            QStringLiteral("CREATE TABLE answer ("
                           " round_id INTEGER NOT NULL REFERENCES round(id) ON DELETE CASCADE,"
                           " seq INTEGER NOT NULL,"
                           " at_ms INTEGER NOT NULL,"
                           " attempt INTEGER NOT NULL,"
                           " card INTEGER NOT NULL,"
                           " right INTEGER NOT NULL,"
                           " PRIMARY KEY (round_id, seq)) WITHOUT ROWID"),
            // Each answer with what came before it in its pass.
            QStringLiteral("CREATE VIEW answer_kind AS"
                           " SELECT a.round_id, a.seq, a.attempt, a.card, a.right, r.characters,"
                           "  r.count_way,"
                           "  EXISTS (SELECT 1 FROM touch t WHERE t.round_id = a.round_id"
                           "   AND t.pass = a.attempt AND t.kind = 'counted') AS counted,"
                           "  (EXISTS (SELECT 1 FROM touch t WHERE t.round_id = a.round_id"
                           "    AND t.pass = a.attempt AND t.kind = 'counted'"
                           "    AND t.number = r.characters)"
                           "   AND (r.count_way <> 0"
                           "    OR (SELECT count(DISTINCT t.place) FROM touch t"
                           "     WHERE t.round_id = a.round_id AND t.pass = a.attempt"
                           "     AND t.kind = 'counted') = r.characters)) AS count_right,"
                           "  (NOT a.right AND abs(a.card - r.characters) = 1) AS off_by_one"
                           " FROM answer a JOIN round r ON r.id = a.round_id"),
            // Each touch, marked when it numbers a character a second time in the same count.
            QStringLiteral(
                "CREATE VIEW touch_kind AS"
                " SELECT t.round_id, t.seq, t.pass, t.place, t.kind, t.number, r.count_way,"
                "  r.characters,"
                "  ((t.kind = 'repeat' AND (r.click_to_count OR t.place IS NOT"
                "    (SELECT u.place FROM touch u WHERE u.round_id = t.round_id"
                "     AND u.seq < t.seq AND u.kind = 'counted' ORDER BY u.seq DESC LIMIT 1)))"
                "   OR (r.count_way = 0 AND t.kind = 'counted'"
                "   AND EXISTS (SELECT 1 FROM touch u WHERE u.round_id = t.round_id"
                "    AND u.pass = t.pass AND u.kind = 'counted' AND u.place = t.place"
                "    AND u.seq < t.seq))) AS counted_twice,"
                "  EXISTS (SELECT 1 FROM touch v WHERE v.round_id = t.round_id"
                "   AND v.pass = t.pass AND v.kind = 'counted'"
                "   AND v.number = r.characters) AS count_complete"
                " FROM touch t JOIN round r ON r.id = t.round_id"),
            QStringLiteral(
                "CREATE VIEW round_mistakes AS"
                " SELECT m.*, m.counted_twice + m.skipped AS one_to_one FROM ("
                " SELECT r.id AS round_id, r.child_id, r.began_at, r.characters, r.count_way,"
                "  r.cut_short,"
                "  (SELECT count(*) FROM answer a WHERE a.round_id = r.id) AS answers,"
                "  (SELECT min(a.attempt) FROM answer a WHERE a.round_id = r.id AND a.right)"
                "   AS solved_at,"
                "  (SELECT count(*) FROM touch_kind k WHERE k.round_id = r.id"
                "   AND k.counted_twice) AS counted_twice,"
                "  (SELECT count(*) FROM touch_kind k WHERE k.round_id = r.id"
                "   AND k.count_way = 0 AND k.counted_twice AND k.count_complete) AS skipped,"
                "  (SELECT count(*) FROM touch t WHERE t.round_id = r.id"
                "   AND t.kind = 'out_of_order') AS order_mistakes,"
                "  (SELECT count(*) FROM answer_kind k WHERE k.round_id = r.id"
                "   AND NOT k.right AND k.count_right) AS counted_right_answered_wrong,"
                "  (SELECT count(*) FROM answer_kind k WHERE k.round_id = r.id"
                "   AND k.off_by_one) AS off_by_one,"
                "  (SELECT count(*) FROM answer_kind k WHERE k.round_id = r.id"
                "   AND NOT k.right AND NOT k.counted) AS answered_without_counting"
                " FROM round r) m"),
        },
        // 1 -> 2: おまかせ, the game choosing a child's rounds, and why it chose each.
        {
            QStringLiteral("ALTER TABLE child ADD COLUMN omakase INTEGER NOT NULL DEFAULT 0"),
            QStringLiteral("ALTER TABLE round ADD COLUMN chosen_why INTEGER"),
            QStringLiteral("ALTER TABLE round ADD COLUMN chosen_right INTEGER"),
            QStringLiteral("ALTER TABLE round ADD COLUMN chosen_of INTEGER"),
            QStringLiteral("ALTER TABLE round ADD COLUMN chosen_mistake INTEGER"),
        },
        // 2 -> 3: the machine's id, the children's class keys, the rounds waiting to be sent.
        {
            QStringLiteral("CREATE TABLE machine (id TEXT NOT NULL)"),
            QStringLiteral("INSERT INTO machine VALUES (lower(hex(randomblob(16))))"),
            QStringLiteral("ALTER TABLE child ADD COLUMN shared_key TEXT"),
            QStringLiteral("ALTER TABLE child ADD COLUMN changed_at INTEGER"),
            QStringLiteral("UPDATE child SET shared_key = lower(hex(randomblob(16))),"
                           " changed_at = added_at"),
            QStringLiteral("CREATE UNIQUE INDEX child_in_class ON child(shared_key)"),
            QStringLiteral("CREATE TRIGGER child_gets_key AFTER INSERT ON child"
                           " WHEN NEW.shared_key IS NULL BEGIN"
                           " UPDATE child SET shared_key = lower(hex(randomblob(16))),"
                           "  changed_at = NEW.added_at WHERE id = NEW.id; END"),
            // A change made here is stamped now; one fetched from the class brings its stamp.
            QStringLiteral("CREATE TRIGGER child_changed AFTER UPDATE OF name, mark ON child"
                           " WHEN NEW.changed_at IS OLD.changed_at BEGIN"
                           " UPDATE child SET changed_at ="
                           "  CAST((julianday('now') - 2440587.5) * 86400000 AS INTEGER)"
                           "  WHERE id = NEW.id; END"),
            QStringLiteral("CREATE TABLE removed_child ("
                           " shared_key TEXT PRIMARY KEY,"
                           " removed_at INTEGER NOT NULL)"),
            QStringLiteral("CREATE TRIGGER child_removed AFTER DELETE ON child BEGIN"
                           " INSERT OR IGNORE INTO removed_child VALUES (OLD.shared_key,"
                           "  CAST((julianday('now') - 2440587.5) * 86400000 AS INTEGER)); END"),
            QStringLiteral("CREATE TABLE send_queue ("
                           " number INTEGER PRIMARY KEY AUTOINCREMENT,"
                           " round_id INTEGER NOT NULL UNIQUE REFERENCES round(id)"
                           "  ON DELETE CASCADE)"),
            QStringLiteral("INSERT INTO send_queue (round_id) SELECT id FROM round ORDER BY id"),
            QStringLiteral("CREATE TRIGGER round_to_send AFTER INSERT ON round BEGIN"
                           " INSERT INTO send_queue (round_id) VALUES (NEW.id); END"),
            QStringLiteral("CREATE TABLE class_round ("
                           " round_id INTEGER PRIMARY KEY REFERENCES round(id) ON DELETE CASCADE,"
                           " machine TEXT NOT NULL,"
                           " number INTEGER NOT NULL,"
                           " received_us INTEGER NOT NULL,"
                           " UNIQUE (machine, number))"),
        },
        // 3 -> 4: where the fetch of the class's rounds has reached; rounds the server refuses.
        {
            QStringLiteral("ALTER TABLE class_round ADD COLUMN tx INTEGER"),
            QStringLiteral("ALTER TABLE send_queue ADD COLUMN refused TEXT"),
        },
    };
    return all;
}

bool exec(QSqlDatabase& db, const QString& statement, QString* error) {
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    if (error != nullptr)
        *error = query.lastError().text();
    return false;
}

}  // namespace

int latestVersion() {
    return int(migrations().size());
}

int versionOf(QSqlDatabase& db, QString* error) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        if (error != nullptr)
            *error = query.lastError().text();
        return -1;
    }
    return query.value(0).toInt();
}

Outcome migrateTo(QSqlDatabase& db, int version, QString* error) {
    const int from = versionOf(db, error);
    if (from < 0)
        return Outcome::Failed;
    if (from > latestVersion())
        return Outcome::Newer;
    for (int v = from; v < version; ++v) {
        if (!db.transaction()) {
            if (error != nullptr)
                *error = db.lastError().text();
            return Outcome::Failed;
        }
        bool done = true;
        for (const QString& statement : migrations()[v]) {
            done = exec(db, statement, error);
            if (!done)
                break;
        }
        done = done && exec(db, QStringLiteral("PRAGMA user_version = %1").arg(v + 1), error);
        if (!done || !db.commit()) {
            if (done && error != nullptr)
                *error = db.lastError().text();
            db.rollback();
            return Outcome::Failed;
        }
    }
    return Outcome::Migrated;
}

Outcome migrate(QSqlDatabase& db, QString* error) {
    return migrateTo(db, latestVersion(), error);
}

}  // namespace RecordSchema
