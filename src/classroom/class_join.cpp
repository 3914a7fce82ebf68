#include "classroom/class_join.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QSslCertificate>
#include <QSslSocket>

namespace ClassJoin {

namespace {
constexpr int kWaitMs = 5000;

QString linkFile(const QString& folder) {
    return folder + QStringLiteral("/link.ini");
}

// The server's certificate as the server shows it when asked for TLS the way PostgreSQL asks
// (an SSLRequest packet, then the handshake); not checked here: the fingerprint checks it.
std::optional<QSslCertificate> serversCertificate(const Code& code, QString* why) {
    QSslSocket socket;
    socket.connectToHost(code.host, quint16(code.port));
    if (!socket.waitForConnected(kWaitMs)) {
        *why = socket.errorString();
        return std::nullopt;
    }
    QByteArray request;
    QDataStream(&request, QIODevice::WriteOnly) << qint32(8) << qint32(80877103);
    socket.write(request);
    char answer = 0;
    if (!socket.waitForReadyRead(kWaitMs) || !socket.getChar(&answer) || answer != 'S') {
        *why = QStringLiteral("the server offers no TLS");
        return std::nullopt;
    }
    socket.setPeerVerifyMode(QSslSocket::VerifyNone);
    socket.startClientEncryption();
    if (!socket.waitForEncrypted(kWaitMs) || socket.peerCertificate().isNull()) {
        *why = socket.errorString();
        return std::nullopt;
    }
    return socket.peerCertificate();
}

bool write(const QString& path, const QByteArray& content) {
    QFile file(path);
    // Readable by the user only from the start: the password never lies open.
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) &&
           file.write(content) == content.size() && file.flush();
}
}  // namespace

std::optional<Code> parseCode(const QString& typed) {
    static const QRegularExpression form(QStringLiteral(
        "^([A-Za-z0-9.\\-]+):([0-9]{1,5})/([a-z0-9_]+)/([a-z0-9\\-]+)/([0-9a-f\\-]+)$"));
    QString text = typed.simplified().remove(QLatin1Char(' '));
    const QRegularExpressionMatch match = form.match(text.toLower());
    if (!match.hasMatch())
        return std::nullopt;
    Code code{match.captured(1), match.captured(2).toInt(), match.captured(3), match.captured(4),
              match.captured(5).remove(QLatin1Char('-'))};
    if (code.port < 1 || code.port > 65535 || code.fingerprint.size() != 16)
        return std::nullopt;
    return code;
}

ClassLink load(const QString& folder) {
    if (!QFile::exists(linkFile(folder)))
        return {};
    QSettings link(linkFile(folder), QSettings::IniFormat);
    return {link.value(QStringLiteral("host")).toString(),
            link.value(QStringLiteral("port"), 5432).toInt(),
            link.value(QStringLiteral("database")).toString(),
            link.value(QStringLiteral("user")).toString(),
            folder + QStringLiteral("/pgpass"),
            folder + QStringLiteral("/server.crt")};
}

Outcome join(const QString& typed, const QString& folder) {
    const std::optional<Code> code = parseCode(typed);
    if (!code)
        return {Outcome::BadCode, {}};
    QString why;
    const std::optional<QSslCertificate> certificate = serversCertificate(*code, &why);
    if (!certificate)
        return {Outcome::Unreachable, why};
    const QString found = QString::fromLatin1(
        QCryptographicHash::hash(certificate->toDer(), QCryptographicHash::Sha256)
            .toHex()
            .left(16));
    if (found != code->fingerprint)
        return {Outcome::NotThatServer, found};

    leave(folder);
    const QString user = code->database + QStringLiteral("_game");
    const bool kept =
        QDir().mkpath(folder) &&
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) &&
        write(folder + QStringLiteral("/server.crt"), certificate->toPem()) &&
        write(folder + QStringLiteral("/pgpass"), QStringLiteral("%1:%2:%3:%4:%5\n")
                                                      .arg(code->host)
                                                      .arg(code->port)
                                                      .arg(code->database, user, code->password)
                                                      .toUtf8());
    if (!kept) {
        leave(folder);
        return {Outcome::Failed, QStringLiteral("cannot write %1").arg(folder)};
    }
    {
        QSettings link(linkFile(folder), QSettings::IniFormat);
        link.setValue(QStringLiteral("host"), code->host);
        link.setValue(QStringLiteral("port"), code->port);
        link.setValue(QStringLiteral("database"), code->database);
        link.setValue(QStringLiteral("user"), user);
    }
    // The link is tried as the sender will use it (the certificate pinned) before it is kept.
    const SendNews tried = RoundSender::check(load(folder));
    if (tried.kind == SendNews::Sent)
        return {Outcome::Joined, {}};
    leave(folder);
    switch (tried.kind) {
        case SendNews::Away:
        case SendNews::Certificate:
            return {Outcome::Unreachable, tried.detail};
        case SendNews::Refused:
            return {Outcome::Refused, tried.detail};
        case SendNews::Newer:
            return {Outcome::Newer, tried.detail};
        case SendNews::Older:
            return {Outcome::Older, tried.detail};
        default:
            return {Outcome::Failed, tried.detail};
    }
}

bool leave(const QString& folder) {
    return !QFileInfo::exists(folder) || QDir(folder).removeRecursively();
}

}  // namespace ClassJoin
