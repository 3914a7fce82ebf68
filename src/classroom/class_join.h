#pragma once

#include <QString>

#include <optional>

#include "classroom/class_link.h"
#include "classroom/round_sender.h"

// Joining the class and leaving it. The adult types the connection code that
// scripts/classroom_server.sh printed once; the machine then keeps, in a folder of its own beside
// the record, where the server is (link.ini), the game's password as PostgreSQL's clients keep one
// (pgpass, readable by the user only) and the server's certificate (server.crt), fetched from the
// server and taken only when its fingerprint is the one in the code. Leaving removes that folder;
// the record on the machine stays.
namespace ClassJoin {

// The connection code: "HOST:PORT/DATABASE/PASSWORD/FINGERPRINT", e.g.
// "192.168.1.10:5432/kazoemashou/abcd-efgh-jkmn/3f2a-91bc-04de-77aa" (the fingerprint: the first
// 16 hex digits of the SHA-256 of the certificate). Spaces and letter case do not matter.
struct Code {
    QString host;
    int port = 5432;
    QString database;
    QString password;
    QString fingerprint;  // 16 hex digits
};
std::optional<Code> parseCode(const QString& typed);

// The link kept in `folder`; not joined() when there is none.
ClassLink load(const QString& folder);

// What joining found. Its kinds beyond a sender's: the code could not be read, the server could
// not be reached or spoke no TLS, or its certificate is not the one the code names.
struct Outcome {
    enum Kind { Joined, BadCode, Unreachable, NotThatServer, Refused, Newer, Older, Failed };
    Kind kind = Failed;
    QString detail;  // for the technical line; never the password
};
// Fetches the certificate, checks it, keeps the link and tries it. Waits for the network (up to
// a few seconds each step): run it off the game's thread. On any failure nothing is kept.
Outcome join(const QString& typed, const QString& folder);
// Forgets the class: the folder goes. False when it could not be removed.
bool leave(const QString& folder);

}  // namespace ClassJoin
