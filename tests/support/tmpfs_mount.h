#pragma once

#include <QString>

// A tmpfs mounted over a folder for the length of a test, to make the data folder read-only or
// full on demand. Mounting needs root and a sandbox that allows it; `mounted()` says whether it
// worked, `error()` why not. KAZOE_FAULTS_NO_MOUNT=1 in the environment refuses to mount, to
// try the fallbacks on a machine that could mount.
class TmpfsMount {
public:
    TmpfsMount(const QString& folder, qint64 sizeBytes);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool mounted() const { return m_mounted; }
    QString error() const { return m_error; }
    bool makeReadOnly();
    // Fills the rest of the file system with a file named `name`; true when it is full.
    bool fill(const QString& name);

private:
    QString m_folder;
    bool m_mounted = false;
    QString m_error;
};
