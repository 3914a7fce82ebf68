#include "support/tmpfs_mount.h"

#include <QFile>
#include <QProcess>

namespace {
bool run(const QString& program, const QStringList& arguments, QString* output = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(5000)) {
        if (output)
            *output = program + QStringLiteral(": cannot start");
        return false;
    }
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished(1000);
        if (output)
            *output = program + QStringLiteral(": did not finish");
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAll()).trimmed();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
}  // namespace

TmpfsMount::TmpfsMount(const QString& folder, qint64 sizeBytes) : m_folder(folder) {
    if (qEnvironmentVariableIntValue("KAZOE_FAULTS_NO_MOUNT") == 1) {
        m_error = QStringLiteral("mounting turned off by KAZOE_FAULTS_NO_MOUNT");
        return;
    }
    m_mounted = run(QStringLiteral("mount"),
                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                     QStringLiteral("size=%1").arg(sizeBytes), QStringLiteral("tmpfs"), folder},
                    &m_error);
}

TmpfsMount::~TmpfsMount() {
    if (!m_mounted)
        return;
    if (!run(QStringLiteral("umount"), {m_folder})) {
        run(QStringLiteral("umount"), {QStringLiteral("-l"), m_folder});
    }
}

bool TmpfsMount::makeReadOnly() {
    return m_mounted &&
           run(QStringLiteral("mount"),
               {QStringLiteral("-o"), QStringLiteral("remount,ro"), m_folder}, &m_error);
}

bool TmpfsMount::fill(const QString& name) {
    QFile filler(m_folder + QLatin1Char('/') + name);
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray block(4096, 'x');
    for (int i = 0; i < 1 << 20; ++i) {
        if (filler.write(block) != block.size())
            return true;
    }
    return false;
}
